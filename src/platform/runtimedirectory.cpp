#include "runtimedirectory.h"

#include "environment.h"
#include "jobs/filenamebytes.h"
#include "uniquefd.h"

#include <cerrno>
#include <mutex>
#include <set>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Error unusable(const std::string &path, int number)
{
    return {Error::What::RuntimeFolderUnusable, number, fileNameFromBytes(path)};
}

// Whether a file can be made in the folder: a read-only or full disk shows there. Tried once
// a folder as long as the process runs: the companion asks for the folder at every
// conversion, and a file made and dropped costs the disk a new inode each time.
int makesFiles(const std::string &path)
{
    static std::mutex mutex;
    static std::set<std::string> makingFiles;
    if (const std::lock_guard lock(mutex); makingFiles.contains(path))
        return 0;
    const UniqueFd probe(::open(path.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    // A disk without unnamed files says so, and is taken at its word.
    if (!probe.isValid() && errno != EOPNOTSUPP && errno != EISDIR)
        return errno;
    const std::lock_guard lock(mutex);
    makingFiles.insert(path);
    return 0;
}

// Whether the folder can hold our locks and socket, making it if it is missing.
Result<std::string> usableFolder(const std::string &path)
{
    if (::mkdir(path.c_str(), 0700) < 0 && errno != EEXIST)
        return unusable(path, errno);
    struct stat status = {};
    if (::lstat(path.c_str(), &status) < 0)
        return unusable(path, errno);
    if (!S_ISDIR(status.st_mode))
        return unusable(path, ENOTDIR);
    if (status.st_uid != ::getuid() || (status.st_mode & 077) != 0)
        return Error{Error::What::RuntimeFolderNotPrivate, 0, fileNameFromBytes(path)};
    if (const int error = makesFiles(path))
        return unusable(path, error);
    return path;
}

std::string cacheFolder()
{
    const std::string cache = environmentValue("XDG_CACHE_HOME");
    if (cache.starts_with('/'))
        return cache;
    std::string home = environmentValue("HOME");
    if (home.empty()) {
        const passwd *user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : "";
    }
    return home + "/.cache";
}

std::string hostName()
{
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

} // namespace

Result<std::string> privateRuntimeDirectory()
{
    Error failure{Error::What::RuntimeFolderUnusable};
    const std::string base = environmentValue("XDG_RUNTIME_DIR");
    if (!base.empty()) {
        const Result<std::string> folder = usableFolder(base + "/orvalen");
        if (folder)
            return folder;
        failure.causes.push_back(folder.error());
    }
    const std::string cache = cacheFolder();
    // Made here if missing; a failure shows in the check of the folder inside.
    ::mkdir(cache.c_str(), 0700);
    ::mkdir((cache + "/orvalen").c_str(), 0700);
    const Result<std::string> folder = usableFolder(cache + "/orvalen/runtime-" + hostName());
    if (folder)
        return folder;
    failure.causes.push_back(folder.error());
    return failure;
}
