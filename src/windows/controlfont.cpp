#include "controlfont.h"

#include <array>

namespace {

// In order of preference: Windows' own, then the free ones a Wine or a Linux desktop has;
// IPA PGothic is narrow enough to keep the window's notes on one line at 9 points.
constexpr std::array<const wchar_t *, 5> JapaneseFaces{
    L"MS UI Gothic", L"Meiryo UI", L"Yu Gothic UI", L"IPAPGothic", L"Noto Sans CJK JP"};

int CALLBACK noteFound(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM found)
{
    *reinterpret_cast<bool *>(found) = true;
    return 0;
}

bool installed(const wchar_t *face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, noteFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

std::wstring firstInstalledFace()
{
    for (const wchar_t *face : JapaneseFaces) {
        if (installed(face))
            return face;
    }
    return {};
}

} // namespace

const std::wstring &japaneseFace()
{
    static const std::wstring face = firstInstalledFace();
    return face;
}

UniqueFont controlFont(const std::wstring &face, int height)
{
    return UniqueFont(CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
}

bool fitsInto(HFONT font, const std::wstring &text, int width, int height)
{
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(screen, font);
    SIZE extent{};
    GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return extent.cx <= width && extent.cy <= height;
}
