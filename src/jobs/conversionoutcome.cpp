#include "conversionoutcome.h"

QString ConversionOutcome::text() const
{
    switch (kind) {
    case Kind::Started:
        return QStringLiteral("変換しています。");
    case Kind::Succeeded:
        return QStringLiteral("変換が終わりました。");
    case Kind::Refused:
        return QStringLiteral("変換できません: %1").arg(error ? errorText(*error) : QString());
    case Kind::Failed:
        break;
    case Kind::Stopped:
        return QStringLiteral("変換を中止しました。");
    }
    const QString failed =
        QStringLiteral("変換に失敗しました（%1）").arg(error ? errorText(*error) : QString());
    return lastMessage.isEmpty() ? failed : failed + u'\n' + lastMessage;
}

QString outcomeLine(const EncoderCall &call, const ConversionOutcome &outcome)
{
    return QStringLiteral("orvalen: %1 → %2: %3")
        .arg(call.input, call.output, outcome.text().replace(u'\n', QStringLiteral(": ")));
}

QStringList BatchAnswer::problemLines() const
{
    QStringList lines;
    for (const Conversion &conversion : conversions) {
        const ConversionOutcome::Kind kind = conversion.outcome.kind;
        if (kind != ConversionOutcome::Kind::Started && kind != ConversionOutcome::Kind::Succeeded)
            lines.append(outcomeLine(conversion.call, conversion.outcome));
    }
    return lines;
}

QString BatchAnswer::failureText() const
{
    if (!failure)
        return {};
    QString text = errorText(*failure) +
                   QStringLiteral("\n次のファイルの変換がどうなったか確かめられません。");
    for (const QString &input : unanswered)
        text += u'\n' + input;
    return text;
}
