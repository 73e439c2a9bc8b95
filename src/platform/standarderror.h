#pragma once

#include <string>

// Writes one line to standard error, names byte for byte as the system gave them.
void writeLineToStandardError(const std::u16string &text);
