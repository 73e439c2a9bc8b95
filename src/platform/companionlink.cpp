#include "companionlink.h"

#include "filechecks.h"
#include "jobs/filenamebytes.h"
#include "processstart.h"
#include "runtimedirectory.h"
#include "session.h"
#include "unixsocket.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <csignal>

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How long to wait for a session's lock, which a companion that is leaving holds briefly.
constexpr int LockMilliseconds = 10'000;
// How long the companion may take to answer while an encoder is still to start.
constexpr int AnswerMilliseconds = 5'000;
// How long stopped conversions may take to end: their encoders are killed after 5 seconds.
constexpr int StopMilliseconds = 10'000;

bool sendWhole(int socket, QByteArrayView bytes, const QDeadlineTimer &deadline)
{
    while (!bytes.isEmpty()) {
        const ssize_t sent =
            ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes = bytes.sliced(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno != EAGAIN)
            return false;
        pollfd writable = {socket, POLLOUT, 0};
        if (::poll(&writable, 1, int(deadline.remainingTime())) <= 0) {
            errno = ETIMEDOUT;
            return false;
        }
    }
    return true;
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
bool takeReports(QByteArray &incoming, QList<std::optional<ConversionOutcome>> &outcomes)
{
    while (const std::optional<ConversionReport> report = takeReport(incoming)) {
        if (report->request >= quint32(outcomes.size()))
            return false;
        outcomes[report->request] = report->outcome;
    }
    return true;
}

} // namespace

void blockStopSignals()
{
    const sigset_t stopping = stopSignals();
    ::sigprocmask(SIG_BLOCK, &stopping, nullptr);
}

CompanionLink::CompanionLink(QByteArray program, std::optional<QString> display,
                             bool waitsForConversions)
    : companion(std::move(program)), displayPlatform(std::move(display)), waits(waitsForConversions)
{
}

CompanionLink::~CompanionLink()
{
    reapEndedCompanions();
}

Result<void> CompanionLink::hand(ConversionRequest request)
{
    if (Result<void> runnable = checkExecutable(companion, Error::What::CompanionNotStartable);
        !runnable)
        return runnable;
    if (!stream.isValid()) {
        Result<UniqueFd> opened = openStream();
        if (!opened)
            return opened.error();
        stream = std::move(*opened);
    }
    request.waited = waits;
    // A companion that has ended is found out, with every file handed to it named, once the
    // batch finishes; a request it could not take is named among them.
    if (!sendWhole(stream.get(), toFrame(request), QDeadlineTimer(AnswerMilliseconds)) &&
        errno != EPIPE && errno != ECONNRESET)
        return failure(Error::What::CompanionNotStartable, errno);
    handed.append(request.call);
    return {};
}

bool CompanionLink::note(const QString &text)
{
    return displayPlatform && stream.isValid() &&
           sendWhole(stream.get(), toFrame(BatchNote{text}), QDeadlineTimer(AnswerMilliseconds));
}

BatchAnswer CompanionLink::finishBatch()
{
    QList<std::optional<ConversionOutcome>> outcomes(handed.size());
    BatchAnswer answer;
    if (!handed.isEmpty())
        answer.failure = awaitAnswers(outcomes);
    for (qsizetype i = 0; i < handed.size(); ++i) {
        if (outcomes[i])
            answer.conversions.append({handed[i], *outcomes[i]});
        // The conversions whose fate the companion did not tell are named.
        if (answer.failure && !isAnswered(outcomes[i]))
            answer.unanswered.append(handed[i].input);
    }
    stream.reset();
    handed.clear();
    return answer;
}

bool CompanionLink::isAnswered(const std::optional<ConversionOutcome> &outcome) const
{
    return outcome && (!waits || outcome->hasEnded());
}

Error CompanionLink::failure(Error::What what, int number) const
{
    return {what, number, fileNameFromBytes(companion)};
}

