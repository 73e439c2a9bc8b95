#pragma once

#include <QByteArray>

#include <optional>

// The directory that holds the running program, found once at start: through the kernel's
// link to it, or where that is missing (no /proc), through the name it was started by,
// resolved against PATH and the working directory. Nothing when neither tells.
std::optional<QByteArray> locateProgramDirectory(const char *startedAs,
                                                 const char *kernelLink = "/proc/self/exe");
