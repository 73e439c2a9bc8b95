#pragma once

#include "platform/processstart.h"

// The encoder is started through a step of the companion's own program: run as
// "orvalen-conversion --start-encoder <companion's pid> <encoder> <arguments>...", it asks
// the kernel to kill it (SIGKILL, which nothing can block or delay) once the companion
// ends, and becomes the encoder, so no encoder ever writes on unwatched. It says why when
// it cannot (an errno, 4 bytes) on the descriptor ReportDescriptor and exits with 127.
inline constexpr char StartEncoderOption[] = "--start-encoder";
inline constexpr int ReportDescriptor = FirstInheritedDescriptor;

// The start step itself, given the companion's whole argument list; it returns only when
// the encoder could not start, with the exit status.
int startEncoder(int argc, char *argv[]);
