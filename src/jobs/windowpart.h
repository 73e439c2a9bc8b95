#pragma once

#include "conversionrequest.h"
#include "platform.h"

// A conversion as its window sees it.
class ConversionControl
{
public:
    virtual bool isRunning() const = 0;
    virtual void stop() = 0;
    // The window is gone; the conversion has nothing more to show.
    virtual void windowClosed() = 0;

protected:
    ~ConversionControl() = default;
};

// The window of one conversion. It closes itself after a success, and when the user closes
// it; closing it while the encoder runs stops the conversion first.
class ConversionView
{
public:
    // The encoder's progress (0 to 100; nothing while unknown) and its latest lines.
    virtual void showProgress(std::optional<int> percent, const QStringList &lines) = 0;
    virtual void showEnd(const ConversionOutcome &outcome) = 0;

protected:
    ~ConversionView() = default;
};

// The services that need the widget toolkit: message boxes, the file dialog, the main
// window and the conversion windows. They live in a module of their own beside the program, loaded
// only when one of them is due, so that converting from the command line never loads the toolkit's
// graphical libraries, in the program nor in its companion.
class WindowPart
{
public:
    WindowPart() = default;
    WindowPart(const WindowPart &) = delete;
    WindowPart &operator=(const WindowPart &) = delete;
    virtual ~WindowPart() = default;

    // As Platform::messageBox, without writing to standard error.
    virtual MessageAnswer messageBox(QWidget *parent, const QString &text, MessageStyle style) = 0;

    // As Platform::chooseFileToOpen.
    virtual std::optional<QString> chooseFileToOpen(QWidget *parent, const QString &title,
                                                    const QString &filter) = 0;

    // As Platform::endProgram.
    virtual void endProgram(int exitStatus) = 0;

    // Shows the main window, which works through the platform, and runs until the program
    // ends; returns its exit status. Files given are offered for conversion as a drop of them
    // on the window would be.
    virtual int runMainWindow(Platform &platform, const QStringList &offeredFiles) = 0;

    // Makes the application object, unless one exists, so that an event loop can run.
    virtual void prepareEventLoop() = 0;

    // Shows a conversion in a window of its own, which lives until it calls
    // control.windowClosed().
    virtual ConversionView *showConversion(const ConversionRequest &request,
                                           ConversionControl &control) = 0;
};

// The module, beside the program, and the function in it that makes its window part, whose
// application object runs on the given toolkit platform.
inline constexpr char WindowPartModule[] = "/orvalen-window.so";
inline constexpr char MakeWindowPartFunction[] = "orvalenMakeWindowPart";
using MakeWindowPart = WindowPart *(const char *displayPlatform);
