#include "conversionrequest.h"

#include <QDataStream>
#include <QIODevice>

namespace {

// A stream version both sides share: names keep every UTF-16 unit, lone surrogates too.
constexpr QDataStream::Version WireVersion = QDataStream::Qt_6_0;

enum class MessageType : quint8
{
    Request,
    Stop,
    Report
};

constexpr quint32 NoRequest = 0xFFFF'FFFF;

template <typename Write> QByteArray frame(MessageType type, Write writeFields)
{
    QByteArray fields;
    QDataStream out(&fields, QIODevice::WriteOnly);
    out.setVersion(WireVersion);
    out << quint8(type);
    writeFields(out);

    QByteArray whole;
    QDataStream header(&whole, QIODevice::WriteOnly);
    header.setVersion(WireVersion);
    header << quint32(fields.size());
    return whole + fields;
}

// The fields of the first whole frame, taken off the stream; nothing while it is incomplete.
std::optional<QByteArray> takeFields(QByteArray &stream)
{
    constexpr qsizetype HeaderSize = sizeof(quint32);
    if (stream.size() < HeaderSize)
        return std::nullopt;
    quint32 length = 0;
    QDataStream header(stream);
    header.setVersion(WireVersion);
    header >> length;
    if (stream.size() - HeaderSize < qsizetype(length))
        return std::nullopt;
    QByteArray fields = stream.sliced(HeaderSize, length);
    stream.remove(0, HeaderSize + length);
    return fields;
}

// Reads a message of the given type from its fields: whether they held one, and nothing more.
template <typename Read> bool readFields(const QByteArray &fields, MessageType type, Read read)
{
    QDataStream in(fields);
    in.setVersion(WireVersion);
    quint8 found = 0;
    in >> found;
    if (in.status() != QDataStream::Ok || found != quint8(type))
        return false;
    read(in);
    return in.status() == QDataStream::Ok && in.atEnd();
}

} // namespace

bool isWellFormed(const ConversionRequest &request)
{
    return !request.call.encoder.isEmpty() && !request.call.output().isEmpty() &&
           request.workingDirectory.startsWith(u'/');
}

QByteArray toFrame(const ProgramMessage &message)
{
    if (std::holds_alternative<StopRequest>(message))
        return frame(MessageType::Stop, [](QDataStream &) {});
    const auto &request = std::get<ConversionRequest>(message);
    return frame(MessageType::Request, [&request](QDataStream &out) {
        out << request.workingDirectory << request.call.encoder << request.call.arguments
            << request.waited;
    });
}

QByteArray toFrame(const ConversionReport &report)
{
    return frame(MessageType::Report, [&report](QDataStream &out) {
        out << report.request << quint8(report.outcome.kind) << report.outcome.detail
            << report.outcome.lastMessage;
    });
}

std::optional<ProgramMessage> takeProgramMessage(QByteArray &stream)
{
    const std::optional<QByteArray> fields = takeFields(stream);
    if (!fields)
        return std::nullopt;
    if (readFields(*fields, MessageType::Stop, [](QDataStream &) {}))
        return StopRequest{};
    ConversionRequest request;
    const bool read = readFields(*fields, MessageType::Request, [&request](QDataStream &in) {
        in >> request.workingDirectory >> request.call.encoder >> request.call.arguments >>
            request.waited;
    });
    return read ? request : ConversionRequest{};
}

std::optional<ConversionReport> takeReport(QByteArray &stream)
{
    const std::optional<QByteArray> fields = takeFields(stream);
    if (!fields)
        return std::nullopt;
    ConversionReport report{NoRequest, {ConversionOutcome::Kind::Refused}};
    quint8 kind = 0;
    const bool read = readFields(*fields, MessageType::Report, [&](QDataStream &in) {
        in >> report.request >> kind >> report.outcome.detail >> report.outcome.lastMessage;
    });
    if (!read || kind > quint8(ConversionOutcome::Kind::Stopped))
        return ConversionReport{NoRequest, {ConversionOutcome::Kind::Refused}};
    report.outcome.kind = ConversionOutcome::Kind(kind);
    return report;
}
