#include "fileidentity.h"

#include "jobs/filenamebytes.h"

#include <climits>
#include <cstdlib>

#include <dirent.h>
#include <sys/stat.h>

namespace {

QByteArray absolutePath(const QByteArray &workingDirectory, const QByteArray &name)
{
    return name.startsWith('/') ? name : workingDirectory + '/' + name;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.first(slash);
}

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
QByteArray canonicalPath(const QByteArray &workingDirectory, const QByteArray &name)
{
    const QByteArray absolute = absolutePath(workingDirectory, name);
    const qsizetype slash = absolute.lastIndexOf('/');
    char resolved[PATH_MAX];
    if (!::realpath(folderOf(absolute).constData(), resolved))
        return absolute;
    const QByteArray real(resolved);
    return (real == "/" ? QByteArray() : real) + absolute.sliced(slash);
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

QByteArray fileKey(const QByteArray &workingDirectory, const QByteArray &name)
{
    return fileNameToBytes(fileNameFromBytes(canonicalPath(workingDirectory, name)).toCaseFolded());
}

bool isSameFile(const QByteArray &workingDirectory, const QByteArray &input,
                const QByteArray &output)
{
    struct stat in = {};
    struct stat out = {};
    if (::stat(absolutePath(workingDirectory, input).constData(), &in) < 0 ||
        ::stat(absolutePath(workingDirectory, output).constData(), &out) < 0)
        return false;
    if (in.st_dev == out.st_dev && in.st_ino == out.st_ino)
        return true;
    return fileKey(workingDirectory, input) == fileKey(workingDirectory, output) &&
           isCaseBlindFolder(folderOf(canonicalPath(workingDirectory, output)));
}

QString notAPlainFile(const QByteArray &workingDirectory, const QByteArray &name)
{
    struct stat status = {};
    if (::lstat(absolutePath(workingDirectory, name).constData(), &status) < 0 ||
        S_ISREG(status.st_mode))
        return {};
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("シンボリックリンク");
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("フォルダー");
    if (S_ISFIFO(status.st_mode))
        return QStringLiteral("名前付きパイプ（FIFO）");
    if (S_ISSOCK(status.st_mode))
        return QStringLiteral("ソケット");
    return QStringLiteral("デバイス");
}
