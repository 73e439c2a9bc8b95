#include "desktopplatform.h"

#include "companionlink.h"
#include "displaytrial.h"
#include "filechecks.h"
#include "jobs/exitstatus.h"
#include "jobs/filenamebytes.h"
#include "jobs/standarderror.h"
#include "windowpartloader.h"

#include <QCoreApplication>
#include <QObject>

#include <cstdlib>

#include <unistd.h>

namespace {

// The companion that runs and watches the encoders lives beside the program.
constexpr char CompanionName[] = "/orvalen-conversion";

// Where relative names are found; empty when the working directory is gone.
QString workingDirectory()
{
    const std::unique_ptr<char, decltype(&std::free)> path(::getcwd(nullptr, 0), &std::free);
    return path ? fileNameFromBytes(path.get()) : QString();
}

} // namespace

DesktopPlatform::DesktopPlatform(const QByteArrayList &arguments,
                                 const QByteArray &programDirectory, bool waitForConversions)
    : directory(fileNameFromBytes(programDirectory)), waits(waitForConversions)
{
    for (const QByteArray &argument : arguments)
        userArguments.append(fileNameFromBytes(argument));
    if (waits)
        blockStopSignals();
}

DesktopPlatform::~DesktopPlatform() = default;

QStringList DesktopPlatform::arguments() const
{
    return userArguments;
}

QString DesktopPlatform::programDirectory() const
{
    return directory;
}

Result<void> DesktopPlatform::launch(const EncoderCall &call)
{
    // Found out here, before any companion is involved.
    if (Result<void> runnable =
            checkExecutable(fileNameToBytes(call.encoder), Error::What::EncoderNotStartable);
        !runnable)
        return runnable;
    const QString here = workingDirectory();
    if (here.isEmpty())
        return Error{Error::What::NoWorkingDirectory, 0, call.encoder};
    if (!companion) {
        companion = std::make_unique<CompanionLink>(
            fileNameToBytes(directory + QLatin1String(CompanionName)), displayPlatform(), waits,
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
        if (answer.failure && mailbox->receiver)
            QMetaObject::invokeMethod(
                mailbox->receiver, [this, answer] { tellAside(answer); }, Qt::QueuedConnection);
    });
    return {};
}

void DesktopPlatform::tellAside(const BatchAnswer &answer)
{
    messageBox(nullptr, answer.failureText(), MessageStyle::OkError);
}

// With --wait, a stop signal closes the box, and the run goes on as stopped: its
// conversions are stopped, and no box shows any more.
MessageAnswer DesktopPlatform::messageBox(QWidget *parent, const QString &text, MessageStyle style)
{
    writeError(text);
    const MessageAnswer unshown =
        style == MessageStyle::OkCancelQuestion ? MessageAnswer::Cancel : MessageAnswer::Ok;
    WindowPart *shown = !stopped && !tellsOnTerminal() && canShowWindows() ? windowPart() : nullptr;
    if (!shown)
        return unshown;
    const UniqueFd stopSignals = waits ? stopSignalDescriptor() : UniqueFd();
    const MessageAnswer answer = shown->messageBox(parent, text, style, stopSignals.get());
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

void DesktopPlatform::tellBatch(const QString &text)
{
    if (companion && companion->note(text))
        return writeError(text);
    messageBox(nullptr, text, MessageStyle::OkError);
}

void DesktopPlatform::writeError(const QString &text)
{
    writeLineToStandardError(text);
}

void DesktopPlatform::endProgram(int exitStatus)
{
    // The conversions handed over are handed over before the program ends.
    const BatchAnswer answer = companion ? companion->finishBatch() : BatchAnswer{};
    for (const QString &line : answer.problemLines())
        writeError(line);
    if (answer.failure)
        writeError(answer.failureText());
    if (part)
        part->endProgram(exitStatus);
}

std::optional<QString> DesktopPlatform::chooseFileToOpen(QWidget *parent, const QString &title,
                                                         const QString &filter)
{
    WindowPart *shown = windowPart();
    return shown ? shown->chooseFileToOpen(parent, title, filter) : std::nullopt;
}

Result<void> DesktopPlatform::canShowWindows()
{
    if (qApp)
        return {};
    if (const Result<QString> &found = displayTrial(); !found)
        return found.error();
    return {};
}

void DesktopPlatform::prepareWindows()
{
    startDisplayTrial();
    loadWindowPartModule();
}

int DesktopPlatform::showMainWindow(const QStringList &offeredFiles)
{
    WindowPart *shown = windowPart();
    if (!shown)
        return ExitStatus::LaunchFailed;
    windowShown = true;
    QObject receiver;
    {
        const std::lock_guard lock(failures->mutex);
        failures->receiver = &receiver;
    }
    const int status = shown->runMainWindow(*this, offeredFiles);
    {
        const std::lock_guard lock(failures->mutex);
        failures->receiver = nullptr;
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
        const Result<MakeWindowPart *> loaded = ::loadWindowPartModule(fileNameToBytes(directory));
        makeWindowPart = loaded ? *loaded : nullptr;
        moduleFailed = !loaded;
        if (moduleFailed)
            writeError(QStringLiteral("orvalen: ") + errorText(loaded.error()));
    }
    return makeWindowPart;
}

WindowPart *DesktopPlatform::windowPart()
{
    if (!part && loadWindowPartModule()) {
        const QString platform = displayPlatform().value_or(QStringLiteral("offscreen"));
        part.reset(makeWindowPart(platform.toUtf8().constData()));
    }
    return part.get();
}

void DesktopPlatform::startDisplayTrial()
{
    if (!foundDisplay.valid())
        foundDisplay = std::async(std::launch::async, findDisplayPlatform).share();
}

const Result<QString> &DesktopPlatform::displayTrial()
{
    startDisplayTrial();
    return foundDisplay.get();
}

std::optional<QString> DesktopPlatform::displayPlatform()
{
    const Result<QString> &found = displayTrial();
    return found ? std::optional(*found) : std::nullopt;
}
