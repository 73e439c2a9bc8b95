#pragma once

#include <string>
#include <string_view>

// The two parts of a path around its last slash.

// The folder that a path names its last part in: what comes before the last slash, "/" for
// a name in the root (or a path without a slash).
std::string folderOf(std::string_view path);

// The last part of a path: what follows its last slash, all of it when it has none.
std::string lastPartOf(std::string_view path);
