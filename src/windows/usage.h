#pragma once

#include <string_view>

// What orvalen.exe --help and --version answer.
extern const std::u16string_view Usage;
extern const std::u16string_view Version;
