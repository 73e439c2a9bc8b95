#include "companionlink.h"

#include "childspawn.h"
#include "filechecks.h"
#include "platform/filenamebytes.h"
#include "requestsocket.h"
#include "unixsocket.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long a session companion may take to start and answer.
constexpr int AnswerMilliseconds = 10'000;

bool sendWhole(int socket, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes = bytes.sliced(sent);
    }
    return true;
}

// Waits for the one byte with which the companion says it has taken the request.
bool acknowledged(int socket, const QDeadlineTimer &deadline)
{
    pollfd watched = {socket, POLLIN, 0};
    if (::poll(&watched, 1, int(deadline.remainingTime())) <= 0)
        return false;
    char taken = 0;
    return ::recv(socket, &taken, 1, 0) == 1;
}

QString companionFailure(const QByteArray &companion, const QString &reason)
{
    return QStringLiteral("変換を見守るプログラムを起動できません: %1\n%2")
        .arg(fileNameFromBytes(companion), reason);
}

} // namespace

CompanionLink::CompanionLink(QByteArray companion, std::optional<QString> displayPlatform)
    : companion(std::move(companion)), displayPlatform(std::move(displayPlatform))
{
}

CompanionLink::~CompanionLink()
{
    if (batchSocket >= 0)
        ::close(batchSocket);
}

QString CompanionLink::hand(const ConversionRequest &request)
{
    if (const QString problem = whyNotExecutable(companion); !problem.isEmpty())
        return companionFailure(companion, problem);
    const QByteArray frame = toFrame(request);
    return displayPlatform ? handToSession(frame) : handToBatch(frame);
}

QString CompanionLink::handToSession(const QByteArray &frame)
{
    const QByteArray address = sessionAddress(*displayPlatform);
    if (address.isEmpty())
        return companionFailure(companion, QStringLiteral("個人用の実行時フォルダーを作れません"));
    const QDeadlineTimer deadline(AnswerMilliseconds);
    QDeadlineTimer nextStart;
    while (!deadline.hasExpired()) {
        if (const int socket = connectUnixSocket(address + ".socket"); socket >= 0) {
            const bool taken = sendWhole(socket, frame) && acknowledged(socket, deadline);
            ::close(socket);
            if (taken)
                return {};
        }
        // None answers, or one was leaving: start one, then give it a moment to listen.
        if (nextStart.hasExpired()) {
            const QString failure =
                startCompanion({"--session", displayPlatform->toUtf8()}, -1, -1);
            if (!failure.isEmpty())
                return failure;
            nextStart.setRemainingTime(1'000);
        }
        QThread::msleep(20);
    }
    return companionFailure(companion, QStringLiteral("応答がありません"));
}

QString CompanionLink::handToBatch(const QByteArray &frame)
{
    if (batchSocket < 0) {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) < 0)
            return companionFailure(companion, systemReason(errno));
        const QString failure = startCompanion({"--batch"}, pair[1], STDERR_FILENO);
        ::close(pair[1]);
        if (!failure.isEmpty()) {
            ::close(pair[0]);
            return failure;
        }
        batchSocket = pair[0];
    }
    if (!sendWhole(batchSocket, frame))
        return companionFailure(companion, systemReason(errno));
    return {};
}

QString CompanionLink::startCompanion(const QByteArrayList &arguments, int input, int error)
{
    if (const int failed = spawnDetached(companion, arguments, {input, -1, error}))
        return companionFailure(companion, systemReason(failed));
    return {};
}
