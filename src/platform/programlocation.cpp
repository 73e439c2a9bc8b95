#include "programlocation.h"

#include "pathparts.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

Result<QByteArray> locateProgramDirectory(const char *kernelLink)
{
    char program[PATH_MAX];
    if (!::realpath(kernelLink, program))
        return Error{Error::What::EncoderNotStartable, errno};
    return folderOf(QByteArray(program));
}
