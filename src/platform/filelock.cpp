#include "filelock.h"

#include "jobs/filenamebytes.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>

Result<UniqueFd> takeFileLock(const std::string &path, Error::What what)
{
    UniqueFd lock(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock.isValid() || ::flock(lock.get(), LOCK_EX | LOCK_NB) < 0)
        return Error{what, errno, fileNameFromBytes(path)};
    return lock;
}
