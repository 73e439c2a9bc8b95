#include "conversionjobs.h"

#include "batchoutputs.h"
#include "encodercommand.h"
#include "outputname.h"

JobResult Execute_givenfilename(Platform &platform, const QString &input, const QString &output,
                                qint16 channels, const QString &bitrate)
{
    const QString encoder = encoderPath(platform.programDirectory());
    const Result<void> launched =
        platform.launch(encoderCall(encoder, input, output, channels, bitrate));
    if (!launched)
        return {JobResult::Status::LaunchFailed, launched.error()};
    return {JobResult::Status::Started};
}

JobResult convertBesideInput(Platform &platform, QWidget *window, const QString &input,
                             BatchOutputs &batch, qint16 channels, const QString &bitrate)
{
    const std::optional<QString> output = makeoutputfn(platform, window, input);
    if (!output)
        return {JobResult::Status::ProgramEnded};
    if (!batch.take(input, *output))
        return {JobResult::Status::Skipped};
    return Execute_givenfilename(platform, input, *output, channels, bitrate);
}

JobResult Execute_choosefilename_fixbitrate(Platform &platform, const QString &input,
                                            BatchOutputs &batch)
{
    return convertBesideInput(platform, nullptr, input, batch, 2, QStringLiteral("128"));
}

void reportLaunchFailure(Platform &platform, QWidget *window, const JobResult &result)
{
    platform.messageBox(window, errorText(*result.failure), MessageStyle::OkError);
}

BatchAnswer finishBatch(Platform &platform, QWidget *window)
{
    BatchAnswer answer = platform.finishBatch();
    if (answer.failure)
        platform.messageBox(window, answer.failureText(), MessageStyle::OkError);
    return answer;
}
