#pragma once

#include <string>
#include <string_view>

// The folder part of a path: what comes before its last slash ("/" for a name in the root,
// "." for a name without one).
std::string folderOf(std::string_view path);

// The last part of a path: what comes after its last slash.
std::string_view fileNameOf(std::string_view path);
