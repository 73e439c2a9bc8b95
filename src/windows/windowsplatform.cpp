#include "windowsplatform.h"

#include "console.h"
#include "dialogs.h"
#include "mainwindow.h"
#include "watcherstart.h"

WindowsPlatform::WindowsPlatform(TextList arguments, std::u16string programDirectory,
                                 bool waitsForConversions)
    : givenArguments(std::move(arguments)), directory(std::move(programDirectory)),
      waits(waitsForConversions)
{
}

Result<void> WindowsPlatform::launch(const EncoderCall &call)
{
    std::optional<FileIdentity> outputBefore = identityOf(call.output);
    Result<UniqueHandle> watcher = startWatcher(directory + u"\\orvalen-watch.exe", call);
    if (!watcher)
        return watcher.error();
    batch.push_back({call, std::move(*watcher), outputBefore});
    return {};
}

// Waiting blocks no window: only the command line waits, and it has none.
BatchAnswer WindowsPlatform::finishBatch()
{
    BatchAnswer answer;
    for (const Watched &watched : batch) {
        ConversionOutcome outcome{ConversionOutcome::Kind::Started};
        DWORD exitCode = 0;
        if (waits && WaitForSingleObject(watched.watcher.get(), INFINITE) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(watched.watcher.get(), &exitCode))
            outcome =
                outcomeOfWatcher(exitCode, identityOf(watched.call.output) != watched.outputBefore);
        answer.conversions.push_back({watched.call, outcome});
    }
    batch.clear();
    return answer;
}

// Started from a console or a script, the command line tells its standard error rather than
// stop in a box that nobody may see.
MessageAnswer WindowsPlatform::messageBox(const BoxOwner *owner, const std::u16string &text,
                                          MessageStyle style)
{
    writeError(text);
    if (!owner && hasStandardStream(STD_ERROR_HANDLE))
        return MessageAnswer::Ok;
    return showMessageBox(windowOf(owner), text, style);
}

// A batch has no window of its own here: the user is told in a box.
void WindowsPlatform::tellBatch(const std::u16string &text)
{
    messageBox(nullptr, text, MessageStyle::Ok);
}

void WindowsPlatform::writeError(const std::u16string &text)
{
    tell(text);
}

void WindowsPlatform::endProgram(int exitStatus)
{
    for (const std::u16string &line : finishBatch().problemLines())
        writeError(line);
    endMainWindow(exitStatus);
}

std::optional<std::u16string> WindowsPlatform::chooseFileToOpen(const BoxOwner *owner,
                                                                const std::u16string &title,
                                                                const std::u16string &filter)
{
    return chooseFile(windowOf(owner), title, filter);
}
