#include "unixsocket.h"

#include <cstddef>
#include <cstring>
#include <optional>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::optional<sockaddr_un> addressOf(const QByteArray &path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, path.constData(), path.size());
    return address;
}

// A new socket, made ready by the given call on the address; -1 when either fails.
template <typename Ready> int socketAt(const QByteArray &path, int flags, Ready ready)
{
    const std::optional<sockaddr_un> address = addressOf(path);
    if (!address)
        return -1;
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
    if (socket >= 0 && ready(socket, reinterpret_cast<const sockaddr *>(&*address)))
        return socket;
    if (socket >= 0)
        ::close(socket);
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

std::optional<QByteArray> unixSocketPath(int socket)
{
    sockaddr_un address = {};
    socklen_t size = sizeof address;
    if (::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &size) < 0 ||
        address.sun_family != AF_UNIX || size <= offsetof(sockaddr_un, sun_path) ||
        address.sun_path[0] == '\0')
        return std::nullopt;
    return QByteArray(address.sun_path, ::strnlen(address.sun_path, sizeof address.sun_path));
}
