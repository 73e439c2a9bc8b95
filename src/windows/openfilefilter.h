#pragma once

#include <string>
#include <string_view>

// The file dialog's filter as GetOpenFileNameW takes it, from descriptions and patterns all
// separated by "|": each of them ends with a NUL, and one more NUL ends the list.
std::wstring openFileFilter(std::u16string_view filter);
