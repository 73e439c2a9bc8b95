#include "programlocation.h"

#include "filechecks.h"

#include <QList>

#include <climits>
#include <cstdlib>

namespace {

std::optional<QByteArray> realPath(const QByteArray &path)
{
    char resolved[PATH_MAX];
    if (path.isEmpty() || !::realpath(path.constData(), resolved))
        return std::nullopt;
    return QByteArray(resolved);
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
        if (checkExecutable(candidate, Error::What::EncoderNotStartable))
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
