#include "filechecks.h"

#include "jobs/filenamebytes.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

Result<void> checkExecutable(const std::string &path, Error::What what)
{
    struct stat status = {};
    int error = 0;
    if (::stat(path.c_str(), &status) < 0)
        error = errno;
    else if (S_ISDIR(status.st_mode))
        error = EISDIR;
    else if (!S_ISREG(status.st_mode))
        error = EACCES;
    else if (::access(path.c_str(), X_OK) < 0)
        error = errno;
    if (error != 0)
        return Error{what, error, fileNameFromBytes(path)};
    return {};
}
