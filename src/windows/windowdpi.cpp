#include "windowdpi.h"

namespace {

using DpiForWindow = UINT(WINAPI *)(HWND);

// GetDpiForWindow came with Windows 10; the program also runs where it is missing.
DpiForWindow dpiForWindow()
{
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const FARPROC found = user32 ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    return reinterpret_cast<DpiForWindow>(reinterpret_cast<void (*)()>(found));
}

unsigned systemDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<unsigned>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

} // namespace

unsigned windowDpi(HWND window)
{
    static const DpiForWindow ofWindow = dpiForWindow();
    if (const unsigned dpi = ofWindow ? ofWindow(window) : 0; dpi > 0)
        return dpi;
    return systemDpi();
}

int pixels(int twips, unsigned dpi)
{
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}
