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
    Report,
    Note,
    Hello,
    // Types from here on are a later version's, unknown to this one.
    Unknown
};

constexpr quint32 NoRequest = 0xFFFF'FFFF;

// An error, with the causes it has (which have none of their own), or none.
QDataStream &operator<<(QDataStream &out, const Error &error)
{
    out << quint8(error.what) << qint32(error.number) << error.name << quint32(error.causes.size());
    for (const Error &cause : error.causes)
        out << quint8(cause.what) << qint32(cause.number) << cause.name << quint32(0);
    return out;
}

void readErrorFields(QDataStream &in, Error &error, quint32 &causes)
{
    quint8 what = 0;
    qint32 number = 0;
    in >> what >> number >> error.name >> causes;
    if (what > quint8(Error::What::InputIsFolder))
        in.setStatus(QDataStream::ReadCorruptData);
    error.what = Error::What(what);
    error.number = number;
}

QDataStream &operator>>(QDataStream &in, Error &error)
{
    quint32 causes = 0;
    readErrorFields(in, error, causes);
    // Each cause takes some bytes: a count past what the frame holds ends the reading.
    for (quint32 i = 0; i < causes && in.status() == QDataStream::Ok; ++i) {
        if (in.atEnd())
            in.setStatus(QDataStream::ReadPastEnd);
        Error cause{Error::What::MalformedRequest};
        quint32 none = 0;
        readErrorFields(in, cause, none);
        if (none != 0)
            in.setStatus(QDataStream::ReadCorruptData);
        error.causes.push_back(cause);
    }
    return in;
}

QDataStream &operator<<(QDataStream &out, const std::optional<Error> &error)
{
    out << error.has_value();
    if (error)
        out << *error;
    return out;
}

QDataStream &operator>>(QDataStream &in, std::optional<Error> &error)
{
    bool present = false;
    in >> present;
    error.reset();
    if (present && in.status() == QDataStream::Ok)
        in >> error.emplace(Error{Error::What::MalformedRequest});
    return in;
}

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

// Takes whole frames off the stream until one of a known type: its fields.
std::optional<QByteArray> takeKnownFields(QByteArray &stream)
{
    for (;;) {
        std::optional<QByteArray> fields = takeFields(stream);
        if (!fields || fields->isEmpty() || quint8(fields->front()) < quint8(MessageType::Unknown))
            return fields;
    }
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
    return !request.call.encoder.isEmpty() && !request.call.input.isEmpty() &&
           !request.call.output.isEmpty() && request.workingDirectory.startsWith(u'/');
}

QByteArray toFrame(const ProgramMessage &message)
{
    if (std::holds_alternative<StopRequest>(message))
        return frame(MessageType::Stop, [](QDataStream &) {});
    if (const auto *hello = std::get_if<Hello>(&message))
        return frame(MessageType::Hello, [hello](QDataStream &out) { out << hello->version; });
    if (const auto *note = std::get_if<BatchNote>(&message))
        return frame(MessageType::Note, [note](QDataStream &out) { out << note->text; });
    const auto &request = std::get<ConversionRequest>(message);
    return frame(MessageType::Request, [&request](QDataStream &out) {
        out << request.workingDirectory << request.call.encoder << request.call.input
            << request.call.output << request.call.options << request.waited;
    });
}

QByteArray toFrame(const ConversionReport &report)
{
    return frame(MessageType::Report, [&report](QDataStream &out) {
        out << report.request << quint8(report.outcome.kind) << report.outcome.error
            << report.outcome.lastMessage;
    });
}

std::optional<ProgramMessage> takeProgramMessage(QByteArray &stream)
{
    const std::optional<QByteArray> fields = takeKnownFields(stream);
    if (!fields)
        return std::nullopt;
    if (readFields(*fields, MessageType::Stop, [](QDataStream &) {}))
        return StopRequest{};
    Hello hello;
    if (readFields(*fields, MessageType::Hello, [&hello](QDataStream &in) { in >> hello.version; }))
        return hello;
    BatchNote note;
    if (readFields(*fields, MessageType::Note, [&note](QDataStream &in) { in >> note.text; }))
        return note;
    ConversionRequest request;
    const bool read = readFields(*fields, MessageType::Request, [&request](QDataStream &in) {
        in >> request.workingDirectory >> request.call.encoder >> request.call.input >>
            request.call.output >> request.call.options >> request.waited;
    });
    return read ? request : ConversionRequest{};
}

std::optional<ConversionReport> takeReport(QByteArray &stream)
{
    const std::optional<QByteArray> fields = takeKnownFields(stream);
    if (!fields)
        return std::nullopt;
    ConversionReport report{NoRequest, {ConversionOutcome::Kind::Refused}};
    quint8 kind = 0;
    const bool read = readFields(*fields, MessageType::Report, [&](QDataStream &in) {
        in >> report.request >> kind >> report.outcome.error >> report.outcome.lastMessage;
    });
    if (!read || kind > quint8(ConversionOutcome::Kind::Stopped))
        return ConversionReport{NoRequest, {ConversionOutcome::Kind::Refused}};
    report.outcome.kind = ConversionOutcome::Kind(kind);
    return report;
}
