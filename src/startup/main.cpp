#include "platform/desktopplatform.h"
#include "platform/exitstatus.h"
#include "startup/commandlinebatch.h"
#include "window/form1.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    DesktopPlatform platform(argc, argv);
    if (convertCommandLineNames(platform))
        return ExitStatus::Success;

    if (!platform.canShowWindows()) {
        std::fputs("Orvalen: ウィンドウを表示できません（ディスプレイがありません）。\n"
                   "使い方: orvalen 変換するファイル...\n",
                   stderr);
        return ExitStatus::NoDisplay;
    }
    platform.application();
    Form1 window(platform);
    window.showCentered();
    return QApplication::exec();
}
