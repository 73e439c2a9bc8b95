#pragma once

#include "jobs/error.h"

#include <string>

// The directory that holds the running program, through the kernel's link to it; the error
// says why it could not be found.
Result<std::string> locateProgramDirectory();
