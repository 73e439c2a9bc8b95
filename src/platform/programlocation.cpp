#include "programlocation.h"

#include "jobs/filenamebytes.h"
#include "pathparts.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

Result<std::string> locateProgramDirectory(const char *kernelLink)
{
    char resolved[PATH_MAX];
    if (!::realpath(kernelLink, resolved))
        return Error{Error::What::EncoderNotStartable, errno, fileNameFromBytes(kernelLink)};
    return folderOf(resolved);
}
