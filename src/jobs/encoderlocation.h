#pragma once

#include <QString>

// Where the encoder lives below the program's directory ("/cores/ffmpeg" here; the build
// sets it for the system it targets). The directory is joined to it by plain
// concatenation, so a directory with a trailing separator gives a doubled one.
inline QString encoderPath(const QString &programDirectory)
{
    return programDirectory + QStringLiteral(ORVALEN_ENCODER_BELOW_PROGRAM);
}
