#include "unixsocket.h"

#include <cerrno>
#include <cstddef>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The address of a socket file. A path too long for an address (108 bytes) is reached
// through the kernel's link to its folder, which stays open as long as the address.
class SocketAddress
{
public:
    explicit SocketAddress(const QByteArray &path)
    {
        QByteArray reachable = path;
        if (path.size() >= qsizetype(sizeof address.sun_path)) {
            const qsizetype slash = path.lastIndexOf('/');
            folder = ::open(slash > 0 ? path.first(slash).constData() : "/",
                            O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (folder < 0)
                return;
            reachable = "/proc/self/fd/" + QByteArray::number(folder) + path.sliced(slash);
        }
        if (reachable.size() >= qsizetype(sizeof address.sun_path)) {
            errno = ENAMETOOLONG;
            return;
        }
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, reachable.constData(), reachable.size());
    }

    ~SocketAddress()
    {
        const int error = errno;
        if (folder >= 0)
            ::close(folder);
        errno = error;
    }

    SocketAddress(const SocketAddress &) = delete;
    SocketAddress &operator=(const SocketAddress &) = delete;

    bool isValid() const { return address.sun_family == AF_UNIX; }
    const sockaddr *get() const { return reinterpret_cast<const sockaddr *>(&address); }

private:
    sockaddr_un address = {};
    int folder = -1;
};

// A new socket, made ready by the given call on the address; -1 and errno when either fails.
template <typename Ready> int socketAt(const QByteArray &path, int flags, Ready ready)
{
    const SocketAddress address(path);
    if (!address.isValid())
        return -1;
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
    if (socket >= 0 && ready(socket, address.get()))
        return socket;
    const int error = errno;
    if (socket >= 0)
        ::close(socket);
    errno = error;
    return -1;
}

} // namespace

int connectUnixSocket(const QByteArray &path)
{
    return socketAt(path, 0, [](int socket, const sockaddr *address) {
        return ::connect(socket, address, sizeof(sockaddr_un)) == 0;
    });
}

int listenOnUnixSocket(const QByteArray &path)
{
    ::unlink(path.constData());
    return socketAt(path, SOCK_NONBLOCK, [](int socket, const sockaddr *address) {
        return ::bind(socket, address, sizeof(sockaddr_un)) == 0 &&
               ::listen(socket, SOMAXCONN) == 0;
    });
}
