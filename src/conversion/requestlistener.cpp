#include "requestlistener.h"

#include "platform/standarderror.h"
#include "qtnames.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int AcceptPauseMilliseconds = 250;

} // namespace

RequestListener::RequestListener(QObject *parent) : QObject(parent) {}

RequestListener::~RequestListener()
{
    close();
}

Result<void> RequestListener::adopt(UniqueFd listeningSocket, UniqueFd sessionLock,
                                    const QByteArray &path)
{
    listening = std::move(listeningSocket);
    lock = std::move(sessionLock);
    socketPath = path;
    const int flags = ::fcntl(listening.get(), F_GETFL);
    if (::fcntl(lock.get(), F_SETFD, FD_CLOEXEC) < 0 ||
        ::fcntl(listening.get(), F_SETFD, FD_CLOEXEC) < 0 || flags < 0 ||
        ::fcntl(listening.get(), F_SETFL, flags | O_NONBLOCK) < 0) {
        const int number = errno;
        close();
        return Error{Error::What::CompanionNotStartable, number};
    }
    return {};
}

void RequestListener::watch()
{
    notifier = new QSocketNotifier(listening.get(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &RequestListener::acceptWaiting);
}

void RequestListener::close()
{
    if (listening.isValid()) {
        delete notifier;
        notifier = nullptr;
        // Refused from now on, so that no client is left waiting in a socket nobody reads;
        // the ones already queued are taken. The lock keeps the path ours until unlinked.
        ::shutdown(listening.get(), SHUT_RD);
        acceptWaiting();
        ::unlink(socketPath.constData());
        listening.reset();
    }
    lock.reset();
}

void RequestListener::acceptWaiting()
{
    for (;;) {
        const int client =
            ::accept4(listening.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0 && (errno == EINTR || errno == ECONNABORTED))
            continue;
        if (client < 0 && errno != EAGAIN && notifier)
            pauseAccepting();
        if (client < 0)
            return;
        emit accepted(client);
    }
}

// Out of descriptors or memory: the waiting clients stay queued until some are free again,
// rather than be tried for over and over.
void RequestListener::pauseAccepting()
{
    notifier->setEnabled(false);
    QTimer::singleShot(AcceptPauseMilliseconds, notifier, [this] { notifier->setEnabled(true); });
}

RequestConnection::RequestConnection(int socket, QObject *parent)
    : QObject(parent), descriptor(socket)
{
    // A stream that cannot be made non-blocking fails its first read, and is closed then.
    const int flags = ::fcntl(socket, F_GETFL);
    if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0)
        descriptor.reset();
}

RequestConnection::~RequestConnection() = default;

void RequestConnection::watch()
{
    if (closedByClient || inputEnded)
        return;
    notifier = new QSocketNotifier(descriptor.get(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &RequestConnection::readAvailable);
}

void RequestConnection::readAvailable()
{
    if (inputEnded)
        return;
    const bool ended = readSome();
    const bool gone = ended && hasClientGone();
    while (!closedByClient) {
        const std::optional<ProgramMessage> message = takeProgramMessage(stream);
        if (!message)
            break;
        take(*message, gone);
    }
    // Whatever announces a longer frame is no message of ours.
    if (!closedByClient && stream.size() > MaximumFrameSize)
        return refuse(u"長すぎるメッセージが来ました");
    if (gone)
        return close();
    if (ended && !closedByClient) {
        inputEnded = true;
        if (notifier)
            notifier->setEnabled(false);
        emit inputClosed();
    }
}

// Reads at most a frame's worth before the messages are taken: what is left then waits.
// Whether the stream has ended.
bool RequestConnection::readSome()
{
    char buffer[16384];
    while (stream.size() <= MaximumFrameSize) {
        const ssize_t count = ::read(descriptor.get(), buffer, sizeof buffer);
        if (count > 0) {
            stream.append(buffer, std::size_t(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        return count == 0 || errno != EAGAIN;
    }
    return false;
}

// A client that closed its end for writing only still reads; one that has gone has closed
// both ways.
bool RequestConnection::hasClientGone() const
{
    pollfd state = {descriptor.get(), 0, 0};
    return ::poll(&state, 1, 0) < 0 || (state.revents & (POLLHUP | POLLERR)) != 0;
}

// A client that has gone is still shown its notes, which ask for no answer.
void RequestConnection::take(const ProgramMessage &message, bool clientGone)
{
    const bool first = !std::exchange(anyMessageTaken, true);
    if (std::holds_alternative<Hello>(message)) {
        if (!first)
            return refuse(u"要求のあとに Hello が来ました");
        return;
    }
    if (const auto *request = std::get_if<ConversionRequest>(&message);
        request && !isWellFormed(*request))
        return refuse(u"形式の正しくない要求が来ました");
    if (!clientGone || std::holds_alternative<BatchNote>(message))
        emit received(message);
}

// No program of ours sends that: the stream is served no further, and nothing is shown.
void RequestConnection::refuse(const std::u16string &why)
{
    writeLineToStandardError(u"orvalen-conversion: " + why + u"。その接続を閉じました。");
    close();
}

void RequestConnection::send(const ConversionReport &report)
{
    if (closedByClient)
        return;
    const std::string frame = toFrame(report);
    if (::send(descriptor.get(), frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT) !=
        ssize_t(frame.size()))
        close();
}

void RequestConnection::close()
{
    if (closedByClient)
        return;
    closedByClient = true;
    if (notifier)
        notifier->setEnabled(false);
    ::shutdown(descriptor.get(), SHUT_RDWR);
    emit closed();
}

#include "moc_requestlistener.cpp"
