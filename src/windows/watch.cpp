// orvalen-watch.exe <output> <encoder> <encoder's arguments...>: runs one encoder on a
// console of its own and puts its output in place (see watchconversion.h). On a failure it
// tells why and, on a console, waits for a key before the console closes.

#include "console.h"
#include "exitcodes.h"
#include "watchconversion.h"
#include "widetext.h"
#include "windowserror.h"

#include <windows.h>

int wmain(int argc, wchar_t *argv[])
{
    if (argc < 3) {
        tell(u"使い方: orvalen-watch.exe <出力ファイル> <エンコーダー> <エンコーダーの引数>...");
        waitForKeyOnConsole();
        return WatcherFailed;
    }
    // Its console is named for the file it writes, among the consoles of a batch, and shows
    // the encoder's messages, which are UTF-8, with Japanese names as they are.
    SetConsoleTitleW((std::wstring(argv[1]) + L" - Orvalen").c_str());
    SetConsoleOutputCP(CP_UTF8);
    const Result<void> watched =
        watchConversion(argv[1], argv[2], std::vector<std::wstring>(argv + 3, argv + argc));
    if (watched)
        return OutputReplaced;
    tell(u"変換できませんでした: " + toText(argv[1]));
    tell(watchErrorText(watched.error()));
    waitForKeyOnConsole();
    return exitCodeFor(watched.error());
}
