#include "startconversion.h"

#include "form1design.h"

void convertGivenNames(Platform &platform, const BoxOwner *window, const std::u16string &input,
                       const std::u16string &output, int channels, const std::u16string &bitrate)
{
    if (output.empty()) {
        platform.messageBox(window, std::u16string(Form1Design::NoOutputName),
                            MessageStyle::OkError);
        return;
    }
    const Result<Job> job = Execute_givenfilename(platform, input, output, channels, bitrate);
    if (!job)
        reportLaunchFailure(platform, window, job.error());
    finishBatch(platform, window);
}
