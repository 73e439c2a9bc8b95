#pragma once

#include "processcommand.h"

#include <QString>

#include <optional>

// Message box styles and answers, with the numbers the rest of the program uses.
namespace MessageStyle {
inline constexpr int Ok = 0;
inline constexpr int OkError = 16;
inline constexpr int OkCancelQuestion = 33;
} // namespace MessageStyle

namespace MessageAnswer {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
} // namespace MessageAnswer

// Why a process could not be started; empty when it was.
struct LaunchResult
{
    QString failure;

    bool started() const { return failure.isEmpty(); }
};

// The desktop services that the program needs. The desktop implementation talks to the
// operating system and the toolkit; tests use a fake that records and answers as scripted.
class Platform
{
public:
    Platform() = default;
    Platform(const Platform &) = delete;
    Platform &operator=(const Platform &) = delete;
    virtual ~Platform() = default;

    // The arguments after the program's own name, as one text that getnextarg can cut.
    virtual QString commandLine() const = 0;

    // The directory that holds the running program, without a trailing separator.
    virtual QString programDirectory() const = 0;

    // Starts the process without waiting for it.
    virtual LaunchResult launch(const ProcessCommand &command) = 0;

    // Shows a modal message box with the given style and returns the button pressed.
    virtual int messageBox(const QString &text, int style) = 0;

    // Ends the program at once with the given exit status. Only a fake returns from it.
    virtual void endProgram(int exitStatus) = 0;

    // Asks the user for one file to open; nothing when the user cancels.
    virtual std::optional<QString> chooseFileToOpen(const QString &title,
                                                    const QString &filter) = 0;
};
