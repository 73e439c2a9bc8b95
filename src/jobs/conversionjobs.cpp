#include "conversionjobs.h"

#include "batchoutputs.h"
#include "encodercommand.h"
#include "outputname.h"

Result<Job> Execute_givenfilename(Platform &platform, const std::u16string &input,
                                  const std::u16string &output, int channels,
                                  const std::u16string &bitrate)
{
    const FileNameStyle &style = platform.fileNameStyle();
    const std::u16string encoder = encoderPath(platform.programDirectory(), style);
    if (Result<void> launched =
            platform.launch(encoderCall(encoder, input, output, channels, bitrate, style));
        !launched)
        return launched.error();
    return Job::Started;
}

Result<Job> convertBesideInput(Platform &platform, const BoxOwner *window,
                               const std::u16string &input, BatchOutputs &batch, int channels,
                               const std::u16string &bitrate)
{
    const std::optional<std::u16string> output = makeoutputfn(platform, window, input);
    if (!output)
        return Job::ProgramEnded;
    if (!batch.take(input, *output))
        return Job::Skipped;
    return Execute_givenfilename(platform, input, *output, channels, bitrate);
}

Result<Job> Execute_choosefilename_fixbitrate(Platform &platform, const std::u16string &input,
                                              BatchOutputs &batch)
{
    return convertBesideInput(platform, nullptr, input, batch, 2, u"128");
}

void reportLaunchFailure(Platform &platform, const BoxOwner *window, const Error &failure)
{
    platform.messageBox(window, errorText(failure), MessageStyle::OkError);
}

BatchAnswer finishBatch(Platform &platform, const BoxOwner *window)
{
    BatchAnswer answer = platform.finishBatch();
    for (const std::u16string &line : answer.problemLines())
        platform.writeError(line);
    if (answer.failure)
        platform.messageBox(window, answer.failureText(), MessageStyle::OkError);
    return answer;
}
