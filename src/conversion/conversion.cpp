#include "conversion.h"

#include "platform/filenamebytes.h"
#include "platform/linux/encoderprocess.h"
#include "platform/linux/filechecks.h"
#include "platform/linux/outputlock.h"

#include <QTimer>

#include <csignal>

namespace {

constexpr int ForcedStopMilliseconds = 5'000;

} // namespace

QString ConversionOutcome::text() const
{
    switch (kind) {
    case Kind::Succeeded:
        return QStringLiteral("変換が終わりました。");
    case Kind::Failed:
        return QStringLiteral("変換に失敗しました（%1）\n%2").arg(detail, lastMessage);
    case Kind::Refused:
        return QStringLiteral("変換できません: %1").arg(detail);
    case Kind::Stopped:
        break;
    }
    return QStringLiteral("変換を中止しました。出力ファイルは途中までです。");
}

Conversion::Conversion(ConversionRequest request, QObject *parent)
    : QObject(parent), order(std::move(request))
{
}

Conversion::~Conversion() = default;

bool Conversion::isRunning() const
{
    return encoder != nullptr;
}

void Conversion::start()
{
    const QByteArray directory = fileNameToBytes(order.workingDirectory);
    const QByteArray input = fileNameToBytes(order.call.input());
    const QByteArray output = fileNameToBytes(order.call.output());
    if (order.call.encoder.isEmpty() || output.isEmpty())
        return refuse(QStringLiteral("変換の指示が正しくありません。"));

    lock = std::make_unique<OutputLock>();
    switch (lock->take(directory, output)) {
    case OutputLock::Result::Busy:
        return refuse(QStringLiteral("この出力ファイルには、別の変換が書き込んでいます。"));
    case OutputLock::Result::Unavailable:
        return refuse(QStringLiteral("出力ファイルを守るロックを作れません"
                                     "（実行時フォルダーを使えません）。"));
    case OutputLock::Result::Taken:
        break;
    }
    if (areOneExistingFile(directory, input, output))
        return refuse(QStringLiteral("出力ファイルが入力ファイルと同じファイルです。"
                                     "変換すると入力ファイルが失われます。"));

    QByteArrayList arguments;
    for (const QString &argument : order.call.arguments)
        arguments.append(fileNameToBytes(argument));
    encoder = new EncoderProcess(this);
    connect(encoder, &EncoderProcess::outputReceived, this, &Conversion::takeOutput);
    connect(encoder, &EncoderProcess::finished, this, &Conversion::end);
    if (const int error =
            encoder->start(directory, fileNameToBytes(order.call.encoder), arguments)) {
        delete encoder;
        encoder = nullptr;
        refuse(encoderStartFailure(order.call.encoder, systemReason(error)));
    }
}

void Conversion::stop()
{
    if (!encoder || stopping)
        return;
    stopping = true;
    encoder->sendSignal(SIGTERM);
    forcedStop = new QTimer(this);
    forcedStop->setSingleShot(true);
    connect(forcedStop, &QTimer::timeout, encoder, [this] { encoder->sendSignal(SIGKILL); });
    forcedStop->start(ForcedStopMilliseconds);
}

void Conversion::refuse(const QString &reason)
{
    lock.reset();
    emit finished({ConversionOutcome::Kind::Refused, reason});
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
    lock.reset();

    if (stopping)
        return emit finished({ConversionOutcome::Kind::Stopped, {}});
    if (!bySignal && exitCode == 0)
        return emit finished({ConversionOutcome::Kind::Succeeded, {}});
    const QString status = bySignal ? QStringLiteral("シグナル %1 で終了").arg(exitCode)
                                    : QStringLiteral("終了コード %1").arg(exitCode);
    emit finished({ConversionOutcome::Kind::Failed, status, encoderOutput.lastMessage()});
}
