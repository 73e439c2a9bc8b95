#pragma once

#include "jobs/text.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// What the encoder has written so far, read as lines. It reports the input's duration
// once ("Duration: 00:03:25.12") and then, over and over on one line, the position it has
// reached ("size= 1024kB time=00:01:05.30 ..."); each new report replaces the one before.
class EncoderOutput
{
public:
    // The longest line kept, in bytes; the rest of a longer one is dropped.
    static constexpr qsizetype LineLimit = 4096;

    // Takes what the encoder wrote next; whether a line came whole with it.
    bool append(QByteArrayView bytes);

    // The latest lines, oldest first, the current progress report last.
    TextList latestLines() const
    {
        TextList texts;
        for (const QString &line : lines)
            texts.push_back(line.toStdU16String());
        return texts;
    }

    // How much of the input is done, from 0 to 100; nothing while the duration is unknown.
    std::optional<int> percentDone() const;

    // On failure, the encoder's reason: the last line that is neither a progress report nor
    // one of the lines it closes with ("Conversion failed!"), unless there is no other.
    QString lastMessage() const { return message; }

private:
    void keep(QByteArrayView bytes);
    bool takeLine(const QString &line);

    QByteArray partialLine;
    QStringList lines;
    bool lastLineIsProgress = false;
    std::optional<double> duration;
    double position = 0;
    QString message;
    bool messageIsClosingLine = false;
};
