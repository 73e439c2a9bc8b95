#pragma once

#include <QByteArray>
#include <QString>

// The system's words for an error number.
QString systemReason(int error);

// What the user is told when the encoder cannot be started, and why.
QString encoderStartFailure(const QString &encoder, const QString &reason);

// Why the file cannot be run as a program; empty when it can.
QString whyNotExecutable(const QByteArray &path);

// Whether both names, resolved against the working directory, are one existing file (the
// same device and inode): a hard link, or one name in two cases on a case-blind disk.
bool areOneExistingFile(const QByteArray &workingDirectory, const QByteArray &first,
                        const QByteArray &second);
