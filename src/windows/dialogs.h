#pragma once

#include "jobs/platform.h"

#include <windows.h>

// A modal message box over the window (or none) with the program's title as its caption.
MessageAnswer showMessageBox(HWND window, const std::u16string &text, MessageStyle style);

// The system's dialog for opening one existing file, with the title and the filter (pairs of
// description and ";"-separated patterns, all separated by "|"); nothing when cancelled.
std::optional<std::u16string> chooseFile(HWND window, const std::u16string &title,
                                         const std::u16string &filter);
