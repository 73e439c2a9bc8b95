#pragma once

#include "conversionoutcome.h"

// How far the conversions of one batch have come, counted by state.
struct BatchCounts
{
    int waiting = 0;
    int running = 0;
    int succeeded = 0;
    int failed = 0;
    int stopped = 0;
    int refused = 0;

    // Counts one conversion: nothing while its encoder is still to start.
    void add(const std::optional<ConversionOutcome> &state);

    int total() const;
    bool haveEnded() const { return waiting == 0 && running == 0; }
    bool allSucceeded() const { return succeeded == total(); }
};

// The counts that are not zero, such as "29個完了、2個失敗".
std::u16string countsText(const BatchCounts &counts);

// The line above a batch's list: "31個中 29個完了、2個失敗".
std::u16string summaryText(const BatchCounts &counts);

// The desktop's notice when a long batch has ended: "変換が終わりました: 29個完了、2個失敗".
std::u16string endNoticeText(const BatchCounts &counts);

// A conversion's state as its row in the batch's window says it, in a few words.
std::u16string stateText(const std::optional<ConversionOutcome> &state);
