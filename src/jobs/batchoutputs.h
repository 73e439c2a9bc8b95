#pragma once

#include "text.h"

#include <set>

// The outputs that the conversions of one batch write. Two inputs with one stem
// ("song.m4a", "song.wav") would write one output at once; the later one is left out and
// named in one report after the others have started.
class BatchOutputs
{
public:
    // Whether the output is still free in this batch; if it is, it is taken for the input.
    bool take(const std::u16string &input, const std::u16string &output);

    bool hasClashes() const { return !clashes.empty(); }

    // The inputs left out, each with the output that an earlier input took.
    std::u16string clashReport() const;

private:
    struct Clash
    {
        std::u16string input;
        std::u16string output;
    };

    std::set<std::u16string> taken;
    std::vector<Clash> clashes;
};
