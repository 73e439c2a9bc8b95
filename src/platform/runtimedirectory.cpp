#include "runtimedirectory.h"

#include "filechecks.h"
#include "jobs/filenamebytes.h"

#include <cerrno>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why the folder cannot hold our locks and socket, making it if it is missing; empty when
// it can.
QString whyNotUsable(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) < 0 && errno != EEXIST)
        return systemReason(errno);
    struct stat status = {};
    if (::lstat(path.constData(), &status) < 0)
        return systemReason(errno);
    if (!S_ISDIR(status.st_mode))
        return systemReason(ENOTDIR);
    if (status.st_uid != ::getuid() || (status.st_mode & 077) != 0)
        return QStringLiteral("自分だけのフォルダーではありません");
    // A read-only or full disk shows when a file cannot be made there.
    const int probe = ::open(path.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (probe >= 0)
        ::close(probe);
    else if (errno != EOPNOTSUPP && errno != EISDIR) // a disk without unnamed files
        return systemReason(errno);
    return {};
}

QByteArray cacheFolder()
{
    const QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (cache.startsWith('/'))
        return cache;
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty()) {
        const passwd *user = ::getpwuid(::getuid());
        home = user ? QByteArray(user->pw_dir) : QByteArray();
    }
    return home + "/.cache";
}

QByteArray hostName()
{
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

} // namespace

RuntimeDirectory privateRuntimeDirectory()
{
    QString failure;
    const QByteArray base = qgetenv("XDG_RUNTIME_DIR");
    if (!base.isEmpty()) {
        const QByteArray path = base + "/orvalen";
        const QString why = whyNotUsable(path);
        if (why.isEmpty())
            return {path, {}};
        failure = fileNameFromBytes(path) + QStringLiteral(": ") + why + u'\n';
    }
    const QByteArray cache = cacheFolder();
    ::mkdir(cache.constData(), 0700);
    ::mkdir((cache + "/orvalen").constData(), 0700);
    const QByteArray path = cache + "/orvalen/runtime-" + hostName();
    const QString why = whyNotUsable(path);
    if (why.isEmpty())
        return {path, {}};
    return {{}, failure + fileNameFromBytes(path) + QStringLiteral(": ") + why};
}
