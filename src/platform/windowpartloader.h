#pragma once

#include "jobs/windowpart.h"

// Loads the module with the window part, beside the program, and returns the function that
// makes the part; nothing, and why in failure, when the module cannot be loaded.
MakeWindowPart *loadWindowPartModule(const QByteArray &programDirectory, QString &failure);
