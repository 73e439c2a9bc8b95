#include "fileidentity.h"

#include "jobs/filenamebytes.h"
#include "platform/pathparts.h"
#include "qtnames.h"

#include <climits>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

bool exists(const QByteArray &path)
{
    struct stat status = {};
    return ::lstat(path.constData(), &status) == 0;
}

// The name with its ASCII letters in the other case: every case-blind disk folds those.
QByteArray otherCaseOf(QByteArray name)
{
    for (char &c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            c ^= 0x20;
    }
    return name;
}

// The path that a name stands for: its folder with every link resolved, then its own name.
// A folder that does not exist is kept as written.
QByteArray canonicalPath(const QByteArray &absolute)
{
    char resolved[PATH_MAX];
    if (!::realpath(folderOf(absolute).constData(), resolved))
        return absolute;
    const QByteArray real(resolved);
    return (real == "/" ? QByteArray() : real) + '/' + lastPartOf(absolute);
}

// Whether names in the folder that differ only in case reach one file, as on FAT, exFAT
// and NTFS disks and in case-folding ext4 folders. The folder's own entries tell: a name
// with letters in it is found in its other case too, yet listed once. A folder with no such
// name to try is taken to be case-blind, which errs on the side of caution.
bool isCaseBlindFolder(const QByteArray &folder)
{
    DIR *const directory = ::opendir(folder.constData());
    if (!directory)
        return true;
    // The other spelling of the first name with letters, once that spelling is found too.
    QByteArray otherCase;
    bool blind = true;
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (!otherCase.isEmpty()) {
            // Listed as well: two files, which only a case-sensitive folder holds.
            if (name == otherCase) {
                blind = false;
                break;
            }
            continue;
        }
        const QByteArray other = otherCaseOf(name);
        if (other == name || !exists(folder + '/' + name))
            continue;
        if (!exists(folder + '/' + other)) {
            blind = false;
            break;
        }
        otherCase = other;
    }
    ::closedir(directory);
    return blind;
}

} // namespace

QByteArray absolutePath(const QByteArray &workingDirectory, const QByteArray &name)
{
    return name.startsWith('/') ? name : workingDirectory + '/' + name;
}

QByteArray fileKey(const QByteArray &path)
{
    return caseFoldedFileName(canonicalPath(path));
}

bool isSameInode(const struct stat &one, const struct stat &other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

bool isSameFile(const QByteArray &input, const QByteArray &output)
{
    struct stat in = {};
    struct stat out = {};
    if (::stat(input.constData(), &in) < 0 || ::stat(output.constData(), &out) < 0)
        return false;
    if (isSameInode(in, out))
        return true;
    return fileKey(input) == fileKey(output) && isCaseBlindFolder(folderOf(canonicalPath(output)));
}

Result<void> checkPlainFileOrNone(int folder, const QByteArray &name)
{
    using What = Error::What;
    struct stat status = {};
    if (::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) < 0 ||
        S_ISREG(status.st_mode))
        return {};
    if (S_ISLNK(status.st_mode))
        return Error{What::OutputIsLink};
    if (S_ISDIR(status.st_mode))
        return Error{What::OutputIsFolder};
    if (S_ISFIFO(status.st_mode))
        return Error{What::OutputIsFifo};
    if (S_ISSOCK(status.st_mode))
        return Error{What::OutputIsSocket};
    return Error{What::OutputIsDevice};
}
