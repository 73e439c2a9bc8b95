#pragma once

#include <QString>

// Where the encoder lives below the program's directory. The directory is joined to it by
// plain concatenation, so a directory with a trailing separator gives a doubled one.
inline QString encoderPath(const QString &programDirectory)
{
#ifdef Q_OS_WIN
    return programDirectory + QStringLiteral("\\cores\\ffmpeg.exe");
#else
    return programDirectory + QStringLiteral("/cores/ffmpeg");
#endif
}
