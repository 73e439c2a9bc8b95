#pragma once

#include <string_view>

// Writes the text and a line break to standard error: to its console as it is, or, when it
// is redirected, as UTF-8.
void tell(std::u16string_view text);

// Writes the text as it is to standard output, the same way.
void print(std::u16string_view text);

// Whether the program has the standard stream (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE) to
// write to: a console, a file or a pipe. A program started from the desktop has none.
bool hasStandardStream(unsigned long which);

// Waits for a key when standard input is a console, so that its window stays open for the
// user to read; returns at once otherwise.
void waitForKeyOnConsole();
