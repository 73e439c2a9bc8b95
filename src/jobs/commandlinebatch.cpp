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

// Why the batch stopped at a name, and the names that were not converted for it.
QString launchFailureReport(const Error &failure, const QStringList &notConverted)
{
    return errorText(failure) + QStringLiteral("\n次のファイルは変換しませんでした。\n") +
           notConverted.join(u'\n');
}

// Names each conversion that was not started, or did not succeed, on standard error, and
// gives the exit status that the companion's answer calls for: the gravest of its outcomes.
int reportAnswer(Platform &platform, const BatchAnswer &answer)
{
    for (const QString &line : answer.problemLines())
        platform.writeError(line);
    using Kind = ConversionOutcome::Kind;
    bool notStarted = false;
    bool failed = false;
    bool refused = false;
    for (const BatchAnswer::Conversion &conversion : answer.conversions) {
        const ConversionOutcome &outcome = conversion.outcome;
        notStarted |= outcome.encoderNotStartable();
        failed |= outcome.kind == Kind::Failed || outcome.kind == Kind::Stopped;
        refused |= outcome.kind == Kind::Refused;
    }
    if (answer.failure || notStarted)
        return ExitStatus::LaunchFailed;
    if (failed)
        return ExitStatus::ConversionFailed;
    return refused ? ExitStatus::NotAllConverted : ExitStatus::Success;
}

} // namespace

std::optional<int> convertCommandLineNames(Platform &platform)
{
    const QString text = withoutOuterSpaces(joinArguments(platform.arguments()));
    qsizetype position = 1;
    BatchOutputs batch;
    bool anyName = false;
    bool launchFailed = false;
    for (int pass = 0; pass < NamesLookedAt && !launchFailed; ++pass) {
        const QString name = getnextarg(text, position);
        if (!isName(name))
            continue;
        anyName = true;
        const JobResult result = Execute_choosefilename_fixbitrate(platform, name, batch);
        // The program's end has waited for the conversions handed over before.
        if (result.status == JobResult::Status::ProgramEnded)
            return ExitStatus::UnusableName;
        if (result.status == JobResult::Status::LaunchFailed) {
            const QStringList notConverted = QStringList{name} + namesLeftOver(text, position);
            platform.messageBox(nullptr, launchFailureReport(*result.failure, notConverted),
                                MessageStyle::OkError);
            launchFailed = true;
        }
    }
    // A batch that ends early still ends once the conversions handed over have started.
    if (launchFailed) {
        reportAnswer(platform, finishBatch(platform, nullptr));
        return ExitStatus::LaunchFailed;
    }
    if (!anyName)
        return std::nullopt;
    // What was not converted is told while the batch's window can still show it.
    const QStringList leftOver = namesLeftOver(text, position);
    if (batch.hasClashes())
        platform.tellBatch(batch.clashReport());
    if (!leftOver.isEmpty())
        platform.tellBatch(leftOverReport(leftOver));
    const int answered = reportAnswer(platform, finishBatch(platform, nullptr));
    if (answered == ExitStatus::Success && (batch.hasClashes() || !leftOver.isEmpty()))
        return ExitStatus::NotAllConverted;
    return answered;
}
