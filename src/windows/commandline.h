#pragma once

#include "jobs/text.h"

// A program's command line for CreateProcessW: the arguments quoted so that the program's
// runtime (CommandLineToArgvW's rules) splits it into exactly these arguments again.
std::u16string commandLine(const TextList &arguments);
