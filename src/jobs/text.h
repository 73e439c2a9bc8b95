#pragma once

#include <string>
#include <string_view>
#include <vector>

// Texts and file names are UTF-16, as the user's names are on every desktop; see
// filenamebytes.h for how they meet the system's bytes.
using TextList = std::vector<std::u16string>;

// The number in decimal digits.
std::u16string decimal(long long number);

// The texts one after the other, with the separator between two of them.
std::u16string joined(const TextList &texts, std::u16string_view separator);

// Whether the text begins or ends with the piece.
bool startsWith(std::u16string_view text, std::u16string_view piece);
bool endsWith(std::u16string_view text, std::u16string_view piece);
