#pragma once

#include "deadline.h"
#include "jobs/error.h"
#include "uniquefd.h"

#include <string>

// Paths of any length work, through /proc when they do not fit in a socket address. A
// failure is told with the given `what`, the errno and the path.

// A stream socket connected to the one at the path. It does not block and closes on exec. A
// listener whose queue is full is tried again until the deadline, then given up on with
// ETIMEDOUT.
Result<UniqueFd> connectUnixSocket(const std::string &path, Error::What what,
                                   const Deadline &deadline);

// A stream socket that listens at the path, replacing a stale socket file there. It does
// not block and closes on exec.
Result<UniqueFd> listenOnUnixSocket(const std::string &path, Error::What what);
