#include "runtimedirectory.h"

#include "jobs/filenamebytes.h"
#include "uniquefd.h"

#include <cerrno>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Error unusable(const QByteArray &path, int number)
{
    return {Error::What::RuntimeFolderUnusable, number, fileNameFromBytes(path)};
}

// Whether the folder can hold our locks and socket, making it if it is missing.
Result<QByteArray> usableFolder(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) < 0 && errno != EEXIST)
        return unusable(path, errno);
    struct stat status = {};
    if (::lstat(path.constData(), &status) < 0)
        return unusable(path, errno);
    if (!S_ISDIR(status.st_mode))
        return unusable(path, ENOTDIR);
    if (status.st_uid != ::getuid() || (status.st_mode & 077) != 0)
        return Error{Error::What::RuntimeFolderNotPrivate, 0, fileNameFromBytes(path)};
    // A read-only or full disk shows when a file cannot be made there.
    const UniqueFd probe(::open(path.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!probe.isValid() && errno != EOPNOTSUPP && errno != EISDIR) // a disk without unnamed files
        return unusable(path, errno);
    return path;
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

Result<QByteArray> privateRuntimeDirectory()
{
    Error failure{Error::What::RuntimeFolderUnusable};
    const QByteArray base = qgetenv("XDG_RUNTIME_DIR");
    if (!base.isEmpty()) {
        const Result<QByteArray> folder = usableFolder(base + "/orvalen");
        if (folder)
            return folder;
        failure.causes.push_back(folder.error());
    }
    const QByteArray cache = cacheFolder();
    // Made here if missing; a failure shows in the check of the folder inside.
    ::mkdir(cache.constData(), 0700);
    ::mkdir((cache + "/orvalen").constData(), 0700);
    const Result<QByteArray> folder = usableFolder(cache + "/orvalen/runtime-" + hostName());
    if (folder)
        return folder;
    failure.causes.push_back(folder.error());
    return failure;
}
