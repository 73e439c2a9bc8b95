#include "outputlock.h"

#include "runtimedirectory.h"

#include <QCryptographicHash>

#include <climits>
#include <cstdlib>

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

QByteArray canonicalOutputPath(const QByteArray &workingDirectory, const QByteArray &output)
{
    const QByteArray absolute = output.startsWith('/') ? output : workingDirectory + '/' + output;
    const qsizetype slash = absolute.lastIndexOf('/');
    const QByteArray folder = slash == 0 ? QByteArray("/") : absolute.first(slash);
    char resolved[PATH_MAX];
    if (!::realpath(folder.constData(), resolved))
        return absolute;
    const QByteArray real(resolved);
    return (real == "/" ? QByteArray() : real) + absolute.sliced(slash);
}

OutputLock::~OutputLock()
{
    if (descriptor < 0)
        return;
    // Removed while still held: whoever opened it meanwhile sees a new file next time.
    ::unlink(lockFile.constData());
    ::close(descriptor);
}

OutputLock::Result OutputLock::take(const QByteArray &workingDirectory, const QByteArray &output)
{
    const QByteArray directory = privateRuntimeDirectory();
    if (directory.isEmpty())
        return Result::Unavailable;
    const QByteArray key = QCryptographicHash::hash(canonicalOutputPath(workingDirectory, output),
                                                    QCryptographicHash::Sha256)
                               .toHex();
    const QByteArray path = directory + "/output-" + key + ".lock";
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
