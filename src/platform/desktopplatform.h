#pragma once

#include "jobs/windowpart.h"

#include <future>
#include <memory>
#include <mutex>

class CompanionLink;
class QObject;

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
    DesktopPlatform(const QByteArrayList &arguments, const QByteArray &programDirectory,
                    bool waitForConversions = false);
    ~DesktopPlatform() override;

    QStringList arguments() const override;
    QString programDirectory() const override;
    Result<void> launch(const EncoderCall &call) override;
    BatchAnswer finishBatch() override;
    MessageAnswer messageBox(QWidget *parent, const QString &text, MessageStyle style) override;
    void tellBatch(const QString &text) override;
    void writeError(const QString &text) override;
    void endProgram(int exitStatus) override;
    std::optional<QString> chooseFileToOpen(QWidget *parent, const QString &title,
                                            const QString &filter) override;

    // Whether there is a display that windows and message boxes can be shown on, or what is
    // missing.
    Result<void> canShowWindows();

    // Gets ready for the main window: tries the display on another thread while the window
    // part's module loads on this one.
    void prepareWindows();

    // Shows the main window until the program ends; returns the exit status. Files given
    // are offered for conversion as a drop of them on the window would be. Its batches are
    // handed over and followed aside: a companion that fails them is told in a box.
    int showMainWindow(const QStringList &offeredFiles);

private:
    // Where the threads that follow the window's batches tell what went wrong: the main
    // window's thread, while its event loop runs.
    struct FailureMailbox
    {
        std::mutex mutex;
        QObject *receiver = nullptr;
    };

    // On the command line, with standard error on a terminal: the user reads it there, and
    // no box waits for OK.
    bool tellsOnTerminal() const;
    void tellAside(const BatchAnswer &answer);
    void stop();
    void startDisplayTrial();
    const Result<QString> &displayTrial();
    std::optional<QString> displayPlatform();
    bool loadWindowPartModule();
    WindowPart *windowPart();

    QStringList userArguments;
    QString directory;
    bool waits;
    std::shared_future<Result<QString>> foundDisplay;
    MakeWindowPart *makeWindowPart = nullptr;
    bool moduleFailed = false;
    std::unique_ptr<WindowPart> part;
    std::unique_ptr<CompanionLink> companion;
    // With --wait: a stop signal came while a box showed.
    bool stopped = false;
    bool windowShown = false;
    std::shared_ptr<FailureMailbox> failures = std::make_shared<FailureMailbox>();
};
