#include "conversionjobs.h"

#include "encodercommand.h"
#include "outputname.h"
#include "platform/encoderlocation.h"
#include "platform/platform.h"

namespace {

JobResult launch(Platform &platform, const ProcessCommand &command)
{
    const LaunchResult launched = platform.launch(command);
    if (!launched.started())
        return {JobResult::LaunchFailed, launched.failure};
    return {JobResult::Started, {}};
}

} // namespace

JobResult Execute_givenfilename(Platform &platform, const QString &input, const QString &output,
                                qint16 channels, const QString &bitrate)
{
    const QString encoder = encoderPath(platform.programDirectory());
    return launch(platform, windowPresetCommand(encoder, input, output, channels, bitrate));
}

JobResult Execute_choosefilename_fixbitrate(Platform &platform, const QString &input)
{
    const QString encoder = encoderPath(platform.programDirectory());
    const std::optional<QString> output = makeoutputfn(platform, input);
    if (!output)
        return {JobResult::ProgramEnded, {}};
    return launch(platform, fixedPresetCommand(encoder, input, *output));
}

void reportLaunchFailure(Platform &platform, const JobResult &result)
{
    platform.messageBox(result.failure, MessageStyle::OkError);
}
