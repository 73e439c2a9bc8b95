#pragma once

#include "encodercall.h"

// Where the encoder lives: cores/ffmpeg below the program's directory, joined to it by plain
// concatenation, so a directory with a trailing separator gives a doubled one.
QString encoderPath(const QString &programDirectory);

// The encoder run of one conversion:
// <encoder> -y -i <input> -vn -ac <channels> -ar 44100 -ab <bitrate>k <output>
EncoderCall encoderCall(const QString &encoder, const QString &input, const QString &output,
                        qint16 channels, const QString &bitrate);

// A file name as the encoder must be given it. A relative name that the encoder would take
// for an option ("-x.wav") or a protocol ("md5:take1.wav") is written "./name".
QString encoderFileName(const QString &name);
