#pragma once

#include "platform.h"

// The services that need the widget toolkit: message boxes, the file dialog and the main
// window. They live in a module of their own beside the program, loaded only when one of
// them is due, so that converting from the command line never loads the toolkit's
// graphical libraries.
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
    // ends; returns its exit status.
    virtual int runMainWindow(Platform &platform) = 0;
};

// The module, beside the program, and the function in it that makes its window part, whose
// application object runs on the given toolkit platform.
inline constexpr char WindowPartModule[] = "/orvalen-window.so";
inline constexpr char MakeWindowPartFunction[] = "orvalenMakeWindowPart";
using MakeWindowPart = WindowPart *(const char *displayPlatform);
