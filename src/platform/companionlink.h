#pragma once

#include "companionstart.h"
#include "jobs/conversionrequest.h"
#include "jobs/platform.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Blocks SIGINT, SIGTERM and SIGHUP, which stop the conversions that a waiting link waits
// for. Called before any thread starts, so that no thread takes them instead.
void blockStopSignals();

// A descriptor that becomes readable when one of those signals comes, once they are blocked.
UniqueFd stopSignalDescriptor();

// Takes the signals that the descriptor has read: whether any had come.
bool takeStopSignals(int descriptor);

// Hands conversion requests to the companion program that runs and watches the encoders,
// one stream per batch (see CompanionStarter), and collects its answers.
class CompanionLink
{
public:
    enum class Road
    {
        // The batch is handed over as it comes; finishBatch waits for the answers.
        CommandLine,
        // The batch is handed over, and followed to the end of its conversions, aside, so
        // that the window's thread never waits: see finishBatchAside.
        Window
    };

    // With `waits`, a batch ends only when its conversions have; SIGINT, SIGTERM and SIGHUP
    // stop them meanwhile, once blocked with blockStopSignals().
    CompanionLink(std::string companion, std::optional<std::string> displayPlatform, bool waits,
                  Road road = Road::CommandLine);
    CompanionLink(const CompanionLink &) = delete;
    CompanionLink &operator=(const CompanionLink &) = delete;

    // Hands the request over as part of the current batch.
    Result<void> hand(ConversionRequest request);

    // Shows the note in the current batch's window; false when the batch has none (no
    // display, or nothing handed over yet) or the note could not be sent.
    bool note(const std::u16string &text);

    // Ends the current batch: waits until the companion has answered for every request of
    // it, a few seconds at most between two answers while an encoder is still to start.
    BatchAnswer finishBatch();

    // On the window's road, ends the current batch without waiting: a thread of its own
    // hands it over and follows it until its conversions have ended, then tells `told` what
    // the companion answered, on that thread. A failure names the conversions whose fate is
    // unknown: those of a companion that could not be reached, or that ended before them.
    void finishBatchAside(std::function<void(const BatchAnswer &)> told);

    // Waits until the companion has taken every batch finished aside, and started or
    // refused its conversions: for the program's end, which would take them with it.
    void awaitHandedOver();

    // Stops the conversions of the current batch, as the stop signals do, at its end.
    void stop() { stopped = true; }

private:
    // How many batches finished aside are still to be taken by the companion.
    struct HandingOver
    {
        std::mutex mutex;
        std::condition_variable done;
        int batches = 0;
    };

    CompanionStarter starter;
    bool waits;
    Road road;
    bool stopped = false;
    UniqueFd stream;
    std::vector<EncoderCall> handed;
    // The window's road: the batch's messages, handed over at its end.
    std::vector<ProgramMessage> messages;
    std::shared_ptr<HandingOver> handingOver = std::make_shared<HandingOver>();
};
