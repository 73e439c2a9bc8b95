#pragma once

#include <string>
#include <string_view>

// File names are bytes to the system and characters to the program. Bytes that are not
// UTF-8 become the lone surrogates U+DC80 to U+DCFF, one per byte, and are written back
// unchanged, so every name makes the round trip exactly. Any other lone surrogate, which no
// name from the system holds, is written as "?".
std::u16string fileNameFromBytes(std::string_view bytes);
std::string fileNameToBytes(std::u16string_view name);
