#pragma once

#include <optional>
#include <string>

// The folder that holds the running program: without a trailing separator, but at a drive's
// root ("C:\").
std::optional<std::u16string> programFolder();

// The folder part of a program's full name, as programFolder() gives it.
std::u16string folderOf(const std::u16string &programName);
