#pragma once

#include "conversionoutcome.h"
#include "encodercall.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

// The messages between the program and its companion, over one stream per batch. The
// program says its protocol version first, then sends one request per conversion, notes for
// the batch's window, and may ask for its conversions to stop; the companion answers each
// request once its encoder has started or it was refused (the encoders start side by side,
// so answers may come in another order than the requests), and again when it has ended if
// the request asked for that. Either side skips frames of a type it does not know, which a
// later version may send.

// This version of the messages. Version 1 had no Hello: a stream that starts without one
// comes from a program of that version, and is served all the same.
constexpr std::uint32_t ProtocolVersion = 2;

// One conversion as the program hands it to its companion: the encoder run, and the
// working directory that its relative names are found in.
struct ConversionRequest
{
    std::u16string workingDirectory;
    EncoderCall call;
    // The program waits for the conversion's end and reports it itself.
    bool waited = false;

    bool operator==(const ConversionRequest &) const = default;
};

// Whether the request names an encoder and an output, and an absolute working directory: a
// stream that holds one that no program of ours would send is closed, and shows nothing.
bool isWellFormed(const ConversionRequest &request);

// Stop every conversion that this stream asked for.
struct StopRequest
{
    bool operator==(const StopRequest &) const = default;
};

// Something the user is told about the batch, in its window: names it did not convert.
struct BatchNote
{
    std::u16string text;

    bool operator==(const BatchNote &) const = default;
};

// The first message on a stream: the program's protocol version.
struct Hello
{
    std::uint32_t version = ProtocolVersion;

    bool operator==(const Hello &) const = default;
};

using ProgramMessage = std::variant<ConversionRequest, StopRequest, BatchNote, Hello>;

// The companion's answer about the request with that number (from 0, in the stream's order).
struct ConversionReport
{
    std::uint32_t request;
    ConversionOutcome outcome;

    bool operator==(const ConversionReport &) const = default;
};

// A message as one frame of a byte stream (held in a std::string): its length, then its
// fields, in big-endian order; texts as their length in bytes and their UTF-16 units. No message of
// ours comes near the limit; a stream that announces a longer frame is not read further.
constexpr std::size_t MaximumFrameSize = 1024 * 1024;

std::string toFrame(const ProgramMessage &message);
std::string toFrame(const ConversionReport &report);

// Takes the first whole message off the front of a stream's bytes, skipping the frames of
// unknown types before it. Nothing while its frame is incomplete. A frame of a known type
// that does not hold its message is dropped and yields an empty request, which is not well
// formed.
std::optional<ProgramMessage> takeProgramMessage(std::string &stream);

// As takeProgramMessage, for the companion's answers; a frame of a known type that does not
// hold one yields a report on no request the program made.
std::optional<ConversionReport> takeReport(std::string &stream);
