#pragma once

#include <string_view>

// Whether Windows takes a file name (the last part of a path) for a device: CON, PRN, AUX,
// NUL, COM1 to COM9, LPT1 to LPT9, CONIN$ and CONOUT$, in any case, also with an extension
// or trailing spaces before it ("nul.mp3", "Com1 .txt").
bool isDeviceName(std::u16string_view fileName);

// The last part of a path, after its last "\", "/" or drive's ":".
std::u16string_view lastPathPart(std::u16string_view path);
