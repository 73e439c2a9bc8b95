#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include <windows.h>

struct FontDeleter
{
    void operator()(HFONT font) const { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The face of the controls' font: MS UI Gothic, or where it is not installed, another
// Japanese user-interface font that is; empty when there is none, which leaves the choice to
// Windows by the Japanese character set.
const std::wstring &japaneseFace();

// The face, regular, in the Japanese character set, with characters of the height in pixels.
UniqueFont controlFont(const std::wstring &face, int height);

// Whether the text in the font fits into a box of the width and height in pixels.
bool fitsInto(HFONT font, const std::wstring &text, int width, int height);
