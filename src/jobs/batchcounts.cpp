#include "batchcounts.h"

#include <QStringList>

void BatchCounts::add(const std::optional<ConversionOutcome> &state)
{
    using Kind = ConversionOutcome::Kind;
    if (!state)
        return void(++waiting);
    switch (state->kind) {
    case Kind::Started:
        return void(++running);
    case Kind::Refused:
        return void(++refused);
    case Kind::Succeeded:
        return void(++succeeded);
    case Kind::Failed:
        return void(++failed);
    case Kind::Stopped:
        return void(++stopped);
    }
}

int BatchCounts::total() const
{
    return waiting + running + succeeded + failed + stopped + refused;
}

QString countsText(const BatchCounts &counts)
{
    const std::pair<int, const char16_t *> parts[] = {
        {counts.succeeded, u"%1個完了"}, {counts.failed, u"%1個失敗"},
        {counts.stopped, u"%1個中止"},   {counts.refused, u"%1個開始できず"},
        {counts.running, u"%1個変換中"}, {counts.waiting, u"%1個待機中"}};
    QStringList said;
    for (const auto &[count, text] : parts) {
        if (count > 0)
            said.append(QString::fromUtf16(text).arg(count));
    }
    return said.join(u'、');
}

QString summaryText(const BatchCounts &counts)
{
    return QStringLiteral("%1個中 %2").arg(counts.total()).arg(countsText(counts));
}

QString endNoticeText(const BatchCounts &counts)
{
    return QStringLiteral("変換が終わりました: ") + countsText(counts);
}

QString stateText(const std::optional<ConversionOutcome> &state)
{
    using Kind = ConversionOutcome::Kind;
    if (!state)
        return QStringLiteral("待機中");
    switch (state->kind) {
    case Kind::Started:
        return QStringLiteral("変換中");
    case Kind::Refused:
        return QStringLiteral("開始できません");
    case Kind::Succeeded:
        return QStringLiteral("完了");
    case Kind::Failed:
        break;
    case Kind::Stopped:
        return QStringLiteral("中止");
    }
    return QStringLiteral("失敗");
}
