#include "session.h"

#include <QCryptographicHash>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QByteArray sessionAddress(const QByteArray &runtimeDirectory, const QString &displayPlatform)
{
    const QByteArray display =
        displayPlatform.toUtf8() + '|' + qgetenv("DISPLAY") + '|' + qgetenv("WAYLAND_DISPLAY");
    return runtimeDirectory + "/session-" +
           QCryptographicHash::hash(display, QCryptographicHash::Sha256).toHex().first(16);
}

int lockSession(const QByteArray &address)
{
    const QByteArray path = address + ".lock";
    const int lock = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) == 0)
        return lock;
    const int error = errno;
    ::close(lock);
    errno = error;
    return -1;
}
