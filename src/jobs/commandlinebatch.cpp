#include "commandlinebatch.h"

#include "batchoutputs.h"
#include "conversionjobs.h"
#include "exitstatus.h"
#include "getnextarg.h"
#include "platform.h"

namespace {

// Only the first 32 names are converted; names that are skipped count among them.
constexpr int NamesLookedAt = 32;

// Removes leading and trailing spaces, and nothing else: a tab belongs to the name.
std::u16string withoutOuterSpaces(const std::u16string &text)
{
    const std::size_t first = text.find_first_not_of(u' ');
    if (first == text.npos)
        return {};
    return text.substr(first, text.find_last_not_of(u' ') + 1 - first);
}

// One character is not enough for a name, two are.
bool isName(const std::u16string &token)
{
    return withoutOuterSpaces(token).size() >= 2;
}

// The names that come after the ones looked at.
TextList namesLeftOver(const std::u16string &text, std::size_t position)
{
    TextList names;
    while (position <= text.size()) {
        std::u16string token = getnextarg(text, position);
        if (isName(token))
            names.push_back(std::move(token));
    }
    return names;
}

std::u16string leftOverReport(const TextList &names)
{
    return u"32個を超えるファイルは同時に処理できません。次のファイルは変換しませんでした。\n" +
           joined(names, u"\n");
}

// Why the batch stopped at a name, and the names that were not converted for it.
std::u16string launchFailureReport(const Error &failure, const TextList &notConverted)
{
    return errorText(failure) + u"\n次のファイルは変換しませんでした。\n" +
           joined(notConverted, u"\n");
}

} // namespace

std::optional<int> convertCommandLineNames(Platform &platform)
{
    const std::u16string text = withoutOuterSpaces(joinArguments(platform.arguments()));
    std::size_t position = 1;
    BatchOutputs batch;
    bool anyName = false;
    for (int pass = 0; pass < NamesLookedAt; ++pass) {
        const std::u16string name = getnextarg(text, position);
        if (!isName(name))
            continue;
        anyName = true;
        const Result<Job> job = Execute_choosefilename_fixbitrate(platform, name, batch);
        // The program's end has waited for the conversions handed over before.
        if (job && *job == Job::ProgramEnded)
            return ExitStatus::UnusableName;
        if (!job) {
            TextList notConverted = namesLeftOver(text, position);
            notConverted.insert(notConverted.begin(), name);
            platform.messageBox(nullptr, launchFailureReport(job.error(), notConverted),
                                MessageStyle::OkError);
            // A batch that ends early still ends once the conversions handed over have started.
            finishBatch(platform, nullptr);
            return ExitStatus::LaunchFailed;
        }
    }
    if (!anyName)
        return std::nullopt;
    // What was not converted is told while the batch's window can still show it.
    const TextList leftOver = namesLeftOver(text, position);
    if (batch.hasClashes())
        platform.tellBatch(batch.clashReport());
    if (!leftOver.empty())
        platform.tellBatch(leftOverReport(leftOver));
    const int answered = finishBatch(platform, nullptr).exitStatus();
    if (answered == ExitStatus::Success && (batch.hasClashes() || !leftOver.empty()))
        return ExitStatus::NotAllConverted;
    return answered;
}
