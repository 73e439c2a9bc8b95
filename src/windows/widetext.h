#pragma once

#include <string>
#include <string_view>

// The rules' UTF-16 texts and Windows' wide strings hold the same 16-bit units.
inline std::wstring toWide(std::u16string_view text)
{
    return {text.begin(), text.end()};
}

inline std::u16string toText(std::wstring_view wide)
{
    return {wide.begin(), wide.end()};
}
