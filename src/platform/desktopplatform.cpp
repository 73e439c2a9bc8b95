#include "desktopplatform.h"

#include "companionlink.h"
#include "displaytrial.h"
#include "filechecks.h"
#include "jobs/exitstatus.h"
#include "jobs/filenamebytes.h"
#include "standarderror.h"
#include "windowpartloader.h"

#include <cstdlib>

#include <unistd.h>

namespace {

// The companion that runs and watches the encoders lives beside the program.
constexpr char CompanionName[] = "/orvalen-conversion";

// Where relative names are found; empty when the working directory is gone.
std::u16string workingDirectory()
{
    const std::unique_ptr<char, decltype(&std::free)> path(::getcwd(nullptr, 0), &std::free);
    return path ? fileNameFromBytes(path.get()) : std::u16string();
}

} // namespace

DesktopPlatform::DesktopPlatform(const std::vector<std::string> &arguments,
                                 std::string programDirectory, bool waitForConversions)
    : directory(std::move(programDirectory)), waits(waitForConversions)
{
    for (const std::string &argument : arguments)
        userArguments.push_back(fileNameFromBytes(argument));
    if (waits)
        blockStopSignals();
}

DesktopPlatform::~DesktopPlatform() = default;

TextList DesktopPlatform::arguments() const
{
    return userArguments;
}

std::u16string DesktopPlatform::programDirectory() const
{
    return fileNameFromBytes(directory);
}

Result<void> DesktopPlatform::launch(const EncoderCall &call)
{
    // Found out here, before any companion is involved.
    if (Result<void> runnable =
            checkExecutable(fileNameToBytes(call.encoder), Error::What::EncoderNotStartable);
        !runnable)
        return runnable;
    const std::u16string here = workingDirectory();
    if (here.empty())
        return Error{Error::What::NoWorkingDirectory, 0, call.encoder};
    if (!companion) {
        companion = std::make_unique<CompanionLink>(
            directory + CompanionName, displayPlatform(), waits,
            windowShown ? CompanionLink::Road::Window : CompanionLink::Road::CommandLine);
        if (stopped)
            companion->stop();
    }
    return companion->hand({here, call});
}

BatchAnswer DesktopPlatform::finishBatch()
{
    if (!companion)
        return {};
    if (!windowShown)
        return companion->finishBatch();
    companion->finishBatchAside([mailbox = failures, this](const BatchAnswer &answer) {
        const std::lock_guard lock(mailbox->mutex);
        if (answer.failure && mailbox->window)
            mailbox->window->callOnWindowThread([this, answer] { tellAside(answer); });
    });
    return {};
}

void DesktopPlatform::tellAside(const BatchAnswer &answer)
{
    messageBox(nullptr, answer.failureText(), MessageStyle::OkError);
}

// With --wait, a stop signal closes the box, and the run goes on as stopped: its
// conversions are stopped, and no box shows any more.
MessageAnswer DesktopPlatform::messageBox(const BoxOwner *owner, const std::u16string &text,
                                          MessageStyle style)
{
    writeError(text);
    const MessageAnswer unshown =
        style == MessageStyle::OkCancelQuestion ? MessageAnswer::Cancel : MessageAnswer::Ok;
    WindowPart *shown = !stopped && !tellsOnTerminal() && canShowWindows() ? windowPart() : nullptr;
    if (!shown)
        return unshown;
    const UniqueFd stopSignals = waits ? stopSignalDescriptor() : UniqueFd();
    const MessageAnswer answer = shown->messageBox(owner, text, style, stopSignals.get());
    if (!waits || !takeStopSignals(stopSignals.get()))
        return answer;
    stop();
    return unshown;
}

bool DesktopPlatform::tellsOnTerminal() const
{
    return !windowShown && ::isatty(STDERR_FILENO);
}

void DesktopPlatform::stop()
{
    stopped = true;
    if (companion)
        companion->stop();
}

void DesktopPlatform::tellBatch(const std::u16string &text)
{
    if (companion && companion->note(text))
        return writeError(text);
    messageBox(nullptr, text, MessageStyle::OkError);
}

void DesktopPlatform::writeError(const std::u16string &text)
{
    writeLineToStandardError(text);
}

void DesktopPlatform::endProgram(int exitStatus)
{
    // The conversions handed over are handed over before the program ends.
    const BatchAnswer answer = companion ? companion->finishBatch() : BatchAnswer{};
    for (const std::u16string &line : answer.problemLines())
        writeError(line);
    if (answer.failure)
        writeError(answer.failureText());
    if (part)
        part->endProgram(exitStatus);
}

std::optional<std::u16string> DesktopPlatform::chooseFileToOpen(const BoxOwner *owner,
                                                                const std::u16string &title,
                                                                const std::u16string &filter)
{
    WindowPart *shown = windowPart();
    return shown ? shown->chooseFileToOpen(owner, title, filter) : std::nullopt;
}

Result<void> DesktopPlatform::canShowWindows()
{
    if (const Result<std::string> &found = displayTrial(); !found)
        return found.error();
    return {};
}

void DesktopPlatform::prepareWindows()
{
    startDisplayTrial();
    loadWindowPartModule();
}

int DesktopPlatform::showMainWindow(const TextList &offeredFiles)
{
    WindowPart *shown = windowPart();
    if (!shown)
        return ExitStatus::LaunchFailed;
    windowShown = true;
    {
        const std::lock_guard lock(failures->mutex);
        failures->window = shown;
    }
    const int status = shown->runMainWindow(*this, offeredFiles);
    {
        const std::lock_guard lock(failures->mutex);
        failures->window = nullptr;
    }
    // The window is gone; its last batches are not to go with the program.
    if (companion)
        companion->awaitHandedOver();
    return status;
}

// A module that cannot be loaded is told once, on standard error.
bool DesktopPlatform::loadWindowPartModule()
{
    if (!makeWindowPart && !moduleFailed) {
        const Result<MakeWindowPart *> loaded = ::loadWindowPartModule(directory);
        makeWindowPart = loaded ? *loaded : nullptr;
        moduleFailed = !loaded;
        if (moduleFailed)
            writeError(u"orvalen: " + errorText(loaded.error()));
    }
    return makeWindowPart;
}

WindowPart *DesktopPlatform::windowPart()
{
    if (!part && loadWindowPartModule())
        part.reset(makeWindowPart(displayPlatform().value_or("offscreen").c_str()));
    return part.get();
}

void DesktopPlatform::startDisplayTrial()
{
    if (!foundDisplay.valid())
        foundDisplay = std::async(std::launch::async, findDisplayPlatform).share();
}

const Result<std::string> &DesktopPlatform::displayTrial()
{
    startDisplayTrial();
    return foundDisplay.get();
}

std::optional<std::string> DesktopPlatform::displayPlatform()
{
    const Result<std::string> &found = displayTrial();
    return found ? std::optional(*found) : std::nullopt;
}
