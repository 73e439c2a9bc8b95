#include "temporaryoutput.h"

#include "partialrecord.h"

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

// Makes sure that the folder's new entry has reached the disk, as far as it can.
void syncFolder(const QByteArray &path)
{
    const UniqueFd folder(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isValid())
        ::fsync(folder.get());
}

Error notReplaced(int number)
{
    return {Error::What::OutputNotReplaced, number};
}

} // namespace

// Only where it still has the owner of ours: in a shared folder, another user may be
// converting the same name.
void removeTemporaryFolder(int parent, const QByteArray &name, const QByteArray &outputName,
                           uid_t owner)
{
    struct stat status = {};
    if (::fstatat(parent, name.constData(), &status, AT_SYMLINK_NOFOLLOW) < 0 ||
        status.st_uid != owner)
        return;
    if (S_ISREG(status.st_mode)) {
        ::unlinkat(parent, name.constData(), 0);
        return;
    }
    const UniqueFd folder(
        ::openat(parent, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isValid())
        return;
    ::unlinkat(folder.get(), outputName.constData(), 0);
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

TemporaryOutput::~TemporaryOutput()
{
    remove();
}

Result<void> TemporaryOutput::create(const QByteArray &output, const QByteArray &runtimeDirectory)
{
    const qsizetype slash = output.lastIndexOf('/');
    outputName = output.sliced(slash + 1);
    outputFolder = output.first(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = temporaryName(outputName, uniquePart());
        if (::mkdir((outputFolder + name).constData(), 0700) < 0) {
            if (errno == EEXIST)
                continue;
            return Error{Error::What::OutputFolderUnwritable, errno};
        }
        folderName = name;
        folder.reset(::open((outputFolder + name).constData(),
                            O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.isValid())
            return Error{Error::What::OutputFolderUnwritable, errno};
        Result<void> created = createFile();
        if (created)
            record = PartialRecord::make(runtimeDirectory, outputFolder + name, outputName);
        return created;
    }
    return Error{Error::What::OutputFolderUnwritable, EEXIST};
}

// Makes the file in the folder, which must be ours: another's folder could have been put in
// its place between its making and its opening. Ours is owned as our new file is (on disks
// without owners, such as FAT, both belong to whoever mounted it).
Result<void> TemporaryOutput::createFile()
{
    const UniqueFd file(::openat(folder.get(), outputName.constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!file.isValid())
        return Error{Error::What::OutputFolderUnwritable, errno};
    struct stat created = {};
    struct stat held = {};
    const bool ours = ::fstat(file.get(), &created) == 0 && ::fstat(folder.get(), &held) == 0 &&
                      created.st_uid == held.st_uid;
    owner = created.st_uid;
    if (ours)
        return {};
    ::unlinkat(folder.get(), outputName.constData(), 0);
    folder.reset();
    return Error{Error::What::OutputFolderUnwritable, EEXIST};
}

QByteArray TemporaryOutput::encoderName(const QByteArray &output, int descriptorInEncoder)
{
    return "/proc/self/fd/" + QByteArray::number(descriptorInEncoder) + '/' +
           output.sliced(output.lastIndexOf('/') + 1);
}

void TemporaryOutput::removeLeftovers() const
{
    DIR *const directory = ::opendir(outputFolder.constData());
    if (!directory)
        return;
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (name != folderName && isTemporaryNameOf(name, outputName))
            removeTemporaryFolder(::dirfd(directory), name, outputName, owner);
    }
    ::closedir(directory);
}

Result<void> TemporaryOutput::replaceOutput()
{
    const UniqueFd file(
        ::openat(folder.get(), outputName.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.isValid())
        return notReplaced(errno);
    if (Result<void> ready = putInPlace(file.get()); !ready)
        return ready;
    if (::renameat(folder.get(), outputName.constData(), AT_FDCWD,
                   (outputFolder + outputName).constData()) < 0)
        return notReplaced(errno);
    syncFolder(outputFolder);
    return {};
}

// Makes the finished file ready to replace the output: on the disk, with the permissions
// of the earlier output, which must be a plain file.
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
    if (::lstat((outputFolder + outputName).constData(), &earlier) == 0) {
        // Made a link or a device meanwhile: not ours to replace.
        if (!S_ISREG(earlier.st_mode))
            return notReplaced(EEXIST);
        // Disks without permissions (FAT) refuse this; the output is replaced all the same.
        ::fchmod(file, earlier.st_mode & 07777);
    }
    return {};
}

void TemporaryOutput::remove()
{
    if (!folder.isValid())
        return record.reset();
    ::unlinkat(folder.get(), outputName.constData(), 0);
    // Only the folder that is still ours under its name.
    struct stat held = {};
    struct stat named = {};
    const QByteArray path = outputFolder + folderName;
    if (::fstat(folder.get(), &held) == 0 && ::lstat(path.constData(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        ::rmdir(path.constData());
    folder.reset();
    record.reset();
}
