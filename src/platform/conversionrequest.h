#pragma once

#include "encodercall.h"

#include <QByteArray>

#include <optional>

// One conversion as the program hands it to its companion: the encoder run, and the
// working directory that its relative names are found in.
struct ConversionRequest
{
    QString workingDirectory;
    EncoderCall call;

    bool operator==(const ConversionRequest &) const = default;
};

// The request as one frame of a byte stream: its length, then its fields.
QByteArray toFrame(const ConversionRequest &request);

// Takes the first whole frame off the front of a stream's bytes. Nothing while the frame
// is incomplete; a frame that does not hold a request is dropped and yields an empty one.
std::optional<ConversionRequest> takeFrame(QByteArray &stream);
