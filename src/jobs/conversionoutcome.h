#pragma once

#include "encodercall.h"
#include "error.h"

#include <cstdint>

// How a conversion that was handed to the companion has gone so far.
struct ConversionOutcome
{
    enum class Kind : std::uint8_t
    {
        Started,   // the encoder runs
        Refused,   // the encoder was never started
        Succeeded, // the output is written, whole
        Failed,    // the encoder ended with an error, or its output could not be put in place
        Stopped    // the user stopped it; nothing was written
    };

    Kind kind;
    std::optional<Error> error = {}; // Refused: why; Failed: how the encoder ended, or what failed
    std::u16string lastMessage = {}; // Failed: the encoder's last message, its reason as a rule

    bool hasEnded() const { return kind != Kind::Started; }

    // Whether it ended otherwise than with its output written: refused, failed or stopped.
    bool wentWrong() const { return kind != Kind::Started && kind != Kind::Succeeded; }

    // Refused because the encoder could not be run: the same failure as an encoder found
    // missing before the companion was involved.
    bool encoderNotStartable() const
    {
        return kind == Kind::Refused && error && error->what == Error::What::EncoderNotStartable;
    }

    // What the user is told, in one or two lines.
    std::u16string text() const;

    bool operator==(const ConversionOutcome &) const = default;
};

// The outcome as one line of standard error: "orvalen: <input> → <output>: <text>".
std::u16string outcomeLine(const EncoderCall &call, const ConversionOutcome &outcome);

// What the companion answered for the conversions of one batch.
struct BatchAnswer
{
    struct Conversion
    {
        EncoderCall call;
        ConversionOutcome outcome;
    };

    // Those it answered for, in the order they were handed over.
    std::vector<Conversion> conversions;
    // Why it did not answer for the others, when it did not; and their inputs.
    std::optional<Error> failure;
    TextList unanswered;

    // One line for each conversion that was refused, failed or was stopped.
    TextList problemLines() const;

    // What the user is told of the failure, naming the inputs whose fate is unknown.
    std::u16string failureText() const;

    // The program's exit status for the batch: that of its gravest outcome.
    int exitStatus() const;
};
