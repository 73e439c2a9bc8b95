#include "temporaryoutput.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype NameMax = 255;
constexpr qsizetype UniqueLength = 6;
constexpr char UniqueLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

QByteArray extensionOf(const QByteArray &name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArray() : name.sliced(dot);
}

// The part of the temporary name before the unique part: "." + the output's name (or its
// start and hash) + ".".
QByteArray stemOf(const QByteArray &outputName)
{
    const qsizetype fixed = 2 + UniqueLength + extensionOf(outputName).size();
    if (outputName.size() + fixed <= NameMax)
        return '.' + outputName + '.';
    const QByteArray hash =
        QCryptographicHash::hash(outputName, QCryptographicHash::Sha256).toHex().first(8);
    qsizetype kept = std::max<qsizetype>(0, NameMax - fixed - 1 - hash.size());
    // Not inside a UTF-8 character: its continuation bytes go with it.
    for (int i = 0; i < 3 && kept > 0 && (outputName[kept] & 0xC0) == 0x80; ++i)
        --kept;
    return '.' + outputName.first(kept) + '~' + hash + '.';
}

bool isUniquePart(QByteArrayView part)
{
    return part.size() == UniqueLength && std::all_of(part.begin(), part.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c));
           });
}

QByteArray uniquePart()
{
    QByteArray unique(UniqueLength, '\0');
    for (char &c : unique)
        c = UniqueLetters[QRandomGenerator::global()->bounded(int(sizeof UniqueLetters - 1))];
    return unique;
}

// Makes sure the data has reached the disk before the name points at it.
int syncToDisk(const QByteArray &path, int flags)
{
    const int descriptor = ::open(path.constData(), flags | O_CLOEXEC);
    if (descriptor < 0)
        return errno;
    const int error = ::fsync(descriptor) < 0 ? errno : 0;
    ::close(descriptor);
    return error;
}

} // namespace

QByteArray temporaryFileName(const QByteArray &outputName, const QByteArray &unique)
{
    return stemOf(outputName) + unique + extensionOf(outputName);
}

bool isTemporaryFileNameOf(const QByteArray &candidate, const QByteArray &outputName)
{
    const QByteArray stem = stemOf(outputName);
    const QByteArray extension = extensionOf(outputName);
    return candidate.size() == stem.size() + UniqueLength + extension.size() &&
           candidate.startsWith(stem) && candidate.endsWith(extension) &&
           isUniquePart(QByteArrayView(candidate).sliced(stem.size(), UniqueLength));
}

TemporaryOutput::~TemporaryOutput()
{
    remove();
}

int TemporaryOutput::create(const QByteArray &workingDirectory, const QByteArray &output)
{
    const qsizetype slash = output.lastIndexOf('/');
    folderAsGiven = output.first(slash + 1);
    outputName = output.sliced(slash + 1);
    folder = output.startsWith('/') ? folderAsGiven : workingDirectory + '/' + folderAsGiven;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = temporaryFileName(outputName, uniquePart());
        const int created = ::open((folder + name).constData(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (created >= 0) {
            ::close(created);
            fileName = name;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

void TemporaryOutput::removeLeftovers() const
{
    DIR *const directory = ::opendir(folder.constData());
    if (!directory)
        return;
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        struct stat status = {};
        if (name == fileName || !isTemporaryFileNameOf(name, outputName) ||
            ::fstatat(::dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) < 0)
            continue;
        // Only a file of ours: in a shared folder, another user may be writing the same name.
        if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid())
            ::unlinkat(::dirfd(directory), entry->d_name, 0);
    }
    ::closedir(directory);
}

int TemporaryOutput::replaceOutput()
{
    const QByteArray path = folder + fileName;
    struct stat written = {};
    if (::lstat(path.constData(), &written) < 0)
        return errno;
    if (written.st_size == 0)
        return ENODATA;
    if (const int error = syncToDisk(path, O_RDONLY))
        return error;
    const QByteArray target = folder + outputName;
    struct stat earlier = {};
    if (::lstat(target.constData(), &earlier) == 0) {
        // Made a link or a device meanwhile: not ours to replace.
        if (!S_ISREG(earlier.st_mode))
            return EEXIST;
        ::chmod(path.constData(), earlier.st_mode & 07777);
    }
    if (::rename(path.constData(), target.constData()) < 0)
        return errno;
    fileName.clear();
    syncToDisk(folder, O_RDONLY | O_DIRECTORY);
    return 0;
}

void TemporaryOutput::remove()
{
    if (!fileName.isEmpty())
        ::unlink((folder + fileName).constData());
    fileName.clear();
}
