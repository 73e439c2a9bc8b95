#pragma once

#include "jobs/platform.h"

#include <windows.h>

// Shows the main window in the middle of the screen, offers it the given files as a drop
// would (nothing when there are none), and handles the thread's messages until the window
// closes or endMainWindow is called. Returns the program's exit status: that given to
// endMainWindow, or 0 when the user closed the window.
int showMainWindow(Platform &platform, const TextList &offeredFiles);

// Ends the main window's message loop with the exit status, once the handler that called
// it has returned.
void endMainWindow(int exitStatus);

// The window that a box or a dialog is shown over: the main window's, or none.
HWND windowOf(const BoxOwner *owner);
