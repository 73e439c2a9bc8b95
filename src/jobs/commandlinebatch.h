#pragma once

#include <optional>

class Platform;

// Converts each of the first 32 names of the command line that has two or more characters
// with the fixed preset, in order, and returns the program's exit status. Nothing when no
// name was given: the window is to be shown then.
std::optional<int> convertCommandLineNames(Platform &platform);
