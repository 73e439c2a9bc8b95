#include "companionlink.h"

#include "deadline.h"
#include "filechecks.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <thread>

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long the companion may take to answer while an encoder is still to start.
constexpr std::chrono::milliseconds AnswerTime{5'000};
// How long stopped conversions may take to end: their encoders are killed after 5 seconds.
constexpr std::chrono::milliseconds StopTime{10'000};

using Outcomes = std::vector<std::optional<ConversionOutcome>>;

// Sends all the bytes within the answer time; the error holds the errno of what failed.
Result<void> sendWhole(int socket, std::string_view bytes, const CompanionStarter &starter)
{
    const Deadline deadline(AnswerTime);
    while (!bytes.empty()) {
        const ssize_t sent =
            ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno != EAGAIN)
            return starter.failure(Error::What::CompanionNotAnswering, errno);
        pollfd writable = {socket, POLLOUT, 0};
        if (::poll(&writable, 1, deadline.remainingMilliseconds()) <= 0)
            return starter.failure(Error::What::CompanionNotAnswering, ETIMEDOUT);
    }
    return {};
}

// Whether the send failed because the companion has gone: the reading finds that out, and
// names every file handed to it.
bool companionGone(const Result<void> &sent)
{
    return !sent && (sent.error().number == EPIPE || sent.error().number == ECONNRESET);
}

// The signals that stop the conversions that we wait for.
sigset_t stopSignals()
{
    sigset_t set;
    ::sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaddset(&set, signal);
    return set;
}

// The reports in a stream's bytes: the latest for each request that has one. False when the
// stream holds something that is not a report on one of its requests.
bool takeReports(std::string &incoming, Outcomes &outcomes)
{
    while (const std::optional<ConversionReport> report = takeReport(incoming)) {
        if (report->request >= outcomes.size())
            return false;
        outcomes[report->request] = report->outcome;
    }
    return true;
}

// Whether the companion has told what we wait for: that the encoder started or was refused,
// or, followed `toTheEnd`, how the conversion ended.
bool isAnswered(const std::optional<ConversionOutcome> &outcome, bool toTheEnd)
{
    return outcome && (!toTheEnd || outcome->hasEnded());
}

// Reads the companion's reports until every conversion handed over is answered for, keeping
// in `incoming` what came of the next ones. Returns why it could not be, or nothing. While an
// encoder is still to start, and after a stop, the companion answers within a few seconds or is
// given up on. A stop comes from the signals that `interruptions` reads (none when it is -1), or at
// once with `stopNow`.
std::optional<Error> awaitAnswers(int stream, std::string &incoming, Outcomes &outcomes,
                                  bool toTheEnd, bool stopNow, int interruptions,
                                  const CompanionStarter &starter)
{
    const auto answered = [toTheEnd](const auto &outcome) { return isAnswered(outcome, toTheEnd); };
    const auto hasStarted = [](const auto &outcome) { return outcome.has_value(); };
    Deadline deadline(AnswerTime);
    bool stopped = false;
    // Not sent means gone: the reading finds that out.
    const auto stop = [&] {
        if (!stopped)
            (void)sendWhole(stream, toFrame(StopRequest{}), starter);
        stopped = true;
        deadline.restart(StopTime);
    };
    if (stopNow)
        stop();
    while (!std::all_of(outcomes.cbegin(), outcomes.cend(), answered)) {
        const bool timed = stopped || !std::all_of(outcomes.cbegin(), outcomes.cend(), hasStarted);
        pollfd watched[] = {{stream, POLLIN, 0}, {interruptions, POLLIN, 0}};
        const int ready = ::poll(watched, 2, timed ? deadline.remainingMilliseconds() : -1);
        if (ready == 0)
            return starter.failure(Error::What::CompanionNotAnswering);
        if (ready < 0 && errno != EINTR)
            return starter.failure(Error::What::CompanionStreamFailed, errno);
        if (ready < 0)
            continue;
        if (watched[1].revents & POLLIN && takeStopSignals(interruptions))
            stop();
        if (!(watched[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buffer[4096];
        const ssize_t count = ::recv(stream, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        incoming.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
        if (count <= 0 || !takeReports(incoming, outcomes))
            return starter.failure(Error::What::CompanionEnded);
        if (!stopped)
            deadline.restart(AnswerTime);
    }
    return std::nullopt;
}

// The answers for the conversions handed over; with a failure, the conversions whose fate
// the companion did not tell are named.
BatchAnswer answerFor(const std::vector<EncoderCall> &handed, const Outcomes &outcomes,
                      const std::optional<Error> &failure, bool toTheEnd)
{
    BatchAnswer answer;
    answer.failure = failure;
    for (std::size_t i = 0; i < handed.size(); ++i) {
        if (outcomes[i])
            answer.conversions.push_back({handed[i], *outcomes[i]});
        if (failure && !isAnswered(outcomes[i], toTheEnd))
            answer.unanswered.push_back(handed[i].input);
    }
    return answer;
}

// Hands a whole batch over on a new stream and collects its answers until each encoder has
// started or was refused, then says `handedOver`; followed `toTheEnd`, until each conversion
// has ended.
BatchAnswer deliver(const CompanionStarter &starter, const std::vector<ProgramMessage> &messages,
                    const std::vector<EncoderCall> &handed, bool toTheEnd,
                    const std::function<void()> &handedOver)
{
    Outcomes outcomes(handed.size());
    std::string incoming;
    Result<UniqueFd> stream = starter.openStream();
    std::optional<Error> failure;
    if (!stream)
        failure = stream.error();
    for (std::size_t i = 0; !failure && i < messages.size(); ++i) {
        const Result<void> sent = sendWhole(stream->get(), toFrame(messages[i]), starter);
        if (!sent && !companionGone(sent))
            failure = starter.failure(Error::What::CompanionNotAnswering);
    }
    if (!failure)
        failure = awaitAnswers(stream->get(), incoming, outcomes, false, false, -1, starter);
    handedOver();
    if (!failure && toTheEnd)
        failure = awaitAnswers(stream->get(), incoming, outcomes, true, false, -1, starter);
    return answerFor(handed, outcomes, failure, toTheEnd);
}

} // namespace

void blockStopSignals()
{
    const sigset_t stopping = stopSignals();
    ::sigprocmask(SIG_BLOCK, &stopping, nullptr);
}

UniqueFd stopSignalDescriptor()
{
    const sigset_t stopping = stopSignals();
    return UniqueFd(::signalfd(-1, &stopping, SFD_CLOEXEC | SFD_NONBLOCK));
}

bool takeStopSignals(int descriptor)
{
    bool came = false;
    signalfd_siginfo signal;
    while (::read(descriptor, &signal, sizeof signal) > 0)
        came = true;
    return came;
}

CompanionLink::CompanionLink(std::string program, std::optional<std::string> display,
                             bool waitsForConversions, Road handedOn)
    : starter(std::move(program), std::move(display)), waits(waitsForConversions), road(handedOn)
{
}

Result<void> CompanionLink::hand(ConversionRequest request)
{
    // Once a batch: the companion that takes its first request takes the others.
    if (Result<void> runnable =
            handed.empty() ? checkExecutable(starter.program(), Error::What::CompanionNotStartable)
                           : Result<void>();
        !runnable)
        return runnable;
    if (road == Road::Window) {
        // Followed to its end, so that a companion that ends before is found out.
        request.waited = true;
        handed.push_back(request.call);
        messages.emplace_back(std::move(request));
        return {};
    }
    if (!stream.isValid()) {
        Result<UniqueFd> opened = starter.openStream();
        if (!opened)
            return opened.error();
        stream = std::move(*opened);
    }
    request.waited = waits;
    // A request that a companion that has ended could not take is named with the others
    // handed to it once the batch finishes.
    if (const Result<void> sent = sendWhole(stream.get(), toFrame(request), starter);
        !sent && !companionGone(sent))
        return starter.failure(Error::What::CompanionNotStartable, sent.error().number);
    handed.push_back(request.call);
    return {};
}

bool CompanionLink::note(const std::u16string &text)
{
    if (!starter.hasDisplay() || handed.empty())
        return false;
    if (road == Road::Window) {
        messages.emplace_back(BatchNote{text});
        return true;
    }
    return stream.isValid() && sendWhole(stream.get(), toFrame(BatchNote{text}), starter);
}

BatchAnswer CompanionLink::finishBatch()
{
    if (road == Road::Window && handed.empty())
        return {};
    if (road == Road::Window) {
        const BatchAnswer answer = deliver(starter, messages, handed, false, [] {});
        messages.clear();
        handed.clear();
        return answer;
    }
    Outcomes outcomes(handed.size());
    std::string incoming;
    std::optional<Error> failure;
    if (!handed.empty()) {
        const UniqueFd interruptions = waits ? stopSignalDescriptor() : UniqueFd();
        failure = awaitAnswers(stream.get(), incoming, outcomes, waits, stopped,
                               interruptions.get(), starter);
    }
    const BatchAnswer answer = answerFor(handed, outcomes, failure, waits);
    stream.reset();
    handed.clear();
    return answer;
}

void CompanionLink::finishBatchAside(std::function<void(const BatchAnswer &)> told)
{
    if (handed.empty())
        return;
    {
        const std::lock_guard lock(handingOver->mutex);
        ++handingOver->batches;
    }
    const auto handedOver = [pending = handingOver] {
        const std::lock_guard lock(pending->mutex);
        --pending->batches;
        pending->done.notify_all();
    };
    std::thread([starter = starter, batch = std::exchange(messages, {}),
                 calls = std::exchange(handed, {}), told = std::move(told), handedOver] {
        told(deliver(starter, batch, calls, true, handedOver));
    }).detach();
}

void CompanionLink::awaitHandedOver()
{
    std::unique_lock lock(handingOver->mutex);
    handingOver->done.wait(lock, [this] { return handingOver->batches == 0; });
}
