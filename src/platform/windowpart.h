#pragma once

#include "jobs/conversionrequest.h"
#include "jobs/platform.h"

#include <functional>


// A batch as its window sees it: the conversions that one request stream asked for, by
// row in the order they were asked for.
class BatchControl
{
public:
    virtual bool isRunning() const = 0;
    virtual void stop() = 0;
    virtual void stop(std::size_t row) = 0;
    // The window is gone; the batch has nothing more to show.
    virtual void windowClosed() = 0;

protected:
    ~BatchControl() = default;
};

// The window of one batch: a row for each conversion and a summary. Closing it while
// conversions run stops them first.
class BatchView
{
public:
    virtual void addConversion(const ConversionRequest &request) = 0;
    // The encoder's progress (0 to 100; nothing while unknown) and its latest lines.
    virtual void showProgress(std::size_t row, std::optional<int> percent,
                              const TextList &lines) = 0;
    // The conversion's encoder runs, or how it ended or why it never started.
    virtual void showState(std::size_t row, const ConversionOutcome &state) = 0;
    // Something the user is told about the whole batch; the window comes to the front.
    virtual void addNote(const std::u16string &text) = 0;
    virtual void showSummary(const std::u16string &summary) = 0;
    // The batch has ended: its window closes, or stays until the user closes it.
    virtual void showEnd(bool keepOpen) = 0;

protected:
    ~BatchView() = default;
};

// The services that need the widget toolkit: message boxes, the file dialog, the main
// window and the batches' windows. They live in a module of their own beside the program, loaded
// only when one of them is due, so that converting from the command line never loads the toolkit's
// graphical libraries, in the program nor in its companion.
class WindowPart
{
public:
    WindowPart() = default;
    WindowPart(const WindowPart &) = delete;
    WindowPart &operator=(const WindowPart &) = delete;
    virtual ~WindowPart() = default;

    // As Platform::messageBox, without writing to standard error. The box closes as Cancel
    // would once `closedBy` becomes readable; -1 for no such descriptor.
    virtual MessageAnswer messageBox(const BoxOwner *owner, const std::u16string &text,
                                     MessageStyle style, int closedBy) = 0;

    // As Platform::chooseFileToOpen.
    virtual std::optional<std::u16string> chooseFileToOpen(const BoxOwner *owner,
                                                           const std::u16string &title,
                                                           const std::u16string &filter) = 0;

    // As Platform::endProgram.
    virtual void endProgram(int exitStatus) = 0;

    // Shows the main window, which works through the platform, and runs until the program
    // ends; returns its exit status. Files given are offered for conversion as a drop of them
    // on the window would be.
    virtual int runMainWindow(Platform &platform, const TextList &offeredFiles) = 0;

    // Has the call made on the main window's thread, from its event loop, while it runs;
    // callable from any thread.
    virtual void callOnWindowThread(std::function<void()> call) = 0;

    // Makes the application object, unless one exists, so that an event loop can run.
    virtual void prepareEventLoop() = 0;

    // Shows a batch in a window of its own, which lives until it calls
    // control.windowClosed().
    virtual BatchView *showBatch(BatchControl &control) = 0;

    // Tells the desktop's notification service, if one runs, that a batch has ended, without
    // waiting: `sent` is called from the event loop once the notice has gone (or could not
    // go), as long as the window part lives.
    virtual void notifyDesktop(const std::u16string &text, std::function<void()> sent) = 0;
};

// The module, beside the program, and the function in it that makes its window part, whose
// application object runs on the given toolkit platform.
inline constexpr char WindowPartModule[] = "/orvalen-window.so";
inline constexpr char MakeWindowPartFunction[] = "orvalenMakeWindowPart";
using MakeWindowPart = WindowPart *(const char *displayPlatform);
