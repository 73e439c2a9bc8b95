#pragma once

#include "jobs/conversionoutcome.h"
#include "jobs/error.h"
#include "uniquehandle.h"

// Starts the watcher orvalen-watch.exe on the encoder run, in a console window of its own
// that takes the focus, and gives its process. Fails with EncoderNotStartable when the
// watcher or the encoder is not a file that can be run.
Result<UniqueHandle> startWatcher(const std::u16string &watcher, const EncoderCall &call);

// How a watcher's conversion went, from its exit code and whether the output is another file
// than when the watcher started. An exit with 0 that left the output as it was is a watcher
// ended from outside: Wine ends a console's programs with 0 when the console is closed.
ConversionOutcome outcomeOfWatcher(unsigned long exitCode, bool outputReplaced);
