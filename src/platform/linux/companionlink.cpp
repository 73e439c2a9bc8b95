#include "companionlink.h"

#include "childspawn.h"
#include "filechecks.h"
#include "platform/filenamebytes.h"
#include "requestsocket.h"
#include "unixsocket.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How long to wait for a session's lock, which a companion that is leaving holds briefly.
constexpr int LockMilliseconds = 10'000;

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
    reapEndedCompanions();
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
    int socket = connectUnixSocket(address + ".socket");
    if (socket < 0) {
        QString failure;
        socket = startSessionCompanion(address, failure);
        if (socket < 0)
            return failure;
    }
    const bool sent = sendWhole(socket, frame);
    const int error = errno;
    ::close(socket);
    return sent ? QString() : companionFailure(companion, systemReason(error));
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
    failure = startCompanion({"--session", displayPlatform->toUtf8(), QByteArray::number(listening),
                              QByteArray::number(lock)},
                             {{}, {}, {listening, lock}, false});
    int socket = -1;
    if (failure.isEmpty()) {
        socket = connectUnixSocket(path);
        if (socket < 0)
            failure = companionFailure(companion, systemReason(errno));
    }
    ::close(listening);
    return socket;
}

QString CompanionLink::handToBatch(const QByteArray &frame)
{
    if (batchSocket < 0) {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) < 0)
            return companionFailure(companion, systemReason(errno));
        const QString failure =
            startCompanion({"--batch"}, {{}, {pair[1], -1, STDERR_FILENO}, {}, false});
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

QString CompanionLink::startCompanion(const QByteArrayList &arguments, const SpawnSetup &setup)
{
    reapEndedCompanions();
    pid_t child = -1;
    if (const int failed = spawnProgram(companion, arguments, setup, child))
        return companionFailure(companion, systemReason(failed));
    started.push_back(child);
    return {};
}

// A companion outlives the request that started it; once it has ended, it is reaped here
// rather than left as our zombie while the window stays open.
void CompanionLink::reapEndedCompanions()
{
    std::erase_if(started, [](pid_t child) { return ::waitpid(child, nullptr, WNOHANG) != 0; });
}
