#pragma once

#include "jobs/error.h"

#include <string>

// The user's private runtime folder for Orvalen's locks and sockets: $XDG_RUNTIME_DIR/orvalen,
// or where that is unusable, ~/.cache/orvalen/runtime-<host>. Nobody else can make or take
// either, unlike a name in /tmp. Made on first use. When neither is usable, the error's
// causes say why for each folder tried.
Result<std::string> privateRuntimeDirectory();
