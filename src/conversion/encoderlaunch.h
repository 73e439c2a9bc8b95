#pragma once

#include "jobs/error.h"

#include <span>
#include <string>

#include <sys/types.h>

// What an encoder is started with: its program, its argument list after the program's name,
// where it starts (empty for our own working directory), the descriptor that both its output
// streams go to, and descriptors of ours that it gets as FirstGivenDescriptor and on.
struct EncoderLaunch
{
    const std::string &program;
    std::span<const std::string> arguments;
    const std::string &workingDirectory;
    int output;
    std::span<const int> given;
};

// The number that the encoder sees the first descriptor it is given under.
inline constexpr int FirstGivenDescriptor = 3;
// How much lower than ours the encoder's priority is.
inline constexpr int EncoderNiceness = 10;

// Starts the encoder as our child, from its argument list and never through a shell: in a
// session of its own, killed (SIGKILL, which nothing can block or delay) once we end, with
// every signal's disposition and the signal mask at their defaults, its priority lowered by
// EncoderNiceness, standard input from /dev/null and no descriptor of ours but the ones given.
// The death signal comes when the thread that started the child ends: call it from the main
// thread only. Returns the child, which the caller reaps, or the errno of what failed, the
// exec included, as EncoderNotStartable naming the program.
Result<pid_t> launchEncoder(const EncoderLaunch &launch);
