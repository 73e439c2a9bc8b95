#pragma once

#include <windows.h>

// The dots per inch of the monitor that the window is on; the system's where Windows has no
// monitor's own (before Windows 10).
unsigned windowDpi(HWND window);

// A length in twips (1/1440 inch) in whole pixels at the given dots per inch.
int pixels(int twips, unsigned dpi);