// Reads the companion's reports until every conversion handed over is answered for. Returns
// why it could not be, or nothing. While an encoder is still to start, and after a stop,
// the companion answers within a few seconds or is given up on.
std::optional<Error> CompanionLink::awaitAnswers(QList<std::optional<ConversionOutcome>> &outcomes)
{
    const auto answered = [this](const auto &outcome) { return isAnswered(outcome); };
    const auto hasStarted = [](const auto &outcome) { return outcome.has_value(); };
    const sigset_t stopping = stopSignals();
    const UniqueFd interruptions(waits ? ::signalfd(-1, &stopping, SFD_CLOEXEC | SFD_NONBLOCK)
                                       : -1);
    QDeadlineTimer deadline(AnswerMilliseconds);
    bool stopped = false;
    QByteArray incoming;
    while (!std::all_of(outcomes.cbegin(), outcomes.cend(), answered)) {
        const bool timed = stopped || !std::all_of(outcomes.cbegin(), outcomes.cend(), hasStarted);
        pollfd watched[] = {{stream.get(), POLLIN, 0}, {interruptions.get(), POLLIN, 0}};
        const int ready = ::poll(watched, 2, timed ? int(deadline.remainingTime()) : -1);
        if (ready == 0)
            return failure(Error::What::CompanionNotAnswering);
        if (ready < 0 && errno != EINTR)
            return failure(Error::What::CompanionStreamFailed, errno);
        if (ready < 0)
            continue;
        if (watched[1].revents & POLLIN) {
            signalfd_siginfo signal;
            while (::read(interruptions.get(), &signal, sizeof signal) > 0) {
            }
            // Not sent means gone: the reading below finds that out.
            if (!stopped)
                sendWhole(stream.get(), toFrame(StopRequest{}), QDeadlineTimer(AnswerMilliseconds));
            stopped = true;
            deadline.setRemainingTime(StopMilliseconds);
        }
        if (!(watched[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buffer[4096];
        const ssize_t count = ::recv(stream.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        incoming.append(buffer, std::max<ssize_t>(count, 0));
        if (count <= 0 || !takeReports(incoming, outcomes))
            return failure(Error::What::CompanionEnded);
        if (!stopped)
            deadline.setRemainingTime(AnswerMilliseconds);
    }
    return std::nullopt;
}

Result<UniqueFd> CompanionLink::openStream()
{
    return displayPlatform ? openSessionStream() : startBatchCompanion();
}

Result<UniqueFd> CompanionLink::openSessionStream()
{
    const Result<QByteArray> runtime = privateRuntimeDirectory();
    if (!runtime)
        return Error{Error::What::CompanionNotStartable, 0, fileNameFromBytes(companion),
                     runtime.error().causes};
    const QByteArray address = sessionAddress(*runtime, *displayPlatform);
    Result<UniqueFd> connected =
        connectUnixSocket(address + ".socket", Error::What::CompanionNotStartable);
    if (connected)
        return connected;
    return startSessionCompanion(address);
}

// Starts the session's companion on a listening socket made here, unless another Orvalen
// started one meanwhile. Returns a socket connected to it.
Result<UniqueFd> CompanionLink::startSessionCompanion(const QByteArray &address)
{
    const QByteArray path = address + ".socket";
    const QDeadlineTimer deadline(LockMilliseconds);
    // The lock's holder is a companion that listens or is leaving, or an Orvalen starting one.
    for (;;) {
        Result<UniqueFd> lock = lockSession(address);
        // Ours: no companion listens, so the socket is ours to make.
        if (lock)
            return startOnOwnSocket(path, lock->get());
        if (lock.error().number != EWOULDBLOCK)
            return failure(Error::What::CompanionNotStartable, lock.error().number);
        if (Result<UniqueFd> socket = connectUnixSocket(path, Error::What::CompanionNotStartable))
            return socket;
        if (deadline.hasExpired())
            return failure(Error::What::CompanionSilent);
        QThread::msleep(5);
    }
}

// Starts the companion on a new listening socket at path, handing it the session's lock too.
Result<UniqueFd> CompanionLink::startOnOwnSocket(const QByteArray &path, int lock)
{
    Result<UniqueFd> listening = listenOnUnixSocket(path, Error::What::CompanionNotStartable);
    if (!listening)
        return failure(Error::What::CompanionNotStartable, listening.error().number);
    const QByteArray first = QByteArray::number(FirstInheritedDescriptor);
    const QByteArray second = QByteArray::number(FirstInheritedDescriptor + 1);
    const Result<void> launched =
        startCompanion({"--session", displayPlatform->toUtf8(), path, first, second},
                       {"/", {}, {listening->get(), lock}});
    if (!launched)
        return launched.error();
    Result<UniqueFd> connected = connectUnixSocket(path, Error::What::CompanionNotStartable);
    if (!connected)
        return failure(Error::What::CompanionNotStartable, connected.error().number);
    return connected;
}

Result<UniqueFd> CompanionLink::startBatchCompanion()
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) < 0)
        return failure(Error::What::CompanionNotStartable, errno);
    UniqueFd ours(pair[0]);
    const UniqueFd theirs(pair[1]);
    const Result<void> launched =
        startCompanion({"--batch"}, {"/", {theirs.get(), -1, STDERR_FILENO}, {}});
    if (!launched)
        return launched.error();
    return ours;
}

Result<void> CompanionLink::startCompanion(const QByteArrayList &arguments,
                                           const ProcessSetup &setup)
{
    reapEndedCompanions();
    const Result<pid_t> child =
        startProcess(companion, arguments, setup, Error::What::CompanionNotStartable);
    if (!child)
        return child.error();
    started.push_back(*child);
    return {};
}

// A companion outlives the batch that started it; once it has ended, it is reaped here
// rather than left as our zombie while the window stays open.
void CompanionLink::reapEndedCompanions()
{
    std::erase_if(started, [](pid_t child) { return ::waitpid(child, nullptr, WNOHANG) != 0; });
}
