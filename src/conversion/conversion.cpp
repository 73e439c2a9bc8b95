#include "conversion.h"

#include "encoderprocess.h"
#include "fileidentity.h"
#include "jobs/filenamebytes.h"
#include "outputlock.h"
#include "platform/filechecks.h"
#include "platform/runtimedirectory.h"
#include "temporaryoutput.h"

#include <QTimer>

#include <cerrno>
#include <csignal>

namespace {

constexpr int ForcedStopMilliseconds = 5'000;

} // namespace

Conversion::Conversion(ConversionRequest request, QObject *parent)
    : QObject(parent), order(std::move(request))
{
}

Conversion::~Conversion() = default;

bool Conversion::isRunning() const
{
    return encoder != nullptr;
}

ConversionOutcome Conversion::start()
{
    if (!isWellFormed(order))
        return refuse(QStringLiteral("変換の指示が正しくありません。"));
    const QByteArray directory = fileNameToBytes(order.workingDirectory);
    const QByteArray input = fileNameToBytes(order.call.input());
    const QByteArray output = fileNameToBytes(order.call.output());

    if (const QString problem = takeLock(directory, output); !problem.isEmpty())
        return refuse(problem);
    if (const QString kind = notAPlainFile(directory, output); !kind.isEmpty())
        return refuse(
            QStringLiteral("出力ファイルの名前は%1です。書き込むのは通常のファイルだけです。")
                .arg(kind));
    if (isSameFile(directory, input, output))
        return refuse(QStringLiteral("出力ファイルが入力ファイルと同じファイルです。"
                                     "変換すると入力ファイルが失われます。"));

    temporary = std::make_unique<TemporaryOutput>();
    if (const int error = temporary->create(directory, output))
        return refuse(QStringLiteral("出力ファイルのフォルダーに書き込めません: %1")
                          .arg(systemReason(error)));

    QByteArrayList arguments;
    for (const QString &argument : order.call.arguments)
        arguments.append(fileNameToBytes(argument));
    arguments.last() = temporary->encoderName();
    encoder = new EncoderProcess(this);
    connect(encoder, &EncoderProcess::outputReceived, this, &Conversion::takeOutput);
    connect(encoder, &EncoderProcess::finished, this, &Conversion::end);
    if (const int error = encoder->start(directory, fileNameToBytes(order.call.encoder), arguments,
                                         {temporary->folderDescriptor()})) {
        delete encoder;
        encoder = nullptr;
        return refuse(encoderStartFailure(order.call.encoder, systemReason(error)));
    }
    return {ConversionOutcome::Kind::Started};
}

// Takes the output's lock, which every spelling of the output shares. Returns why it could
// not be taken; empty once it is ours.
QString Conversion::takeLock(const QByteArray &directory, const QByteArray &output)
{
    const RuntimeDirectory runtime = privateRuntimeDirectory();
    if (runtime.path.isEmpty())
        return QStringLiteral("出力ファイルを守るロックを作れません\n") + runtime.failure;
    lock = std::make_unique<OutputLock>();
    switch (lock->take(runtime.path, fileKey(directory, output))) {
    case OutputLock::Result::Busy:
        return QStringLiteral("この出力ファイルには、別の変換が書き込んでいます。");
    case OutputLock::Result::Unavailable:
        return QStringLiteral("出力ファイルを守るロックを作れません: %1").arg(systemReason(errno));
    case OutputLock::Result::Taken:
        break;
    }
    return {};
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

ConversionOutcome Conversion::refuse(const QString &reason)
{
    temporary.reset();
    lock.reset();
    return {ConversionOutcome::Kind::Refused, reason};
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
    if (stopping)
        return {Kind::Stopped};
    if (bySignal)
        return {Kind::Failed, QStringLiteral("シグナル %1 で終了").arg(exitCode), encoderReason()};
    if (exitCode != 0)
        return {Kind::Failed, QStringLiteral("終了コード %1").arg(exitCode), encoderReason()};
    const int error = temporary->replaceOutput();
    if (error == ENODATA)
        return {Kind::Failed, QStringLiteral("エンコーダーが何も書きませんでした"),
                encoderReason()};
    if (error != 0)
        return {Kind::Failed,
                QStringLiteral("出力ファイルを置き換えられません: %1").arg(systemReason(error))};
    return {Kind::Succeeded};
}

// The encoder's reason, which names the output as the encoder was given it, through the
// descriptor of its temporary folder: the user is shown the output's folder instead.
QString Conversion::encoderReason() const
{
    const QString given = order.call.output();
    return encoderOutput.lastMessage().replace(
        QStringLiteral("/proc/self/fd/%1/").arg(temporary->folderDescriptor()),
        given.first(given.lastIndexOf(u'/') + 1));
}
