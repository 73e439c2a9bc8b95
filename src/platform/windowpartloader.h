#pragma once

#include "jobs/error.h"
#include "windowpart.h"

#include <string>

// Loads the module with the window part, beside the program, and returns the function that
// makes the part.
Result<MakeWindowPart *> loadWindowPartModule(const std::string &programDirectory);
