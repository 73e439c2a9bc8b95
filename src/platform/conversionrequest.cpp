#include "conversionrequest.h"

#include <QDataStream>
#include <QIODevice>

namespace {

// A stream version both sides share: names keep every UTF-16 unit, lone surrogates too.
constexpr QDataStream::Version WireVersion = QDataStream::Qt_6_0;

} // namespace

QByteArray toFrame(const ConversionRequest &request)
{
    QByteArray fields;
    QDataStream out(&fields, QIODevice::WriteOnly);
    out.setVersion(WireVersion);
    out << request.workingDirectory << request.call.encoder << request.call.arguments;

    QByteArray frame;
    QDataStream header(&frame, QIODevice::WriteOnly);
    header.setVersion(WireVersion);
    header << quint32(fields.size());
    return frame + fields;
}

std::optional<ConversionRequest> takeFrame(QByteArray &stream)
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

    QDataStream in(stream.sliced(HeaderSize, length));
    in.setVersion(WireVersion);
    ConversionRequest request;
    in >> request.workingDirectory >> request.call.encoder >> request.call.arguments;
    stream.remove(0, HeaderSize + length);
    if (in.status() != QDataStream::Ok)
        return ConversionRequest{};
    return request;
}
