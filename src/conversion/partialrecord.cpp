#include "partialrecord.h"

#include "outputfolder.h"
#include "outputlock.h"
#include "qtnames.h"
#include "temporaryoutput.h"

#include <QRandomGenerator>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char RecordPrefix[] = "partial-";
constexpr char RecordSuffix[] = ".record";
// A folder's path and an output's name, with room to spare.
constexpr qsizetype LongestRecord = 8192;

bool writeWhole(int descriptor, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

QByteArray readRecord(int descriptor)
{
    QByteArray content(LongestRecord, '\0');
    const ssize_t count = ::pread(descriptor, content.data(), content.size(), 0);
    return content.first(std::max<ssize_t>(count, 0));
}

// Removes the folder that the record names, when it is a temporary folder of ours, and the
// output's lock file beside it.
void removeRecorded(const QByteArray &record)
{
    const qsizetype separator = record.indexOf('\0');
    if (separator < 0)
        return;
    const QByteArray folderPath = record.first(separator);
    const QByteArray outputName = record.sliced(separator + 1);
    if (!folderPath.startsWith('/'))
        return;
    const UniqueFd parent(
        ::open(folderOf(folderPath).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent.isValid())
        return;
    removeTemporaryFolder(parent.get(), lastPartOf(folderPath), outputName, ::geteuid());
    removeFreeLockBeside(parent.get(), outputName);
}

} // namespace

// The record is made whole and locked before it gets its name, so that no companion ever
// sees it unlocked while its maker lives.
std::unique_ptr<PartialRecord> PartialRecord::make(const QByteArray &runtimeDirectory,
                                                   const QByteArray &folderPath,
                                                   const QByteArray &outputName)
{
    UniqueFd file(::open(runtimeDirectory.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!file.isValid() || ::flock(file.get(), LOCK_EX | LOCK_NB) < 0 ||
        !writeWhole(file.get(), folderPath + '\0' + outputName))
        return nullptr;
    const QByteArray unnamed = "/proc/self/fd/" + QByteArray::number(file.get());
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QByteArray path = runtimeDirectory + '/' + RecordPrefix +
                                QByteArray::number(QRandomGenerator::global()->generate64(), 16) +
                                RecordSuffix;
        if (::linkat(AT_FDCWD, unnamed.constData(), AT_FDCWD, path.constData(),
                     AT_SYMLINK_FOLLOW) == 0)
            return std::unique_ptr<PartialRecord>(new PartialRecord(path, std::move(file)));
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

PartialRecord::PartialRecord(QByteArray recordPath, UniqueFd heldLock)
    : path(std::move(recordPath)), lock(std::move(heldLock))
{
}

PartialRecord::~PartialRecord()
{
    ::unlink(path.constData());
}

void removeAbandonedOutputs(const QByteArray &runtimeDirectory)
{
    DIR *const directory = ::opendir(runtimeDirectory.constData());
    if (!directory)
        return;
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(RecordPrefix) || !name.endsWith(RecordSuffix))
            continue;
        const QByteArray path = runtimeDirectory + '/' + name;
        const UniqueFd record(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        // Held by a running conversion, or removed by it meanwhile.
        if (!record.isValid() || ::flock(record.get(), LOCK_EX | LOCK_NB) < 0 ||
            !holdsEntry(record.get(), AT_FDCWD, path))
            continue;
        removeRecorded(readRecord(record.get()));
        ::unlink(path.constData());
    }
    ::closedir(directory);
}
