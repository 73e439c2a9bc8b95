#include "conversion.h"

#include "encoderprocess.h"
#include "fileidentity.h"
#include "jobs/filenamebytes.h"
#include "outputlock.h"
#include "platform/runtimedirectory.h"
#include "temporaryoutput.h"

#include <QTimer>

#include <cerrno>
#include <csignal>

namespace {

constexpr int ForcedStopMilliseconds = 5'000;

} // namespace

Conversion::Conversion(ConversionRequest request, QByteArray encoderStartStep, QObject *parent)
    : QObject(parent), order(std::move(request)), startStep(std::move(encoderStartStep))
{
}

// The encoder goes first, ended and reaped, then its temporary output.
Conversion::~Conversion()
{
    delete encoder;
}

bool Conversion::isRunning() const
{
    return encoder != nullptr;
}

void Conversion::start()
{
    if (!isWellFormed(order))
        return refuse({Error::What::MalformedRequest});
    const QByteArray directory = fileNameToBytes(order.workingDirectory);
    const QByteArray input = absolutePath(directory, fileNameToBytes(order.call.input));
    const QByteArray output = absolutePath(directory, fileNameToBytes(order.call.output));
    if (const Result<void> prepared = prepareOutput(input, output); !prepared)
        return refuse(prepared.error());

    QByteArrayList arguments;
    const QString written = fileNameFromBytes(
        TemporaryOutput::encoderName(output, EncoderProcess::FirstGivenDescriptor));
    for (const QString &argument : order.call.arguments(written))
        arguments.append(fileNameToBytes(argument));
    encoder = new EncoderProcess(this);
    connect(encoder, &EncoderProcess::running, this,
            [this] { emit answered({ConversionOutcome::Kind::Started}); });
    connect(encoder, &EncoderProcess::failedToStart, this, [this](const Error &error) {
        encoder->deleteLater();
        encoder = nullptr;
        refuse(error);
    });
    connect(encoder, &EncoderProcess::outputReceived, this, &Conversion::takeOutput);
    connect(encoder, &EncoderProcess::finished, this, &Conversion::end);
    const Result<void> started =
        encoder->start(startStep, directory, fileNameToBytes(order.call.encoder), arguments,
                       {temporary->folderDescriptor()});
    if (!started) {
        delete encoder;
        encoder = nullptr;
        refuse(started.error());
    }
}

// Makes sure that the output may be written: its lock is ours, it is a plain file or none
// yet, it is not the input; and makes its temporary file.
Result<void> Conversion::prepareOutput(const QByteArray &input, const QByteArray &output)
{
    if (Result<void> locked = takeLock(output); !locked)
        return locked;
    if (Result<void> plain = checkPlainFileOrNone(output); !plain)
        return plain;
    if (isSameFile(input, output))
        return Error{Error::What::OutputIsInput};
    temporary = std::make_unique<TemporaryOutput>();
    return temporary->create(output);
}

// Takes the output's lock, which every spelling of the output shares.
Result<void> Conversion::takeLock(const QByteArray &output)
{
    const Result<QByteArray> runtime = privateRuntimeDirectory();
    if (!runtime)
        return Error{Error::What::OutputLockUnavailable, 0, {}, runtime.error().causes};
    lock = std::make_unique<OutputLock>();
    return lock->take(*runtime, fileKey(output));
}

void Conversion::watch()
{
    if (!encoder)
        return;
    encoder->watch();
    // A stop asked for before the event loop ran is made sure of from now on.
    if (stopping)
        killLater();
}

void Conversion::stop()
{
    if (!encoder || stopping)
        return;
    stopping = true;
    encoder->sendSignal(SIGTERM);
    if (encoder->isWatched())
        killLater();
}

void Conversion::killLater()
{
    forcedStop = new QTimer(this);
    forcedStop->setSingleShot(true);
    connect(forcedStop, &QTimer::timeout, encoder, [this] { encoder->sendSignal(SIGKILL); });
    forcedStop->start(ForcedStopMilliseconds);
}

void Conversion::refuse(const Error &reason)
{
    temporary.reset();
    lock.reset();
    emit answered({ConversionOutcome::Kind::Refused, reason});
}

void Conversion::takeOutput(const QByteArray &bytes)
{
    encoderOutput.append(bytes);
    emit outputChanged();
}

void Conversion::end(int exitCode, bool bySignal)
{
    encoder->deleteLater();
    encoder = nullptr;
    delete forcedStop;
    forcedStop = nullptr;
    const ConversionOutcome outcome = outcomeOfEnd(exitCode, bySignal);
    // Still under the output's lock: files that killed conversions of it left behind go too.
    temporary->removeLeftovers();
    temporary.reset();
    lock.reset();
    emit finished(outcome);
}

// Puts the output in place after a success; the temporary file goes in every other case.
ConversionOutcome Conversion::outcomeOfEnd(int exitCode, bool bySignal)
{
    using Kind = ConversionOutcome::Kind;
    using What = Error::What;
    if (stopping)
        return {Kind::Stopped};
    if (bySignal)
        return {Kind::Failed, Error{What::EncoderKilled, exitCode}, encoderReason()};
    if (exitCode != 0)
        return {Kind::Failed, Error{What::EncoderExited, exitCode}, encoderReason()};
    const Result<void> replaced = temporary->replaceOutput();
    if (!replaced && replaced.error().what == What::EncoderWroteNothing)
        return {Kind::Failed, replaced.error(), encoderReason()};
    if (!replaced)
        return {Kind::Failed, replaced.error()};
    return {Kind::Succeeded};
}

// The encoder's reason, which names the output as the encoder was given it, through the
// descriptor of its temporary folder: the user is shown the output's folder instead.
QString Conversion::encoderReason() const
{
    const QString given = order.call.output;
    return encoderOutput.lastMessage().replace(
        QStringLiteral("/proc/self/fd/%1/").arg(EncoderProcess::FirstGivenDescriptor),
        given.first(given.lastIndexOf(u'/') + 1));
}

#include "moc_conversion.cpp"
