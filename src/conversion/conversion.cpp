#include "conversion.h"

#include "encoderprocess.h"
#include "fileidentity.h"
#include "jobs/filenamebytes.h"
#include "outputlock.h"
#include "platform/pathparts.h"
#include "platform/runtimedirectory.h"
#include "qtnames.h"
#include "temporaryoutput.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>

#include <array>
#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr int ForcedStopMilliseconds = 5'000;

// What is left to do with a conversion's files once its encoder has ended. It takes as long
// as the disk does, so it is done on a worker thread.
struct Settling
{
    std::unique_ptr<TemporaryOutput> temporary;
    std::unique_ptr<OutputLock> lock;
    bool publish;
    QPromise<std::optional<Error>> promise;
};

// Puts the finished output in place when the encoder succeeded, and removes the temporary
// file in every other case; still under the output's lock, which goes last, files that
// killed conversions of it left behind go too. Nothing when it went well, else why not.
std::optional<Error> settle(Settling &settling)
{
    std::optional<Error> failure;
    if (settling.publish) {
        if (const Result<void> replaced = settling.temporary->replaceOutput(); !replaced)
            failure = replaced.error();
    }
    settling.temporary->removeLeftovers();
    settling.temporary.reset();
    settling.lock.reset();
    return failure;
}

} // namespace

Conversion::Conversion(ConversionRequest request, QObject *parent)
    : QObject(parent), order(std::move(request))
{
}

// The encoder goes first, killed with its process group, then its temporary output.
Conversion::~Conversion()
{
    delete encoder;
}

bool Conversion::isRunning() const
{
    return encoder != nullptr || settling != nullptr;
}

void Conversion::start()
{
    if (!isWellFormed(order))
        return refuse({Error::What::MalformedRequest});
    const QByteArray directory = fileNameQBytes(order.workingDirectory);
    const QByteArray input = absolutePath(directory, fileNameQBytes(order.call.input));
    const QByteArray output = absolutePath(directory, fileNameQBytes(order.call.output));
    if (const Result<void> prepared = prepareOutput(input, output); !prepared)
        return refuse(prepared.error());

    std::vector<std::string> arguments;
    const std::u16string written =
        fileNameFromQBytes(TemporaryOutput::encoderName(output, FirstGivenDescriptor));
    for (const std::u16string &argument : order.call.arguments(written))
        arguments.push_back(fileNameToBytes(argument));
    encoder = new EncoderProcess(this);
    connect(encoder, &EncoderProcess::running, this,
            [this] { emit answered({ConversionOutcome::Kind::Started}); });
    connect(encoder, &EncoderProcess::outputReceived, this, &Conversion::takeOutput);
    connect(encoder, &EncoderProcess::finished, this, &Conversion::end);
    const Result<void> started =
        encoder->start(directory.toStdString(), fileNameToBytes(order.call.encoder), arguments,
                       std::array{temporary->folderDescriptor()});
    if (!started) {
        delete encoder;
        encoder = nullptr;
        refuse(started.error());
    }
}

// Makes sure that the input is no folder and the output may be written: its folder is held,
// its lock is ours, it is a plain file or none yet, it is not the input; and makes its
// temporary file. An input that is missing is left to the encoder, which tells why.
Result<void> Conversion::prepareOutput(const QByteArray &input, const QByteArray &output)
{
    if (struct stat status; ::stat(input.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return Error{Error::What::InputIsFolder};
    const Result<std::string> runtime = privateRuntimeDirectory();
    if (!runtime)
        return Error{Error::What::OutputLockUnavailable, 0, {}, runtime.error().causes};
    OutputFolder folder;
    if (Result<void> opened = folder.open(output); !opened)
        return opened;
    // The output's lock, which every spelling of the output shares.
    lock = std::make_unique<OutputLock>();
    if (Result<void> locked =
            lock->take(QByteArray::fromStdString(*runtime), fileKey(output), folder);
        !locked)
        return locked;
    if (Result<void> plain = checkPlainFileOrNone(folder.descriptor(), folder.outputName()); !plain)
        return plain;
    if (isSameFile(input, output))
        return Error{Error::What::OutputIsInput};
    temporary = std::make_unique<TemporaryOutput>();
    return temporary->create(std::move(folder), QByteArray::fromStdString(*runtime));
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

// Shown once a line has come whole: bytes that never end a line change nothing shown.
void Conversion::takeOutput(const QByteArray &bytes)
{
    if (encoderOutput.append(bytes))
        emit outputChanged();
}

void Conversion::end(int exitCode, bool bySignal)
{
    encoder->deleteLater();
    encoder = nullptr;
    delete forcedStop;
    forcedStop = nullptr;
    using Kind = ConversionOutcome::Kind;
    std::optional<ConversionOutcome> outcome;
    if (stopping)
        outcome = ConversionOutcome{Kind::Stopped};
    else if (bySignal || exitCode != 0)
        outcome = ConversionOutcome{
            Kind::Failed,
            Error{bySignal ? Error::What::EncoderKilled : Error::What::EncoderExited, exitCode},
            encoderReason()};

    auto job = std::make_shared<Settling>(Settling{std::move(temporary), std::move(lock), !outcome,
                                                   QPromise<std::optional<Error>>()});
    settling = new QFutureWatcher<std::optional<Error>>(this);
    connect(settling, &QFutureWatcherBase::finished, this, [this, outcome] {
        const std::optional<Error> failure = settling->result();
        delete settling;
        settling = nullptr;
        emit finished(outcome.value_or(outcomeOfPublishing(failure)));
    });
    settling->setFuture(job->promise.future());
    QThreadPool::globalInstance()->start([job] {
        job->promise.start();
        job->promise.addResult(settle(*job));
        job->promise.finish();
    });
}

ConversionOutcome Conversion::outcomeOfPublishing(const std::optional<Error> &failure) const
{
    using Kind = ConversionOutcome::Kind;
    if (!failure)
        return {Kind::Succeeded};
    if (failure->what == Error::What::EncoderWroteNothing)
        return {Kind::Failed, *failure, encoderReason()};
    return {Kind::Failed, *failure};
}

// The encoder's reason, which names the output as the encoder was given it, through the
// descriptor of its temporary folder: the user is shown the output's folder instead.
std::u16string Conversion::encoderReason() const
{
    const QString given = toQString(order.call.output);
    return encoderOutput.lastMessage()
        .replace(QStringLiteral("/proc/self/fd/%1/").arg(FirstGivenDescriptor),
                 given.first(given.lastIndexOf(u'/') + 1))
        .toStdU16String();
}

#include "moc_conversion.cpp"
