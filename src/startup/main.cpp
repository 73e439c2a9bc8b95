#include "jobs/commandlinebatch.h"
#include "jobs/error.h"
#include "jobs/exitstatus.h"
#include "platform/desktopplatform.h"
#include "platform/programlocation.h"
#include "usage.h"

#include <cstdio>
#include <cstring>

namespace {

// The argument after the last one is a null pointer.
bool isOption(const char *argument, const char *option)
{
    return argument && std::strcmp(argument, option) == 0;
}

bool isKnownOption(const char *argument)
{
    for (const char *option : {WaitOption, AskOption, "--help", "--version"}) {
        if (isOption(argument, option))
            return true;
    }
    return false;
}

// Refuses the first argument from `firstName` on that starts with "--": a mistyped or
// misplaced option would otherwise be taken for a file. A file of such a name is reached as
// "./--name".
std::optional<int> refuseStrayOption(int argc, char *argv[], int firstName)
{
    for (int i = firstName; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) != 0)
            continue;
        std::fprintf(stderr, "orvalen: %s: %s\n",
                     isKnownOption(argv[i]) ? "ここでは使えないオプションです"
                                            : "知らないオプションです",
                     argv[i]);
        const QByteArrayView usage = *optionReply("--help");
        std::fwrite(usage.data(), 1, usage.size(), stderr);
        return ExitStatus::UnknownOption;
    }
    return std::nullopt;
}

// Shows the main window, which first offers the given files for conversion.
int showMainWindow(DesktopPlatform &platform, const QStringList &offeredFiles)
{
    platform.prepareWindows();
    if (const Result<void> showable = platform.canShowWindows(); !showable) {
        platform.writeError(QStringLiteral("orvalen: ") + errorText(showable.error()) +
                            QStringLiteral("\n使い方: orvalen 変換するファイル..."));
        return ExitStatus::NoDisplay;
    }
    return platform.showMainWindow(offeredFiles);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2) {
        if (const std::optional<QByteArrayView> reply = optionReply(argv[1])) {
            std::fwrite(reply->data(), 1, reply->size(), stdout);
            return ExitStatus::Success;
        }
    }
    const bool waits = isOption(argv[1], WaitOption);
    const bool asks = isOption(argv[1], AskOption);
    // --wait waits for the command line's conversions; --ask leaves the files to the window.
    if ((waits || asks) && argc >= 3 && isOption(argv[2], waits ? AskOption : WaitOption)) {
        std::fputs("orvalen: --ask と --wait は一緒に使えません。\n", stderr);
        return ExitStatus::ClashingOptions;
    }
    const int firstName = (waits || asks) ? 2 : 1;
    if (const std::optional<int> refused = refuseStrayOption(argc, argv, firstName))
        return *refused;
    const Result<QByteArray> programDirectory = locateProgramDirectory();
    if (!programDirectory) {
        std::fputs("orvalen: プログラムのあるフォルダーがわからないため、"
                   "エンコーダーを見つけられません。\n",
                   stderr);
        return ExitStatus::LaunchFailed;
    }

    QByteArrayList arguments;
    for (int i = firstName; i < argc; ++i)
        arguments.append(argv[i]);
    DesktopPlatform platform(arguments, *programDirectory, waits);
    if (asks)
        return showMainWindow(platform, platform.arguments());
    if (const std::optional<int> status = convertCommandLineNames(platform))
        return *status;
    // Waiting is for conversions of the command line; without names, there are none.
    if (waits) {
        std::fputs("orvalen: --wait のあとに変換するファイルの名前がありません。\n", stderr);
        return ExitStatus::NoNames;
    }
    return showMainWindow(platform, {});
}
