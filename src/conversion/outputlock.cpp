#include "outputlock.h"

#include "platform/filelock.h"

#include <QCryptographicHash>

#include <cerrno>

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
    // Removed while still held: whoever opened it meanwhile sees a new file next time.
    if (descriptor.isValid())
        ::unlink(lockFile.constData());
}

Result<void> OutputLock::take(const QByteArray &runtimeDirectory, const QByteArray &fileKey)
{
    const QByteArray path = runtimeDirectory + "/output-" +
                            QCryptographicHash::hash(fileKey, QCryptographicHash::Sha256).toHex() +
                            ".lock";
    // A holder that ends removes the file; one opened just before that is stale: retry.
    for (int attempt = 0; attempt < 8; ++attempt) {
        Result<UniqueFd> lock = takeFileLock(path, Error::What::OutputLockUnavailable);
        if (!lock && lock.error().number == EWOULDBLOCK)
            return Error{Error::What::OutputLockBusy};
        if (!lock)
            return Error{Error::What::OutputLockUnavailable, lock.error().number};
        if (sameInode(lock->get(), path)) {
            lockFile = path;
            descriptor = std::move(*lock);
            return {};
        }
    }
    return Error{Error::What::OutputLockBusy};
}
