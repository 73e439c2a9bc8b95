#pragma once

#include "jobs/error.h"

#include <string>
#include <vector>

#include <sys/types.h>

// The standard streams of a started program: a descriptor of ours, or -1 for /dev/null.
struct StandardStreams
{
    int input = -1;
    int output = -1;
    int error = -1;
};

// How a program is started besides its argument list.
struct ProcessSetup
{
    // Where it starts; empty for our own working directory.
    std::string workingDirectory;
    StandardStreams streams;
    // Descriptors of ours that it gets as 3, 4, ... in this order; every other one of ours
    // is closed in it.
    std::vector<int> inherited;
};

// The number that the first descriptor of ProcessSetup::inherited gets in the program.
inline constexpr int FirstInheritedDescriptor = 3;

// Starts a program as our child with posix_spawn, from its argument list and never through
// a shell, in a session of its own, with every signal's disposition and the signal mask at
// their defaults. Returns the child, which the caller reaps, or the errno of what failed,
// the exec included, as an error of the given `what` naming the program.
Result<pid_t> startProcess(const std::string &program, const std::vector<std::string> &arguments,
                           const ProcessSetup &setup, Error::What what);
