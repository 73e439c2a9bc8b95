#include "companionlink.h"

#include "childspawn.h"
#include "filechecks.h"
#include "jobs/filenamebytes.h"
#include "platform/session.h"
#include "runtimedirectory.h"
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

QString companionFailure(const QByteArray &companion, const QString &reason)
{
    return QStringLiteral("変換を見守るプログラムを起動できません: %1\n%2")
        .arg(fileNameFromBytes(companion), reason);
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

CompanionLink::CompanionLink(QByteArray companion, std::optional<QString> displayPlatform,
                             bool waits)
    : companion(std::move(companion)), displayPlatform(std::move(displayPlatform)), waits(waits)
{
}

CompanionLink::~CompanionLink()
{
    if (stream >= 0)
        ::close(stream);
    reapEndedCompanions();
}

QString CompanionLink::hand(ConversionRequest request)
{
    if (const QString problem = whyNotExecutable(companion); !problem.isEmpty())
        return companionFailure(companion, problem);
    if (stream < 0) {
        if (const QString failure = openStream(); !failure.isEmpty())
            return failure;
    }
    request.waited = waits;
    // A companion that has ended is found out, with every file handed to it named, once the
    // batch finishes; a request it could not take is named among them.
    if (!sendWhole(stream, toFrame(request), QDeadlineTimer(AnswerMilliseconds)) &&
        errno != EPIPE && errno != ECONNRESET)
        return companionFailure(companion, systemReason(errno));
    handed.append(request.call);
    return {};
}

BatchAnswer CompanionLink::finishBatch()
{
    QList<std::optional<ConversionOutcome>> outcomes(handed.size());
    const QString reason = handed.isEmpty() ? QString() : awaitAnswers(outcomes);
    BatchAnswer answer;
    QString unanswered;
    for (qsizetype i = 0; i < handed.size(); ++i) {
        if (outcomes[i])
            answer.conversions.append({handed[i], *outcomes[i]});
        if (!isAnswered(outcomes[i]))
            unanswered += u'\n' + handed[i].input();
    }
    // The conversions whose fate the companion did not tell are named.
    if (!reason.isEmpty())
        answer.failure =
            QStringLiteral("%1: %2\n次のファイルの変換がどうなったか確かめられません。")
                .arg(reason, fileNameFromBytes(companion)) +
            unanswered;
    if (stream >= 0)
        ::close(stream);
    stream = -1;
    handed.clear();
    return answer;
}

bool CompanionLink::isAnswered(const std::optional<ConversionOutcome> &outcome) const
{
    return outcome && (!waits || outcome->hasEnded());
}

// Reads the companion's reports until every conversion handed over is answered for. Returns
// why it could not be, or nothing. While an encoder is still to start, and after a stop,
// the companion answers within a few seconds or is given up on.
QString CompanionLink::awaitAnswers(QList<std::optional<ConversionOutcome>> &outcomes)
{
    const auto answered = [this](const auto &outcome) { return isAnswered(outcome); };
    const auto hasStarted = [](const auto &outcome) { return outcome.has_value(); };
    const sigset_t stopping = stopSignals();
    const int interruptions = waits ? ::signalfd(-1, &stopping, SFD_CLOEXEC | SFD_NONBLOCK) : -1;
    QDeadlineTimer deadline(AnswerMilliseconds);
    bool stopped = false;
    QByteArray incoming;
    QString reason;
    while (reason.isEmpty() && !std::all_of(outcomes.cbegin(), outcomes.cend(), answered)) {
        const bool timed = stopped || !std::all_of(outcomes.cbegin(), outcomes.cend(), hasStarted);
        pollfd watched[] = {{stream, POLLIN, 0}, {interruptions, POLLIN, 0}};
        const int ready = ::poll(watched, 2, timed ? int(deadline.remainingTime()) : -1);
        if (ready == 0)
            reason = QStringLiteral("変換を見守るプログラムが応答しません");
        else if (ready < 0 && errno != EINTR)
            reason = systemReason(errno);
        if (ready <= 0)
            continue;
        if (watched[1].revents & POLLIN) {
            signalfd_siginfo signal;
            while (::read(interruptions, &signal, sizeof signal) > 0) {
            }
            if (!stopped)
                sendWhole(stream, toFrame(StopRequest{}), QDeadlineTimer(AnswerMilliseconds));
            stopped = true;
            deadline.setRemainingTime(StopMilliseconds);
        }
        if (!(watched[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buffer[4096];
        const ssize_t count = ::recv(stream, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        incoming.append(buffer, std::max<ssize_t>(count, 0));
        if (count <= 0 || !takeReports(incoming, outcomes))
            reason = QStringLiteral("変換を見守るプログラムが途中で終わりました");
        else if (!stopped)
            deadline.setRemainingTime(AnswerMilliseconds);
    }
    if (interruptions >= 0)
        ::close(interruptions);
    return reason;
}

QString CompanionLink::openStream()
{
    return displayPlatform ? openSessionStream() : startBatchCompanion();
}

QString CompanionLink::openSessionStream()
{
    const RuntimeDirectory runtime = privateRuntimeDirectory();
    if (runtime.path.isEmpty())
        return companionFailure(
            companion, QStringLiteral("個人用の実行時フォルダーを作れません\n") + runtime.failure);
    const QByteArray address = sessionAddress(runtime.path, *displayPlatform);
    stream = connectUnixSocket(address + ".socket");
    if (stream >= 0)
        return {};
    QString failure;
    stream = startSessionCompanion(address, failure);
    return failure;
}

// Starts the session's companion on a listening socket made here, unless another Orvalen
// started one meanwhile. Returns a socket connected to it, or -1 and the failure.
int CompanionLink::startSessionCompanion(const QByteArray &address, QString &failure)
{
    const QByteArray path = address + ".socket";
    const QDeadlineTimer deadline(LockMilliseconds);
    int lock = -1;
    // The lock's holder is a companion that listens or is leaving, or an Orvalen starting one.
    while ((lock = lockSession(address)) < 0) {
        if (errno != EWOULDBLOCK) {
            failure = companionFailure(companion, systemReason(errno));
            return -1;
        }
        if (const int socket = connectUnixSocket(path); socket >= 0)
            return socket;
        if (deadline.hasExpired()) {
            failure = companionFailure(companion, QStringLiteral("応答がありません"));
            return -1;
        }
        QThread::msleep(5);
    }
    // Ours: no companion listens, so the socket is ours to make.
    const int socket = startOnOwnSocket(path, lock, failure);
    ::close(lock);
    return socket;
}

// Starts the companion on a new listening socket at path, handing it the session's lock too.
int CompanionLink::startOnOwnSocket(const QByteArray &path, int lock, QString &failure)
{
    const int listening = listenOnUnixSocket(path);
    if (listening < 0) {
        failure = companionFailure(companion, systemReason(errno));
        return -1;
    }
    failure = startCompanion({"--session", displayPlatform->toUtf8(), path,
                              QByteArray::number(listening), QByteArray::number(lock)},
                             {"/", {}, {listening, lock}, false});
    int socket = -1;
    if (failure.isEmpty()) {
        socket = connectUnixSocket(path);
        if (socket < 0)
            failure = companionFailure(companion, systemReason(errno));
    }
    ::close(listening);
    return socket;
}

QString CompanionLink::startBatchCompanion()
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) < 0)
        return companionFailure(companion, systemReason(errno));
    const QString failure =
        startCompanion({"--batch"}, {"/", {pair[1], -1, STDERR_FILENO}, {}, false});
    ::close(pair[1]);
    if (!failure.isEmpty()) {
        ::close(pair[0]);
        return failure;
    }
    stream = pair[0];
    return {};
}

QString CompanionLink::startCompanion(const QByteArrayList &arguments, const SpawnSetup &setup)
{
    reapEndedCompanions();
    pid_t child = -1;
    if (const int failed = spawnProgram(companion, arguments, setup, child))
        return companionFailure(companion, systemReason(failed));
    started.push_back(child);
    return {};
}

// A companion outlives the batch that started it; once it has ended, it is reaped here
// rather than left as our zombie while the window stays open.
void CompanionLink::reapEndedCompanions()
{
    std::erase_if(started, [](pid_t child) { return ::waitpid(child, nullptr, WNOHANG) != 0; });
}
