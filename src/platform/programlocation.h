#pragma once

#include "jobs/error.h"

#include <string>

// The directory that holds the running program, through the kernel's link to it (or the
// link given); the error says why it could not be found, and names the link.
Result<std::string> locateProgramDirectory(const char *kernelLink = "/proc/self/exe");
