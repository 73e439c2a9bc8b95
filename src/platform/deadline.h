#pragma once

#include <algorithm>
#include <chrono>

// A moment that a wait must not go past.
class Deadline
{
public:
    explicit Deadline(std::chrono::milliseconds fromNow) { restart(fromNow); }

    void restart(std::chrono::milliseconds fromNow) { end = Clock::now() + fromNow; }
    bool hasExpired() const { return Clock::now() >= end; }

    // What is left, in whole milliseconds, for poll(); never less than 0.
    int remainingMilliseconds() const
    {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point end;
};
