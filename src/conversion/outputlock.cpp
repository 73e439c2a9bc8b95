#include "outputlock.h"

#include <QCryptographicHash>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool sameInode(int descriptor, const QByteArray &path)
{
    struct stat opened = {};
    struct stat named = {};
    return ::fstat(descriptor, &opened) == 0 && ::stat(path.constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

OutputLock::~OutputLock()
{
    if (descriptor < 0)
        return;
    // Removed while still held: whoever opened it meanwhile sees a new file next time.
    ::unlink(lockFile.constData());
    ::close(descriptor);
}

OutputLock::Result OutputLock::take(const QByteArray &runtimeDirectory, const QByteArray &fileKey)
{
    const QByteArray path = runtimeDirectory + "/output-" +
                            QCryptographicHash::hash(fileKey, QCryptographicHash::Sha256).toHex() +
                            ".lock";
    // A holder that ends removes the file; one opened just before that is stale: retry.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int opened =
            ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (opened < 0)
            return Result::Unavailable;
        if (::flock(opened, LOCK_EX | LOCK_NB) < 0) {
            ::close(opened);
            return Result::Busy;
        }
        if (sameInode(opened, path)) {
            lockFile = path;
            descriptor = opened;
            return Result::Taken;
        }
        ::close(opened);
    }
    return Result::Busy;
}
