#include "batchcounts.h"

namespace {

// Each state of a conversion: its counter, its count's words and its row's words. Waiting
// comes first, then the outcomes in the order of their kinds.
struct StateWords
{
    int BatchCounts::*counter;
    const char16_t *counted; // after the count
    const char16_t *row;
};

constexpr StateWords Waiting{&BatchCounts::waiting, u"個待機中", u"待機中"};
constexpr StateWords ByKind[] = {
    {&BatchCounts::running, u"個変換中", u"変換中"},
    {&BatchCounts::refused, u"個開始できず", u"開始できません"},
    {&BatchCounts::succeeded, u"個完了", u"完了"},
    {&BatchCounts::failed, u"個失敗", u"失敗"},
    {&BatchCounts::stopped, u"個中止", u"中止"},
};

const StateWords &wordsOf(const std::optional<ConversionOutcome> &state)
{
    return state ? ByKind[static_cast<int>(state->kind)] : Waiting;
}

} // namespace

void BatchCounts::add(const std::optional<ConversionOutcome> &state)
{
    ++(this->*wordsOf(state).counter);
}

int BatchCounts::total() const
{
    return waiting + running + succeeded + failed + stopped + refused;
}

std::u16string countsText(const BatchCounts &counts)
{
    using Kind = ConversionOutcome::Kind;
    // The ends first, then what is still under way.
    const StateWords *const said[] = {&ByKind[int(Kind::Succeeded)], &ByKind[int(Kind::Failed)],
                                      &ByKind[int(Kind::Stopped)],   &ByKind[int(Kind::Refused)],
                                      &ByKind[int(Kind::Started)],   &Waiting};
    TextList parts;
    for (const StateWords *words : said) {
        if (const int count = counts.*words->counter; count > 0)
            parts.push_back(decimal(count) + words->counted);
    }
    return joined(parts, u"、");
}

std::u16string summaryText(const BatchCounts &counts)
{
    return decimal(counts.total()) + u"個中 " + countsText(counts);
}

std::u16string endNoticeText(const BatchCounts &counts)
{
    return u"変換が終わりました: " + countsText(counts);
}

std::u16string stateText(const std::optional<ConversionOutcome> &state)
{
    return wordsOf(state).row;
}
