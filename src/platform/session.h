#pragma once

#include "filelock.h"

// Where the companion that serves a display's conversion windows listens, in the user's
// runtime folder, without the ending: ".socket" for the socket, ".lock" for the lock that
// keeps it to one companion. The name holds the protocol version: a program reaches only a
// companion that speaks its own, and starts one where none does.
std::string sessionAddress(const std::string &runtimeDirectory, const std::string &displayPlatform);

// The session's lock, taken without waiting (see takeFileLock()). Whoever holds it may make
// the session's socket.
Result<UniqueFd> lockSession(const std::string &address);
