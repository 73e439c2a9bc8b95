#include "encodercommand.h"

QString encoderPath(const QString &programDirectory)
{
    return programDirectory + QStringLiteral("/cores/ffmpeg");
}

EncoderCall encoderCall(const QString &encoder, const QString &input, const QString &output,
                        qint16 channels, const QString &bitrate)
{
    return {encoder,
            encoderFileName(input),
            encoderFileName(output),
            {QStringLiteral("-vn"), QStringLiteral("-ac"), QString::number(channels),
             QStringLiteral("-ar"), QStringLiteral("44100"), QStringLiteral("-ab"),
             bitrate + u'k'}};
}

QString encoderFileName(const QString &name)
{
    const qsizetype colon = name.indexOf(u':');
    const qsizetype slash = name.indexOf(u'/');
    const bool protocol = colon >= 0 && (slash < 0 || colon < slash);
    if (name.startsWith(u'-') || protocol)
        return QStringLiteral("./") + name;
    return name;
}
