#pragma once

#include "windowpart.h"

#include <future>
#include <memory>
#include <mutex>

class CompanionLink;

// The platform services of a Linux desktop. The toolkit's graphical part is loaded only when
// a window or a message box is really shown, so the command-line road runs without a display
// and without loading it.
class DesktopPlatform final : public Platform
{
public:
    // Takes the user's arguments (after the program's name and its options) and the
    // program's directory. With `waitForConversions`, a batch ends only once its conversions
    // have, and SIGINT, SIGTERM and SIGHUP stop them instead of ending the program: make it
    // before any thread starts, which would otherwise take those signals.
    DesktopPlatform(const std::vector<std::string> &arguments, std::string programDirectory,
                    bool waitForConversions = false);
    ~DesktopPlatform() override;

    TextList arguments() const override;
    std::u16string programDirectory() const override;
    const FileNameStyle &fileNameStyle() const override { return PosixFileNames; }
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

    // Whether there is a display that windows and message boxes can be shown on, or what is
    // missing.
    Result<void> canShowWindows();

    // Gets ready for the main window: tries the display on another thread while the window
    // part's module loads on this one.
    void prepareWindows();

    // Shows the main window until the program ends; returns the exit status. Files given
    // are offered for conversion as a drop of them on the window would be. Its batches are
    // handed over and followed aside: a companion that fails them is told in a box.
    int showMainWindow(const TextList &offeredFiles);

private:
    // Where the threads that follow the window's batches tell what went wrong: the main
    // window's thread, while its event loop runs.
    struct FailureMailbox
    {
        std::mutex mutex;
        WindowPart *window = nullptr;
    };

    // On the command line, with standard error on a terminal: the user reads it there, and
    // no box waits for OK.
    bool tellsOnTerminal() const;
    void tellAside(const BatchAnswer &answer);
    void stop();
    void startDisplayTrial();
    const Result<std::string> &displayTrial();
    std::optional<std::string> displayPlatform();
    bool loadWindowPartModule();
    WindowPart *windowPart();

    TextList userArguments;
    std::string directory;
    bool waits;
    std::shared_future<Result<std::string>> foundDisplay;
    MakeWindowPart *makeWindowPart = nullptr;
    bool moduleFailed = false;
    std::unique_ptr<WindowPart> part;
    std::unique_ptr<CompanionLink> companion;
    // With --wait: a stop signal came while a box showed.
    bool stopped = false;
    bool windowShown = false;
    std::shared_ptr<FailureMailbox> failures = std::make_shared<FailureMailbox>();
};
