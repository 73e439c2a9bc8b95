#pragma once

#include "encodercall.h"
#include "filenamestyle.h"

// Where the encoder lives: cores/ffmpeg (cores\\ffmpeg.exe) below the program's directory,
// joined to it by plain concatenation, so a directory with a trailing separator gives a
// doubled one.
std::u16string encoderPath(const std::u16string &programDirectory, const FileNameStyle &style);

// The encoder run of one conversion:
// <encoder> -y -i <input> -vn -ac <channels> -ar 44100 -ab <bitrate>k <output>
EncoderCall encoderCall(const std::u16string &encoder, const std::u16string &input,
                        const std::u16string &output, int channels, const std::u16string &bitrate,
                        const FileNameStyle &style);

// A file name as the encoder must be given it. A relative name that the encoder would take
// for an option ("-x.wav") or a protocol ("md5:take1.wav") is written "./name" (".\\name").
std::u16string encoderFileName(const std::u16string &name, const FileNameStyle &style);
