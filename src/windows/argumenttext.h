#pragma once

#include <string>
#include <string_view>

// The argument text of a command line as GetCommandLineW gives it: what follows the
// program's own name and the blanks after it. The name ends at its closing quote when it
// begins with one, else at the first blank, as the C runtime reads it.
std::u16string argumentText(std::u16string_view commandLine);
