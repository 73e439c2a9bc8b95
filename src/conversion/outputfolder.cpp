#include "outputfolder.h"

#include "fileidentity.h"
#include "jobs/filenamebytes.h"
#include "platform/pathparts.h"
#include "qtnames.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>

bool holdsEntry(int descriptor, int parent, const QByteArray &name)
{
    struct stat held = {};
    struct stat named = {};
    return ::fstat(descriptor, &held) == 0 &&
           ::fstatat(parent, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           isSameInode(held, named);
}

Result<void> OutputFolder::open(const QByteArray &output)
{
    name = lastPartOf(output);
    char resolved[PATH_MAX];
    if (!::realpath(folderOf(output).constData(), resolved))
        return Error{Error::What::OutputFolderUnwritable, errno};
    folderPath = QByteArray(resolved);
    if (!folderPath.endsWith('/'))
        folderPath += '/';
    // Its last part is no link once resolved; one put there meanwhile is not followed.
    folder.reset(::open(folderPath.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isValid())
        return Error{Error::What::OutputFolderUnwritable, errno};
    return checkStillNamed();
}

Result<void> OutputFolder::checkStillNamed() const
{
    struct stat held = {};
    struct stat named = {};
    if (::fstat(folder.get(), &held) == 0 && ::stat(folderPath.constData(), &named) == 0 &&
        isSameInode(held, named))
        return {};
    return Error{Error::What::OutputFolderSwapped, 0, fileNameFromQBytes(folderPath.chopped(1))};
}
