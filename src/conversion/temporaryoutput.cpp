#include "temporaryoutput.h"

#include "partialrecord.h"
#include "qtnames.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

Error notReplaced(int number)
{
    return {Error::What::OutputNotReplaced, number};
}

// Whether the marker holds what ours do and is not held by a running conversion; it is
// locked while the caller keeps it open.
bool isFreeMarker(int marker, uid_t owner)
{
    struct stat status = {};
    char content[sizeof TemporaryMarkerContent] = {};
    return ::fstat(marker, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == owner &&
           ::pread(marker, content, sizeof content, 0) == ssize_t(sizeof content - 1) &&
           QByteArrayView(content) == TemporaryMarkerContent &&
           ::flock(marker, LOCK_EX | LOCK_NB) == 0;
}

} // namespace

// Only where it still has the owner of ours: in a shared folder, another user may be
// converting the same name.
void removeTemporaryFolder(int parent, const QByteArray &name, const QByteArray &outputName,
                           uid_t owner)
{
    struct stat status = {};
    if (!isTemporaryNameOf(name, outputName) ||
        ::fstatat(parent, name.constData(), &status, AT_SYMLINK_NOFOLLOW) < 0 ||
        !S_ISDIR(status.st_mode) || status.st_uid != owner)
        return;
    const UniqueFd folder(
        ::openat(parent, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isValid())
        return;
    const UniqueFd marker(
        ::openat(folder.get(), TemporaryMarkerName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!marker.isValid() || !isFreeMarker(marker.get(), owner))
        return;
    ::unlinkat(folder.get(), outputName.constData(), 0);
    ::unlinkat(folder.get(), TemporaryMarkerName, 0);
    // Fails, and leaves it, when it holds anything else.
    if (holdsEntry(folder.get(), parent, name))
        ::unlinkat(parent, name.constData(), AT_REMOVEDIR);
}
QByteArray temporaryName(const QByteArray &outputName, const QByteArray &unique)
{
    return stemOf(outputName) + unique + extensionOf(outputName);
}

bool isTemporaryNameOf(const QByteArray &candidate, const QByteArray &outputName)
{
    const QByteArray stem = stemOf(outputName);
    const QByteArray extension = extensionOf(outputName);
    return candidate.size() == stem.size() + UniqueLength + extension.size() &&
           candidate.startsWith(stem) && candidate.endsWith(extension) &&
           isUniquePart(QByteArrayView(candidate).sliced(stem.size(), UniqueLength));
}

TemporaryOutput::TemporaryOutput() = default;

TemporaryOutput::~TemporaryOutput()
{
    remove();
}

Result<void> TemporaryOutput::create(OutputFolder outputFolder, const QByteArray &runtimeDirectory)
{
    parent = std::move(outputFolder);
    const QByteArray &outputName = parent.outputName();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = temporaryName(outputName, uniquePart());
        if (::mkdirat(parent.descriptor(), name.constData(), 0700) < 0) {
            if (errno == EEXIST)
                continue;
            return Error{Error::What::OutputFolderUnwritable, errno};
        }
        folderName = name;
        folder.reset(::openat(parent.descriptor(), name.constData(),
                              O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.isValid())
            return Error{Error::What::OutputFolderUnwritable, errno};
        Result<void> created = createContents();
        if (created)
            record = PartialRecord::make(runtimeDirectory, parent.path() + name, outputName);
        return created;
    }
    return Error{Error::What::OutputFolderUnwritable, EEXIST};
}

// Makes the marker, locked, and the file in the folder, which must be ours: another's folder
// could have been put in its place between its making and its opening. Ours is owned as our
// new files are (on disks without owners, such as FAT, all belong to whoever mounted it).
Result<void> TemporaryOutput::createContents()
{
    marker.reset(::openat(folder.get(), TemporaryMarkerName,
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!marker.isValid())
        return Error{Error::What::OutputFolderUnwritable, errno};
    struct stat created = {};
    struct stat held = {};
    if (::fstat(marker.get(), &created) < 0 || ::fstat(folder.get(), &held) < 0 ||
        created.st_uid != held.st_uid) {
        ::unlinkat(folder.get(), TemporaryMarkerName, 0);
        marker.reset();
        folder.reset();
        return Error{Error::What::OutputFolderUnwritable, EEXIST};
    }
    owner = created.st_uid;
    const qsizetype length = sizeof TemporaryMarkerContent - 1;
    if (::flock(marker.get(), LOCK_EX | LOCK_NB) < 0 ||
        ::write(marker.get(), TemporaryMarkerContent, length) != length)
        return Error{Error::What::OutputFolderUnwritable, errno};
    const UniqueFd file(::openat(folder.get(), parent.outputName().constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!file.isValid())
        return Error{Error::What::OutputFolderUnwritable, errno};
    return {};
}

QByteArray TemporaryOutput::encoderName(const QByteArray &output, int descriptorInEncoder)
{
    return "/proc/self/fd/" + QByteArray::number(descriptorInEncoder) + '/' + lastPartOf(output);
}

void TemporaryOutput::removeLeftovers() const
{
    const int listed = ::openat(parent.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *const directory = listed < 0 ? nullptr : ::fdopendir(listed);
    if (!directory) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (name != folderName)
            removeTemporaryFolder(parent.descriptor(), name, parent.outputName(), owner);
    }
    ::closedir(directory);
}

// The folder is checked to be the one named at the start right before the rename; the rename
// goes through its descriptor, so that one swapped after the check gets the file, not the
// folder put in its name.
Result<void> TemporaryOutput::replaceOutput()
{
    const QByteArray &outputName = parent.outputName();
    const UniqueFd file(
        ::openat(folder.get(), outputName.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.isValid())
        return notReplaced(errno);
    if (Result<void> ready = putInPlace(file.get()); !ready)
        return ready;
    if (Result<void> named = parent.checkStillNamed(); !named)
        return named;
    if (::renameat(folder.get(), outputName.constData(), parent.descriptor(),
                   outputName.constData()) < 0)
        return notReplaced(errno);
    // Makes sure that the folder's new entry has reached the disk, as far as it can.
    const UniqueFd synced(::openat(parent.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (synced.isValid())
        ::fsync(synced.get());
    return {};
}

// Makes the finished file ready to replace the output: on the disk, with the permission bits
// of the earlier output, which must be a plain file, when it is the user's own (one planted
// by another user gives nothing, and no set-user-ID, set-group-ID or sticky bit is taken).
Result<void> TemporaryOutput::putInPlace(int file) const
{
    struct stat written = {};
    if (::fstat(file, &written) < 0)
        return notReplaced(errno);
    if (written.st_size == 0)
        return Error{Error::What::EncoderWroteNothing};
    if (::fsync(file) < 0)
        return notReplaced(errno);
    struct stat earlier = {};
    if (::fstatat(parent.descriptor(), parent.outputName().constData(), &earlier,
                  AT_SYMLINK_NOFOLLOW) == 0) {
        // Made a link or a device meanwhile: not ours to replace.
        if (!S_ISREG(earlier.st_mode))
            return notReplaced(EEXIST);
        // Disks without permissions (FAT) refuse this; the output is replaced all the same.
        if (earlier.st_uid == ::geteuid())
            ::fchmod(file, earlier.st_mode & 0777);
    }
    return {};
}

void TemporaryOutput::remove()
{
    if (!folder.isValid())
        return record.reset();
    ::unlinkat(folder.get(), parent.outputName().constData(), 0);
    ::unlinkat(folder.get(), TemporaryMarkerName, 0);
    // Only the folder that is still ours under its name, in the folder held.
    if (holdsEntry(folder.get(), parent.descriptor(), folderName))
        ::unlinkat(parent.descriptor(), folderName.constData(), AT_REMOVEDIR);
    folder.reset();
    marker.reset();
    record.reset();
}
