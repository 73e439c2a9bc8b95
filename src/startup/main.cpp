#include "jobs/exitstatus.h"
#include "platform/desktopplatform.h"
#include "platform/programlocation.h"
#include "startup/commandlinebatch.h"
#include "startup/usage.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc == 2) {
        if (const std::optional<QByteArrayView> reply = optionReply(argv[1])) {
            std::fwrite(reply->data(), 1, reply->size(), stdout);
            return ExitStatus::Success;
        }
    }
    const std::optional<QByteArray> programDirectory = locateProgramDirectory(argv[0]);
    if (!programDirectory) {
        std::fputs("orvalen: プログラムのあるフォルダーがわからないため、"
                   "エンコーダーを見つけられません。\n",
                   stderr);
        return ExitStatus::LaunchFailed;
    }

    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(argv[i]);
    DesktopPlatform platform(arguments, *programDirectory);
    if (const std::optional<int> status = convertCommandLineNames(platform))
        return *status;

    platform.prepareWindows();
    if (!platform.canShowWindows()) {
        std::fputs("orvalen: ウィンドウを表示できません（ディスプレイがありません）。\n"
                   "使い方: orvalen 変換するファイル...\n",
                   stderr);
        return ExitStatus::NoDisplay;
    }
    return platform.showMainWindow();
}
