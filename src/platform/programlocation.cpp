#include "programlocation.h"

#include "pathparts.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

Result<std::string> locateProgramDirectory()
{
    char resolved[PATH_MAX];
    if (!::realpath("/proc/self/exe", resolved))
        return Error{Error::What::EncoderNotStartable, errno, u"/proc/self/exe"};
    return folderOf(resolved);
}
