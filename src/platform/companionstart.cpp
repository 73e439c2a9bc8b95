#include "companionstart.h"

#include "jobs/conversionrequest.h"
#include "jobs/filenamebytes.h"
#include "processstart.h"
#include "runtimedirectory.h"
#include "session.h"
#include "unixsocket.h"

#include <cerrno>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How long a companion may take to take a stream: the same as for its answers.
constexpr std::chrono::milliseconds ConnectTime{5'000};
// How long to wait for a session's lock, which a companion that is leaving holds briefly.
constexpr std::chrono::milliseconds LockTime{10'000};
constexpr int LockRetryMilliseconds = 5;

// Our Hello, first on the stream; one that does not take it is found out by the reading.
UniqueFd greeted(UniqueFd stream)
{
    const std::string hello = toFrame(Hello{});
    ::send(stream.get(), hello.data(), hello.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return stream;
}

} // namespace

CompanionStarter::CompanionStarter(std::string program, std::optional<std::string> display)
    : companion(std::move(program)), displayPlatform(std::move(display))
{
}

Result<UniqueFd> CompanionStarter::openStream() const
{
    Result<UniqueFd> opened = displayPlatform ? openSessionStream() : startBatchCompanion();
    if (!opened)
        return opened;
    return greeted(std::move(*opened));
}

Error CompanionStarter::failure(Error::What what, int number) const
{
    return {what, number, fileNameFromBytes(companion)};
}

Result<UniqueFd> CompanionStarter::openSessionStream() const
{
    const Result<std::string> runtime = privateRuntimeDirectory();
    if (!runtime)
        return Error{Error::What::CompanionNotStartable, 0, fileNameFromBytes(companion),
                     runtime.error().causes};
    const std::string address = sessionAddress(*runtime, *displayPlatform);
    Result<UniqueFd> connected = connectUnixSocket(
        address + ".socket", Error::What::CompanionNotStartable, Deadline(ConnectTime));
    if (connected)
        return connected;
    // A companion that listens but takes no stream.
    if (connected.error().number == ETIMEDOUT)
        return failure(Error::What::CompanionNotAnswering);
    return startSessionCompanion(address);
}

// Starts the session's companion on a listening socket made here, unless another Orvalen
// started one meanwhile. Returns a socket connected to it. Runs aside on the window's road.
Result<UniqueFd> CompanionStarter::startSessionCompanion(const std::string &address) const
{
    const std::string path = address + ".socket";
    const Deadline deadline(LockTime);
    // The lock's holder is a companion that listens or is leaving, or an Orvalen starting one.
    for (;;) {
        Result<UniqueFd> lock = lockSession(address);
        // Ours: no companion listens, so the socket is ours to make.
        if (lock)
            return startOnOwnSocket(path, lock->get());
        if (lock.error().number != EWOULDBLOCK)
            return failure(Error::What::CompanionNotStartable, lock.error().number);
        Result<UniqueFd> socket =
            connectUnixSocket(path, Error::What::CompanionNotStartable, deadline);
        if (socket)
            return socket;
        if (deadline.hasExpired())
            return failure(Error::What::CompanionSilent);
        ::poll(nullptr, 0, LockRetryMilliseconds);
    }
}

// Starts the companion on a new listening socket at path, handing it the session's lock too.
Result<UniqueFd> CompanionStarter::startOnOwnSocket(const std::string &path, int lock) const
{
    Result<UniqueFd> listening = listenOnUnixSocket(path, Error::What::CompanionNotStartable);
    if (!listening)
        return failure(Error::What::CompanionNotStartable, listening.error().number);
    const std::string first = std::to_string(FirstInheritedDescriptor);
    const std::string second = std::to_string(FirstInheritedDescriptor + 1);
    const Result<void> launched = startCompanion(
        {"--session", *displayPlatform, path, first, second}, {"/", {}, {listening->get(), lock}});
    if (!launched)
        return launched.error();
    Result<UniqueFd> connected =
        connectUnixSocket(path, Error::What::CompanionNotStartable, Deadline(ConnectTime));
    if (!connected)
        return failure(Error::What::CompanionNotStartable, connected.error().number);
    return connected;
}

Result<UniqueFd> CompanionStarter::startBatchCompanion() const
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

// A companion outlives the batch that started it; a thread of its own reaps it as it ends,
// rather than leave it our zombie while the window stays open.
Result<void> CompanionStarter::startCompanion(const std::vector<std::string> &arguments,
                                              const ProcessSetup &setup) const
{
    const Result<pid_t> child =
        startProcess(companion, arguments, setup, Error::What::CompanionNotStartable);
    if (!child)
        return child.error();
    std::thread([companion = *child] { ::waitpid(companion, nullptr, 0); }).detach();
    return {};
}
