#pragma once

#include "jobs/error.h"
#include "jobs/windowpart.h"

// Loads the module with the window part, beside the program, and returns the function that
// makes the part.
Result<MakeWindowPart *> loadWindowPartModule(const QByteArray &programDirectory);
