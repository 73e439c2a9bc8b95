#pragma once

#include "jobs/error.h"

#include <QByteArray>

// The directory that holds the running program, found once at start through the kernel's
// link to it. EncoderNotStartable with the system's error number when the link does not
// resolve: the encoder and every part of the program lie in that directory.
Result<QByteArray> locateProgramDirectory(const char *kernelLink = "/proc/self/exe");
