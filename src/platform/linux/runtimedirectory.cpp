#include "runtimedirectory.h"

#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes the directory unless it is there; true when it is the user's alone.
bool isPrivateDirectory(const QByteArray &path)
{
    ::mkdir(path.constData(), 0700);
    struct stat status = {};
    return ::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}

} // namespace

QByteArray privateRuntimeDirectory()
{
    const QByteArray base = qgetenv("XDG_RUNTIME_DIR");
    if (!base.isEmpty() && isPrivateDirectory(base + "/orvalen"))
        return base + "/orvalen";
    const QByteArray fallback = "/tmp/orvalen-" + QByteArray::number(::getuid());
    return isPrivateDirectory(fallback) ? fallback : QByteArray();
}
