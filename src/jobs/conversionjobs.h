#pragma once

#include "platform.h"

class BatchOutputs;

// How a conversion job went when it did not fail: a job that could not be started fails
// with the error the user is to be shown (see reportLaunchFailure).
enum class Job
{
    Started,
    Skipped,     // its output is written by an earlier input of the batch
    ProgramEnded // a name too short to convert; the program ends with exit status 1
};

// Converts input into the given output with the given channel count and bitrate (kbit/s).
Result<Job> Execute_givenfilename(Platform &platform, const std::u16string &input,
                                  const std::u16string &output, int channels,
                                  const std::u16string &bitrate);

// Converts input into the MP3 beside it, unless the batch already writes that MP3. A name
// shorter than 4 characters ends the program instead, after a message over the window.
Result<Job> convertBesideInput(Platform &platform, const BoxOwner *window,
                               const std::u16string &input, BatchOutputs &batch, int channels,
                               const std::u16string &bitrate);

// Converts input with the command-line preset (stereo, 128 kbit/s) into the MP3 beside it.
Result<Job> Execute_choosefilename_fixbitrate(Platform &platform, const std::u16string &input,
                                              BatchOutputs &batch);

// Shows why a conversion could not be started.
void reportLaunchFailure(Platform &platform, const BoxOwner *window, const Error &failure);

// Ends a batch of conversions: waits until the companion has started or refused each one (or,
// when the program waits for its conversions, until each has ended), names on standard error
// each conversion that went wrong, and returns what the companion answered. A companion that
// did not answer for all is told over the window.
BatchAnswer finishBatch(Platform &platform, const BoxOwner *window);
