#pragma once

#include "conversionoutcome.h"
#include "filenamestyle.h"

#include <optional>

enum class MessageStyle
{
    Ok,              // an OK button
    OkError,         // an OK button and the error icon
    OkCancelQuestion // OK and Cancel buttons and the question icon
};

enum class MessageAnswer
{
    Ok,
    Cancel
};

// A window of the program that message boxes and dialogs are shown over: the main window.
// The toolkit's window implements it; the rules only pass it on.
class BoxOwner
{
public:
    virtual ~BoxOwner() = default;
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

    // The arguments after the program's own name.
    virtual TextList arguments() const = 0;

    // The directory that holds the running program, without a trailing separator.
    virtual std::u16string programDirectory() const = 0;

    // How the desktop writes file names.
    virtual const FileNameStyle &fileNameStyle() const = 0;

    // Hands one encoder run to the companion that supervises it, without waiting for it.
    virtual Result<void> launch(const EncoderCall &call) = 0;

    // Ends the batch of the runs handed over since the last call: waits until the
    // companion has started each one's encoder or refused it (when the program waits for
    // its conversions, until each has ended), a few seconds at most without an answer. Under
    // the main window it returns at once, with nothing: the batch is followed aside until
    // its conversions end, and a companion that fails it is told in a box naming its files.
    virtual BatchAnswer finishBatch() = 0;

    // Shows a modal message box over the owner (none on the command line) and returns the
    // button pressed. The text also goes to standard error.
    virtual MessageAnswer messageBox(const BoxOwner *owner, const std::u16string &text,
                                     MessageStyle style) = 0;

    // Tells the user something about the batch of the runs handed over since the last
    // finishBatch, before it is finished: on standard error, and in the batch's window where
    // there is a display (in a message box when the batch has no window).
    virtual void tellBatch(const std::u16string &text) = 0;

    // Writes one report to standard error only.
    virtual void writeError(const std::u16string &text) = 0;

    // Ends the window's event loop with the given exit status; closes the window. Like the
    // end of a batch, it waits first for the companion's answers about the conversions handed
    // over, and names on standard error those that it refused.
    virtual void endProgram(int exitStatus) = 0;

    // Asks the user for one file to open; nothing when the user cancels.
    virtual std::optional<std::u16string> chooseFileToOpen(const BoxOwner *owner,
                                                           const std::u16string &title,
                                                           const std::u16string &filter) = 0;
};
