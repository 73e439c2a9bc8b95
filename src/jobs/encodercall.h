#pragma once

#include "text.h"

// One run of the encoder: <encoder> -y -i <input> <options> <output>. The input and output
// are written as the encoder must be given them (see encoderFileName()).
struct EncoderCall
{
    std::u16string encoder;
    std::u16string input;
    std::u16string output;
    TextList options; // between the input and the output: "-vn -ac 2 -ar 44100 -ab 128k"

    // The encoder's argument list, with the output written to `writtenTo` instead.
    TextList arguments(const std::u16string &writtenTo) const
    {
        TextList list{u"-y", u"-i", input};
        list.insert(list.end(), options.begin(), options.end());
        list.push_back(writtenTo);
        return list;
    }
    TextList arguments() const { return arguments(output); }

    bool operator==(const EncoderCall &) const = default;
};
