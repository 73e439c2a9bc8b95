#pragma once

#include "jobs/error.h"

// The watcher's exit codes.
enum WatchExit : int
{
    OutputReplaced = 0, // the encoder succeeded and its file is the output now
    EncoderFailed = 1,  // it could not start, exited with another code than 0 or wrote nothing
    OutputRefused = 2,  // a device, a folder, a link, the input, or another watcher's output
    WatcherFailed = 3,  // wrong arguments; no lock, no temporary file, or the output not replaced
};

// The exit code for an error.
WatchExit exitCodeFor(const Error &error);
