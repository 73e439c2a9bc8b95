#pragma once

// The encoder is started through a small program beside the companion,
// orvalen-encoder-start, run as "orvalen-encoder-start <companion's pid> <encoder>
// <arguments>...": it asks the kernel to kill it (SIGKILL, which nothing can block or delay)
// once the companion ends, lowers its priority by EncoderNiceness, and becomes the encoder, so no
// encoder ever writes on unwatched. It says why when it cannot (an errno, as 4 bytes) on the
// descriptor ReportDescriptor, which the encoder's exec closes, and exits with 127. It uses the C
// library alone: it starts in a fraction of the time that a program on Qt takes. It acts only
// when it leads a session of its own and its parent is the companion it names, as the companion
// starts it; otherwise it says so on standard error and exits with 2, having changed nothing.
inline constexpr char EncoderStartProgram[] = "/orvalen-encoder-start";
inline constexpr int ReportDescriptor = 3;
inline constexpr int EncoderNiceness = 10;
