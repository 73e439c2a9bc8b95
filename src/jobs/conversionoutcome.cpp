#include "conversionoutcome.h"

#include "exitstatus.h"

#include <algorithm>

std::u16string ConversionOutcome::text() const
{
    const std::u16string reason = error ? errorText(*error) : std::u16string();
    switch (kind) {
    case Kind::Started:
        return u"変換しています。";
    case Kind::Succeeded:
        return u"変換が終わりました。";
    case Kind::Refused:
        return u"変換できません: " + reason;
    case Kind::Failed:
        break;
    case Kind::Stopped:
        return u"変換を中止しました。";
    }
    const std::u16string failed = u"変換に失敗しました（" + reason + u"）";
    return lastMessage.empty() ? failed : failed + u'\n' + lastMessage;
}

std::u16string outcomeLine(const EncoderCall &call, const ConversionOutcome &outcome)
{
    std::u16string text = outcome.text();
    for (std::size_t at = text.find(u'\n'); at != text.npos; at = text.find(u'\n', at))
        text.replace(at, 1, u": ");
    return u"orvalen: " + call.input + u" → " + call.output + u": " + text;
}

TextList BatchAnswer::problemLines() const
{
    TextList lines;
    for (const Conversion &conversion : conversions) {
        if (conversion.outcome.wentWrong())
            lines.push_back(outcomeLine(conversion.call, conversion.outcome));
    }
    return lines;
}

std::u16string BatchAnswer::failureText() const
{
    if (!failure)
        return {};
    std::u16string text =
        errorText(*failure) + u"\n次のファイルの変換がどうなったか確かめられません。";
    for (const std::u16string &input : unanswered)
        text += u'\n' + input;
    return text;
}

int BatchAnswer::exitStatus() const
{
    using Kind = ConversionOutcome::Kind;
    const auto any = [this](auto holds) {
        return std::any_of(conversions.begin(), conversions.end(),
                           [&holds](const Conversion &c) { return holds(c.outcome); });
    };
    if (failure || any([](const ConversionOutcome &o) { return o.encoderNotStartable(); }))
        return ExitStatus::LaunchFailed;
    if (any([](const ConversionOutcome &o) {
            return o.kind == Kind::Failed || o.kind == Kind::Stopped;
        }))
        return ExitStatus::ConversionFailed;
    if (any([](const ConversionOutcome &o) { return o.kind == Kind::Refused; }))
        return ExitStatus::NotAllConverted;
    return ExitStatus::Success;
}
