#pragma once

#include "jobs/error.h"
#include "uniquefd.h"

#include <string>

// Takes the kernel lock of the file at the path without waiting, making the file (mode
// 0600, never through a link) if it is missing. The lock ends with the descriptor, which
// closes on exec. The error's number is EWOULDBLOCK while another holds the lock.
Result<UniqueFd> takeFileLock(const std::string &path, Error::What what);
