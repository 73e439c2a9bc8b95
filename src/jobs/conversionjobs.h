#pragma once

#include "platform.h"

class BatchOutputs;
class QWidget;

// How a conversion job ended.
struct JobResult
{
    enum class Status
    {
        Started,
        Skipped,      // its output is written by an earlier input of the batch
        LaunchFailed, // the user has not been told yet: see reportLaunchFailure
        ProgramEnded  // a name too short to convert; the program ends with exit status 1
    };

    Status status;
    std::optional<Error> failure = {}; // with LaunchFailed: why
};

// Converts input into the given output with the given channel count and bitrate (kbit/s).
JobResult Execute_givenfilename(Platform &platform, const QString &input, const QString &output,
                                qint16 channels, const QString &bitrate);

// Converts input into the MP3 beside it, unless the batch already writes that MP3. A name
// shorter than 4 characters ends the program instead, after a message over the window.
JobResult convertBesideInput(Platform &platform, QWidget *window, const QString &input,
                             BatchOutputs &batch, qint16 channels, const QString &bitrate);

// Converts input with the command-line preset (stereo, 128 kbit/s) into the MP3 beside it.
JobResult Execute_choosefilename_fixbitrate(Platform &platform, const QString &input,
                                            BatchOutputs &batch);

// Shows why a conversion could not be started.
void reportLaunchFailure(Platform &platform, QWidget *window, const JobResult &result);

// Ends a batch of conversions: waits until the companion has started or refused each one (or,
// when the program waits for its conversions, until each has ended), and returns what it
// answered. A companion that did not answer for all is told over the window.
BatchAnswer finishBatch(Platform &platform, QWidget *window);
