#include "unixsocket.h"

#include "jobs/filenamebytes.h"
#include "pathparts.h"

#include <cerrno>
#include <cstddef>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int ConnectRetryMilliseconds = 5;

// The address of a socket file. A path too long for an address (108 bytes) is reached
// through the kernel's link to its folder, which stays open as long as the address.
class SocketAddress
{
public:
    explicit SocketAddress(const std::string &path)
    {
        std::string reachable = path;
        if (path.size() >= sizeof address.sun_path) {
            folder.reset(::open(folderOf(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!folder.isValid())
                return;
            reachable = "/proc/self/fd/" + std::to_string(folder.get()) + '/' + lastPartOf(path);
        }
        if (reachable.size() >= sizeof address.sun_path) {
            errno = ENAMETOOLONG;
            return;
        }
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, reachable.data(), reachable.size());
    }

    bool isValid() const { return address.sun_family == AF_UNIX; }
    const sockaddr *get() const { return reinterpret_cast<const sockaddr *>(&address); }

private:
    sockaddr_un address = {};
    UniqueFd folder;
};

// A new socket, made ready by the given call on the address.
template <typename Ready>
Result<UniqueFd> socketAt(const std::string &path, int flags, Error::What what, Ready ready)
{
    const SocketAddress address(path);
    UniqueFd socket;
    if (address.isValid())
        socket.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0));
    if (!socket.isValid() || !ready(socket.get(), address.get()))
        return Error{what, errno, fileNameFromBytes(path)};
    return socket;
}

} // namespace

Result<UniqueFd> connectUnixSocket(const std::string &path, Error::What what,
                                   const Deadline &deadline)
{
    return socketAt(path, SOCK_NONBLOCK, what, [&deadline](int socket, const sockaddr *address) {
        for (;;) {
            if (::connect(socket, address, sizeof(sockaddr_un)) == 0)
                return true;
            if (errno != EAGAIN)
                return false;
            if (deadline.hasExpired()) {
                errno = ETIMEDOUT;
                return false;
            }
            // A full queue tells nothing when it has room again: it is tried once more soon.
            ::poll(nullptr, 0, ConnectRetryMilliseconds);
        }
    });
}

Result<UniqueFd> listenOnUnixSocket(const std::string &path, Error::What what)
{
    ::unlink(path.c_str());
    return socketAt(path, SOCK_NONBLOCK, what, [](int socket, const sockaddr *address) {
        return ::bind(socket, address, sizeof(sockaddr_un)) == 0 &&
               ::listen(socket, SOMAXCONN) == 0;
    });
}
