#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes to the system and characters to the program. Bytes that are not
// UTF-8 become the lone surrogates U+DC80 to U+DCFF, one per byte, and are written back
// unchanged, so every name makes the round trip exactly.
QString fileNameFromBytes(QByteArrayView bytes);
QByteArray fileNameToBytes(QStringView name);
