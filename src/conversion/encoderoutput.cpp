#include "encoderoutput.h"

#include <QRegularExpression>

namespace {

constexpr qsizetype LinesKept = 8;

// Seconds from a time written HH:MM:SS.cc; nothing when there is no such time.
std::optional<double> secondsAfter(const QString &line, const QString &label)
{
    static const QRegularExpression time(
        QStringLiteral("(-?)(\\d+):(\\d\\d):(\\d\\d(?:\\.\\d+)?)"));
    const qsizetype at = line.indexOf(label);
    if (at < 0)
        return std::nullopt;
    const QRegularExpressionMatch match =
        time.match(line, at + label.size(), QRegularExpression::NormalMatch,
                   QRegularExpression::AnchorAtOffsetMatchOption);
    if (!match.hasMatch())
        return std::nullopt;
    const double seconds = match.captured(2).toDouble() * 3600 + match.captured(3).toDouble() * 60 +
                           match.captured(4).toDouble();
    return match.captured(1).isEmpty() ? seconds : -seconds;
}

bool isProgressReport(const QString &line)
{
    return line.contains(QLatin1String("time=")) &&
           (line.startsWith(QLatin1String("size=")) || line.startsWith(QLatin1String("frame=")));
}

// The lines that the encoder ends with whatever went wrong: they give no reason.
bool isClosingLine(const QString &line)
{
    return line == QLatin1String("Conversion failed!") ||
           line.startsWith(QLatin1String("Last message repeated")) ||
           line.contains(QLatin1String("muxing overhead"));
}

} // namespace

void EncoderOutput::append(QByteArrayView bytes)
{
    partialLine += bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < partialLine.size(); ++i) {
        if (partialLine[i] != '\n' && partialLine[i] != '\r')
            continue;
        takeLine(QString::fromUtf8(partialLine.sliced(start, i - start)).trimmed());
        start = i + 1;
    }
    partialLine.remove(0, start);
}

std::optional<int> EncoderOutput::percentDone() const
{
    if (!duration || *duration <= 0)
        return std::nullopt;
    return int(qBound(0.0, position * 100 / *duration, 100.0));
}

void EncoderOutput::takeLine(const QString &line)
{
    if (line.isEmpty())
        return;
    const bool progress = isProgressReport(line);
    if (progress)
        position = secondsAfter(line, QStringLiteral("time=")).value_or(position);
    else if (!duration)
        duration = secondsAfter(line, QStringLiteral("Duration: "));
    // A reason once given outweighs the closing lines that follow it.
    if (!progress && (!isClosingLine(line) || message.isEmpty() || messageIsClosingLine)) {
        message = line;
        messageIsClosingLine = isClosingLine(line);
    }

    if (progress && lastLineIsProgress)
        lines.removeLast();
    lines.append(line);
    if (lines.size() > LinesKept)
        lines.removeFirst();
    lastLineIsProgress = progress;
}
