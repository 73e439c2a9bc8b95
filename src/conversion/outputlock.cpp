#include "outputlock.h"

#include "jobs/filenamebytes.h"
#include "outputfolder.h"
#include "platform/filelock.h"
#include "qtnames.h"

#include <QCryptographicHash>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A holder that ends removes its file; a lock taken on one opened just before that is stale.
constexpr int Attempts = 8;

QByteArray hashOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

Result<UniqueFd> takeRuntimeLock(const QByteArray &path)
{
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        Result<UniqueFd> lock =
            takeFileLock(path.toStdString(), Error::What::OutputLockUnavailable);
        if (!lock && lock.error().number == EWOULDBLOCK)
            return Error{Error::What::OutputLockBusy};
        if (!lock)
            return Error{Error::What::OutputLockUnavailable, lock.error().number};
        if (holdsEntry(lock->get(), AT_FDCWD, path))
            return lock;
    }
    return Error{Error::What::OutputLockBusy};
}

// Opened for reading only: another user converting the same output in a shared folder
// takes the lock on the file that the first one made. Never a FIFO or a device that whoever
// else writes in the folder put there: nothing waits on them, and they are refused.
UniqueFd openLockFile(int folder, const QByteArray &name, int flags)
{
    UniqueFd lock(::openat(folder, name.constData(),
                           O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | flags, 0644));
    struct stat status = {};
    if (lock.isValid() && (::fstat(lock.get(), &status) < 0 || !S_ISREG(status.st_mode))) {
        lock.reset();
        errno = EEXIST;
    }
    return lock;
}

Result<UniqueFd> takeLockBeside(int folder, const QByteArray &name)
{
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        UniqueFd lock = openLockFile(folder, name, O_CREAT);
        if (!lock.isValid())
            return Error{Error::What::OutputFolderUnwritable, errno};
        if (::flock(lock.get(), LOCK_EX | LOCK_NB) < 0)
            return Error{errno == EWOULDBLOCK ? Error::What::OutputLockBusy
                                              : Error::What::OutputLockUnavailable,
                         errno};
        if (holdsEntry(lock.get(), folder, name))
            return lock;
    }
    return Error{Error::What::OutputLockBusy};
}

// One name for every spelling of the output's name, in one case.
QByteArray lockNameBeside(const QByteArray &outputName)
{
    return ".orvalen-" + hashOf(caseFoldedFileName(outputName)).first(16) + ".lock";
}

} // namespace

void removeFreeLockBeside(int folder, const QByteArray &outputName)
{
    const QByteArray name = lockNameBeside(outputName);
    const UniqueFd lock = openLockFile(folder, name, 0);
    if (lock.isValid() && ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0 &&
        holdsEntry(lock.get(), folder, name))
        ::unlinkat(folder, name.constData(), 0);
}

OutputLock::~OutputLock()
{
    // Removed while still held: whoever opened them meanwhile sees new files next time.
    if (beside.isValid() && holdsEntry(beside.get(), outputFolder.get(), besideName))
        ::unlinkat(outputFolder.get(), besideName.constData(), 0);
    if (descriptor.isValid())
        ::unlink(lockFile.constData());
}

Result<void> OutputLock::take(const QByteArray &runtimeDirectory, const QByteArray &fileKey,
                              const OutputFolder &folder)
{
    const QByteArray path = runtimeDirectory + "/output-" + hashOf(fileKey) + ".lock";
    Result<UniqueFd> inRuntime = takeRuntimeLock(path);
    if (!inRuntime)
        return inRuntime.error();
    Result<UniqueFd> besideOutput =
        takeLockBeside(folder.descriptor(), lockNameBeside(folder.outputName()));
    if (!besideOutput) {
        ::unlink(path.constData());
        return besideOutput.error();
    }
    lockFile = path;
    descriptor = std::move(*inRuntime);
    outputFolder.reset(::fcntl(folder.descriptor(), F_DUPFD_CLOEXEC, 0));
    besideName = lockNameBeside(folder.outputName());
    beside = std::move(*besideOutput);
    return {};
}
