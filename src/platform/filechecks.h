#pragma once

#include "jobs/error.h"

#include <QByteArray>

// Whether the file can be run as a program: a plain file that we may execute. The error
// names the file, with the given `what`.
Result<void> checkExecutable(const QByteArray &path, Error::What what);
