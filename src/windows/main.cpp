// orvalen.exe: converts the files named on its command line with the fixed preset, or shows
// the main window. Each conversion runs under orvalen-watch.exe in a console of its own.

#include "argumenttext.h"
#include "console.h"
#include "dialogs.h"
#include "jobs/commandlinebatch.h"
#include "jobs/exitstatus.h"
#include "mainwindow.h"
#include "programfolder.h"
#include "startoptions.h"
#include "widetext.h"
#include "windowsplatform.h"

namespace {

// Started from the desktop, the program has no standard streams: the answer is shown in a
// box instead.
int answer(const StartAnswer &answer)
{
    const DWORD stream = answer.exitStatus == 0 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    if (!hasStandardStream(stream))
        showMessageBox(nullptr, answer.text,
                       answer.exitStatus == 0 ? MessageStyle::Ok : MessageStyle::OkError);
    else if (answer.exitStatus == 0)
        print(answer.text);
    else
        tell(answer.text);
    return answer.exitStatus;
}

int start(const StartRequest &request)
{
    const std::optional<std::u16string> folder = programFolder();
    if (!folder) {
        return answer({ExitStatus::LaunchFailed,
                       u"orvalen: プログラムのあるフォルダーがわからないため、"
                       u"エンコーダーを見つけられません。"});
    }
    WindowsPlatform platform(request.names, *folder, request.waits);
    if (request.asks)
        return showMainWindow(platform, request.names);
    if (const std::optional<int> status = convertCommandLineNames(platform))
        return *status;
    // Waiting is for conversions of the command line; without names, there are none.
    if (request.waits) {
        return answer(
            {ExitStatus::NoNames, u"orvalen: --wait のあとに変換するファイルの名前がありません。"});
    }
    return showMainWindow(platform, {});
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const std::variant<StartRequest, StartAnswer> options =
        readStartOptions(argumentText(toText(GetCommandLineW())));
    if (const auto *early = std::get_if<StartAnswer>(&options))
        return answer(*early);
    return start(std::get<StartRequest>(options));
}
