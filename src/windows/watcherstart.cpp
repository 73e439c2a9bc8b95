#include "watcherstart.h"

#include "commandline.h"
#include "exitcodes.h"
#include "widetext.h"
#include "windowserror.h"

namespace {

// The program could not be started, for the last Windows error.
Error notStartable(const std::u16string &program)
{
    return {Error::What::EncoderNotStartable, errnoFor(GetLastError()), program};
}

// A program that can be run: a file that is there, not a folder.
Result<void> runnable(const std::u16string &program)
{
    const DWORD attributes = GetFileAttributesW(toWide(program).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return notStartable(program);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Error{Error::What::EncoderNotStartable, errnoFor(ERROR_ACCESS_DENIED), program};
    return {};
}

// orvalen-watch.exe <output> <encoder> <the encoder's arguments but the output>
std::u16string watcherCommandLine(const std::u16string &watcher, const EncoderCall &call)
{
    TextList arguments{watcher, call.output, call.encoder};
    TextList encoderArguments = call.arguments();
    encoderArguments.pop_back();
    arguments.insert(arguments.end(), encoderArguments.begin(), encoderArguments.end());
    return commandLine(arguments);
}

} // namespace

Result<UniqueHandle> startWatcher(const std::u16string &watcher, const EncoderCall &call)
{
    for (const std::u16string &program : {watcher, call.encoder}) {
        if (Result<void> found = runnable(program); !found)
            return found.error();
    }
    std::wstring line = toWide(watcherCommandLine(watcher, call));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(toWide(watcher).c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup,
                        &started))
        return notStartable(watcher);
    CloseHandle(started.hThread);
    return UniqueHandle(started.hProcess);
}

ConversionOutcome outcomeOfWatcher(unsigned long exitCode, bool outputReplaced)
{
    using Kind = ConversionOutcome::Kind;
    const Error toldThere{Error::What::ToldOnItsConsole};
    switch (exitCode) {
    case OutputReplaced:
        return {outputReplaced ? Kind::Succeeded : Kind::Stopped};
    case EncoderFailed:
    case WatcherFailed:
        return {Kind::Failed, toldThere};
    case OutputRefused:
        return {Kind::Refused, toldThere};
    }
    // Ended from outside: its console closed, or the process stopped.
    return {Kind::Stopped};
}
