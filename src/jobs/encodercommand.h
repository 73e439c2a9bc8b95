#pragma once

#include "platform/processcommand.h"

// The encoder call of a conversion with the channel count and bitrate chosen in the window:
// "<encoder>" -y -i "<input>" -vn -ac  <channels> -ar 44100 -ab <bitrate>k "<output>"
ProcessCommand windowPresetCommand(const QString &encoder, const QString &input,
                                   const QString &output, qint16 channels, const QString &bitrate);

// The encoder call of a command-line conversion: stereo, 44100 Hz, 128 kbit/s.
ProcessCommand fixedPresetCommand(const QString &encoder, const QString &input,
                                  const QString &output);
