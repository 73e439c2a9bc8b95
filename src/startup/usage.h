#pragma once

#include <optional>
#include <string_view>

// What "--help", "-h" or "--version", given as the only argument, prints on standard output.
// Nothing for any other argument: it is a file name. A file named like an option is reached
// as "./--help".
std::optional<std::string_view> optionReply(std::string_view argument);

// Given as the first argument: the program returns only once its conversions have ended.
inline constexpr char WaitOption[] = "--wait";

// Given as the first argument: the names are not converted at once but offered in the main
// window, as a drop of those files would be. The desktop entry opens files this way.
inline constexpr char AskOption[] = "--ask";
