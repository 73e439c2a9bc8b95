#pragma once

#include "jobs/error.h"

#include <string>

// Whether the file can be run as a program: a plain file that we may execute. The error
// names the file, with the given `what`.
Result<void> checkExecutable(const std::string &path, Error::What what);
