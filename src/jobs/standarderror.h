#pragma once

#include <QString>

// Writes one line to standard error, names byte for byte as the system gave them.
void writeLineToStandardError(const QString &text);
