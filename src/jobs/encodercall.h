#pragma once

#include <QString>
#include <QStringList>

// One run of the encoder: its path and its arguments, "-y -i <input> ... <output>".
struct EncoderCall
{
    QString encoder;
    QStringList arguments;

    // The input follows "-i"; the output is the last argument.
    QString input() const { return arguments.value(arguments.indexOf(QStringLiteral("-i")) + 1); }
    QString output() const { return arguments.isEmpty() ? QString() : arguments.constLast(); }

    bool operator==(const EncoderCall &) const = default;
};
