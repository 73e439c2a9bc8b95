#include "programlocation.h"

#include <QList>

#include <climits>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<QByteArray> realPath(const QByteArray &path)
{
    char resolved[PATH_MAX];
    if (path.isEmpty() || !::realpath(path.constData(), resolved))
        return std::nullopt;
    return QByteArray(resolved);
}

bool isExecutableFile(const QByteArray &path)
{
    struct stat status = {};
    return ::stat(path.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.constData(), X_OK) == 0;
}

// A name with a slash is found from the working directory; a bare name in PATH, where an
// empty entry stands for the working directory, as the shell looks it up.
std::optional<QByteArray> programFromName(const QByteArray &name)
{
    if (name.isEmpty())
        return std::nullopt;
    if (name.contains('/'))
        return realPath(name);
    for (const QByteArray &directory : qgetenv("PATH").split(':')) {
        const QByteArray candidate = (directory.isEmpty() ? "." : directory) + '/' + name;
        if (isExecutableFile(candidate))
            return realPath(candidate);
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> locateProgramDirectory(const char *startedAs, const char *kernelLink)
{
    std::optional<QByteArray> program = realPath(kernelLink);
    if (!program)
        program = programFromName(startedAs ? QByteArray(startedAs) : QByteArray());
    if (!program)
        return std::nullopt;
    const qsizetype slash = program->lastIndexOf('/');
    return slash == 0 ? QByteArray("/") : program->first(slash);
}
