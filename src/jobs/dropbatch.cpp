#include "dropbatch.h"

#include "batchoutputs.h"

namespace {

constexpr std::size_t MostFilesPerDrop = 31;

} // namespace

void convertDroppedFiles(Platform &platform, const BoxOwner *window, const TextList &files,
                         const DroppedFileJob &Execute_choosefilename)
{
    if (files.size() > MostFilesPerDrop) {
        platform.messageBox(window, u"32個以上のファイルは同時に処理できません",
                            MessageStyle::OkError);
        return;
    }

    std::u16string listing;
    for (const std::u16string &file : files)
        listing += file + u"\r\n";
    const MessageAnswer answer = platform.messageBox(
        window, listing + u"以上のファイルを変換開始しますか？", MessageStyle::OkCancelQuestion);
    if (answer != MessageAnswer::Ok)
        return;

    BatchOutputs batch;
    bool launchFailed = false;
    for (const std::u16string &file : files) {
        const Result<Job> job = Execute_choosefilename(file, batch);
        if (job && *job == Job::ProgramEnded)
            return;
        if (!job) {
            reportLaunchFailure(platform, window, job.error());
            launchFailed = true;
            break;
        }
    }
    if (!launchFailed && batch.hasClashes())
        platform.tellBatch(batch.clashReport());
    // Ends the batch: what was refused is told where the desktop tells it.
    finishBatch(platform, window);
}
