#pragma once

#include "jobs/conversionrequest.h"
#include "jobs/platform.h"
#include "uniquefd.h"

#include <optional>
#include <vector>

#include <sys/types.h>

struct ProcessSetup;

// Blocks SIGINT, SIGTERM and SIGHUP, which stop the conversions that a waiting link waits
// for. Called before any thread starts, so that no thread takes them instead.
void blockStopSignals();

// Hands conversion requests to the companion program that runs and watches the encoders,
// one stream per batch, and waits for its answers. With a display, one companion serves the
// user's whole session and shows a window for each conversion. When none listens on the
// session's socket, the Orvalen that wants one makes the listening socket itself and hands
// it to a new companion, so its requests wait in that socket while the companion starts.
// Without a display, a companion of this run takes its requests through a socket pair and
// reports on our standard error, which it shares, the failures that we do not wait for.
class CompanionLink
{
public:
    // With `waits`, a batch ends only when its conversions have; SIGINT, SIGTERM and SIGHUP
    // stop them meanwhile, once blocked with blockStopSignals().
    CompanionLink(QByteArray companion, std::optional<QString> displayPlatform, bool waits);
    ~CompanionLink();
    CompanionLink(const CompanionLink &) = delete;
    CompanionLink &operator=(const CompanionLink &) = delete;

    // Hands the request over as part of the current batch.
    Result<void> hand(ConversionRequest request);

    // Shows the note in the current batch's window; false when the batch has none (no
    // display, or nothing handed over yet) or the note could not be sent.
    bool note(const QString &text);

    // Ends the current batch: waits until the companion has answered for every request of
    // it, a few seconds at most between two answers while an encoder is still to start.
    BatchAnswer finishBatch();

private:
    bool isAnswered(const std::optional<ConversionOutcome> &outcome) const;
    Error failure(Error::What what, int number = 0) const;
    std::optional<Error> awaitAnswers(QList<std::optional<ConversionOutcome>> &outcomes);
    Result<UniqueFd> openStream();
    Result<UniqueFd> openSessionStream();
    Result<UniqueFd> startBatchCompanion();
    Result<UniqueFd> startSessionCompanion(const QByteArray &address);
    Result<UniqueFd> startOnOwnSocket(const QByteArray &path, int lock);
    Result<void> startCompanion(const QByteArrayList &arguments, const ProcessSetup &setup);
    void reapEndedCompanions();

    QByteArray companion;
    std::optional<QString> displayPlatform;
    bool waits;
    UniqueFd stream;
    QList<EncoderCall> handed;
    std::vector<pid_t> started;
};
