#include "jobs/commandlinebatch.h"
#include "jobs/error.h"
#include "jobs/exitstatus.h"
#include "platform/desktopplatform.h"
#include "platform/programlocation.h"
#include "usage.h"

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    if (argc == 2) {
        if (const std::optional<QByteArrayView> reply = optionReply(argv[1])) {
            std::fwrite(reply->data(), 1, reply->size(), stdout);
            return ExitStatus::Success;
        }
    }
    const bool waits = argc >= 2 && std::strcmp(argv[1], WaitOption) == 0;
    const std::optional<QByteArray> programDirectory = locateProgramDirectory(argv[0]);
    if (!programDirectory) {
        std::fputs("orvalen: プログラムのあるフォルダーがわからないため、"
                   "エンコーダーを見つけられません。\n",
                   stderr);
        return ExitStatus::LaunchFailed;
    }

    QByteArrayList arguments;
    for (int i = waits ? 2 : 1; i < argc; ++i)
        arguments.append(argv[i]);
    DesktopPlatform platform(arguments, *programDirectory, waits);
    if (const std::optional<int> status = convertCommandLineNames(platform))
        return *status;
    // Waiting is for conversions of the command line; without names, there are none.
    if (waits) {
        std::fputs("orvalen: --wait のあとに変換するファイルの名前がありません。\n", stderr);
        return ExitStatus::Success;
    }

    platform.prepareWindows();
    if (const Result<void> showable = platform.canShowWindows(); !showable) {
        platform.writeError(QStringLiteral("orvalen: ") + errorText(showable.error()) +
                            QStringLiteral("\n使い方: orvalen 変換するファイル..."));
        return ExitStatus::NoDisplay;
    }
    return platform.showMainWindow();
}
