#pragma once

#include <string_view>

// Writes the text and a line break to standard error: to its console as it is, or, when it
// is redirected, as UTF-8.
void tell(std::u16string_view text);

// Waits for a key when standard input is a console, so that its window stays open for the
// user to read; returns at once otherwise.
void waitForKeyOnConsole();
