#include "encoderoutput.h"

#include <QRegularExpression>

#include <algorithm>

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

// The lines that the encoder starts with whatever it does: its version, how it was built
// and its libraries' versions ("libavutil      57. 28.100 / 57. 28.100"). They give no
// reason, and would push the reason out of the lines kept.
bool isBannerLine(const QString &line)
{
    static const QRegularExpression libraryVersion(
        QStringLiteral("^lib\\w+\\s+\\d+\\.\\s*\\d+\\.\\s*\\d+ / "));
    return line.startsWith(QLatin1String("ffmpeg version ")) ||
           line.startsWith(QLatin1String("built with ")) ||
           line.startsWith(QLatin1String("configuration: ")) ||
           libraryVersion.match(line).hasMatch();
}

} // namespace

bool EncoderOutput::append(QByteArrayView bytes)
{
    bool tookLine = false;
    for (;;) {
        const auto end = std::find_if(bytes.begin(), bytes.end(),
                                      [](char byte) { return byte == '\n' || byte == '\r'; });
        keep(bytes.first(end - bytes.begin()));
        if (end == bytes.end())
            return tookLine;
        tookLine = takeLine(QString::fromUtf8(partialLine).trimmed()) || tookLine;
        partialLine.clear();
        bytes = bytes.sliced(end - bytes.begin() + 1);
    }
}

// Only the start of a line that goes on and on is kept: no encoder writes such a line, and
// its end would tell nothing that its start does not.
void EncoderOutput::keep(QByteArrayView bytes)
{
    partialLine += bytes.first(std::min(bytes.size(), LineLimit - partialLine.size()));
}

std::optional<int> EncoderOutput::percentDone() const
{
    if (!duration || *duration <= 0)
        return std::nullopt;
    return int(qBound(0.0, position * 100 / *duration, 100.0));
}

bool EncoderOutput::takeLine(const QString &line)
{
    if (line.isEmpty() || isBannerLine(line))
        return false;
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
    return true;
}
