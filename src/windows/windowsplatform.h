#pragma once

#include "fileidentity.h"
#include "jobs/platform.h"
#include "uniquehandle.h"

// The program's services on Windows: each conversion runs under a watcher, orvalen-watch.exe,
// in a console window of its own; boxes and the file dialog are Windows' own; reports go to
// standard error where the program has one.
class WindowsPlatform final : public Platform
{
public:
    // With `waits`, a batch ends only when its conversions have.
    WindowsPlatform(TextList arguments, std::u16string programDirectory, bool waits);

    TextList arguments() const override { return givenArguments; }
    std::u16string programDirectory() const override { return directory; }
    const FileNameStyle &fileNameStyle() const override { return WindowsFileNames; }
    Result<void> launch(const EncoderCall &call) override;
    BatchAnswer finishBatch() override;
    MessageAnswer messageBox(const BoxOwner *owner, const std::u16string &text,
                             MessageStyle style) override;
    void tellBatch(const std::u16string &text) override;
    void writeError(const std::u16string &text) override;
    void endProgram(int exitStatus) override;
    std::optional<std::u16string> chooseFileToOpen(const BoxOwner *owner,
                                                   const std::u16string &title,
                                                   const std::u16string &filter) override;

private:
    struct Watched
    {
        EncoderCall call;
        UniqueHandle watcher;
        std::optional<FileIdentity> outputBefore;
    };

    TextList givenArguments;
    std::u16string directory;
    bool waits;
    std::vector<Watched> batch;
};
