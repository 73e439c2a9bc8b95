#pragma once

#include <QString>

class Platform;

// How a conversion job ended.
struct JobResult
{
    enum Status
    {
        Started,
        LaunchFailed,
        ProgramEnded
    };

    Status status;
    QString failure; // with LaunchFailed: why, naming the encoder's full path
};

// Converts input into the given output with the given channel count and bitrate (kbit/s).
JobResult Execute_givenfilename(Platform &platform, const QString &input, const QString &output,
                                qint16 channels, const QString &bitrate);

// Converts input with the command-line preset into the MP3 beside it. A name shorter than
// 4 characters ends the program instead.
JobResult Execute_choosefilename_fixbitrate(Platform &platform, const QString &input);

// Shows why an encoder could not be started.
void reportLaunchFailure(Platform &platform, const JobResult &result);
