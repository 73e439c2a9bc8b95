#include "commandlinebatch.h"

#include "getnextarg.h"
#include "jobs/conversionjobs.h"
#include "platform/exitstatus.h"
#include "platform/platform.h"

namespace {

// Only the first 32 names are looked at; names that are skipped count among them.
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

} // namespace

bool convertCommandLineNames(Platform &platform)
{
    const QString text = withoutOuterSpaces(platform.commandLine());
    qsizetype position = 1;
    bool converted = false;
    for (int pass = 0; pass < NamesLookedAt; ++pass) {
        const QString name = getnextarg(text, position);
        if (withoutOuterSpaces(name).size() < 2)
            continue;
        const JobResult result = Execute_choosefilename_fixbitrate(platform, name);
        if (result.status == JobResult::LaunchFailed) {
            reportLaunchFailure(platform, result);
            platform.endProgram(ExitStatus::LaunchFailed);
        }
        if (result.status != JobResult::Started)
            return true;
        converted = true;
    }
    return converted;
}
