#include "encodercommand.h"

namespace {

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

// A count as a number is written: a space before it when it is not negative.
QString channelText(qint16 channels)
{
    return channels < 0 ? QString::number(channels) : u' ' + QString::number(channels);
}

} // namespace

ProcessCommand windowPresetCommand(const QString &encoder, const QString &input,
                                   const QString &output, qint16 channels, const QString &bitrate)
{
    const QString text = quoted(encoder) + QStringLiteral(" -y -i ") + quoted(input) +
                         QStringLiteral(" -vn -ac ") + channelText(channels) +
                         QStringLiteral(" -ar 44100 -ab ") + bitrate + QStringLiteral("k ") +
                         quoted(output);
    const QStringList arguments{QStringLiteral("-y"),
                                QStringLiteral("-i"),
                                input,
                                QStringLiteral("-vn"),
                                QStringLiteral("-ac"),
                                QString::number(channels),
                                QStringLiteral("-ar"),
                                QStringLiteral("44100"),
                                QStringLiteral("-ab"),
                                bitrate + u'k',
                                output};
    return {encoder, arguments, text};
}

ProcessCommand fixedPresetCommand(const QString &encoder, const QString &input,
                                  const QString &output)
{
    const QString text = quoted(encoder) + QStringLiteral(" -y -i ") + quoted(input) +
                         QStringLiteral(" -vn -ac 2 -ar 44100 -ab 128k ") + quoted(output);
    const QStringList arguments{QStringLiteral("-y"),
                                QStringLiteral("-i"),
                                input,
                                QStringLiteral("-vn"),
                                QStringLiteral("-ac"),
                                QStringLiteral("2"),
                                QStringLiteral("-ar"),
                                QStringLiteral("44100"),
                                QStringLiteral("-ab"),
                                QStringLiteral("128k"),
                                output};
    return {encoder, arguments, text};
}
