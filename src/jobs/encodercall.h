#pragma once

#include <QString>
#include <QStringList>

// One run of the encoder: <encoder> -y -i <input> <options> <output>. The input and output
// are written as the encoder must be given them (see encoderFileName()).
struct EncoderCall
{
    QString encoder;
    QString input;
    QString output;
    QStringList options; // between the input and the output: "-vn -ac 2 -ar 44100 -ab 128k"

    // The encoder's argument list, with the output written to `writtenTo` instead.
    QStringList arguments(const QString &writtenTo) const
    {
        return QStringList{QStringLiteral("-y"), QStringLiteral("-i"), input} + options +
               QStringList{writtenTo};
    }
    QStringList arguments() const { return arguments(output); }

    bool operator==(const EncoderCall &) const = default;
};
