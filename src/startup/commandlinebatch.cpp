#include "commandlinebatch.h"

#include "getnextarg.h"
#include "jobs/batchoutputs.h"
#include "jobs/conversionjobs.h"
#include "jobs/exitstatus.h"
#include "platform/platform.h"

namespace {

// Only the first 32 names are converted; names that are skipped count among them.
constexpr int NamesLookedAt = 32;

// Removes leading and trailing spaces, and nothing else: a tab belongs to the name.
QString withoutOuterSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text.at(first) == u' ')
        ++first;
    while (end > first && text.at(end - 1) == u' ')
        --end;
    return text.sliced(first, end - first);
}

// One character is not enough for a name, two are.
bool isName(const QString &token)
{
    return withoutOuterSpaces(token).size() >= 2;
}

// The names that come after the ones looked at.
QStringList namesLeftOver(const QString &text, qsizetype position)
{
    QStringList names;
    while (position <= text.size()) {
        const QString token = getnextarg(text, position);
        if (isName(token))
            names.append(token);
    }
    return names;
}

QString leftOverReport(const QStringList &names)
{
    return QStringLiteral("32個を超えるファイルは同時に処理できません。"
                          "次のファイルは変換しませんでした。\n") +
           names.join(u'\n');
}

} // namespace

std::optional<int> convertCommandLineNames(Platform &platform)
{
    const QString text = withoutOuterSpaces(joinArguments(platform.arguments()));
    qsizetype position = 1;
    BatchOutputs batch;
    bool anyName = false;
    for (int pass = 0; pass < NamesLookedAt; ++pass) {
        const QString name = getnextarg(text, position);
        if (!isName(name))
            continue;
        anyName = true;
        const JobResult result = Execute_choosefilename_fixbitrate(platform, name, batch);
        if (result.status == JobResult::Status::ProgramEnded)
            return ExitStatus::UnusableName;
        if (result.status == JobResult::Status::LaunchFailed) {
            reportLaunchFailure(platform, nullptr, result);
            return ExitStatus::LaunchFailed;
        }
    }

    const QStringList leftOver = namesLeftOver(text, position);
    if (batch.hasClashes())
        platform.writeError(batch.clashReport());
    if (!leftOver.isEmpty())
        platform.messageBox(nullptr, leftOverReport(leftOver), MessageStyle::OkError);
    if (batch.hasClashes() || !leftOver.isEmpty())
        return ExitStatus::NotAllConverted;
    if (!anyName)
        return std::nullopt;
    return ExitStatus::Success;
}
