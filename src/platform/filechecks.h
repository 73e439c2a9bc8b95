#pragma once

#include <QByteArray>
#include <QString>

// The system's words for an error number.
QString systemReason(int error);

// What the user is told when the encoder cannot be started, and why.
QString encoderStartFailure(const QString &encoder, const QString &reason);

// Why the file cannot be run as a program; empty when it can.
QString whyNotExecutable(const QByteArray &path);
