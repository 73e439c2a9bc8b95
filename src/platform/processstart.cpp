#include "processstart.h"

#include "jobs/filenamebytes.h"
#include "uniquefd.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <spawn.h>

extern char **environ;

namespace {

// The file actions and attributes of one start, destroyed with it.
class SpawnPlan
{
public:
    SpawnPlan() = default;
    SpawnPlan(const SpawnPlan &) = delete;
    SpawnPlan &operator=(const SpawnPlan &) = delete;
    ~SpawnPlan()
    {
        if (actionsMade)
            ::posix_spawn_file_actions_destroy(&actions);
        if (attributesMade)
            ::posix_spawnattr_destroy(&attributes);
    }

    int make(const ProcessSetup &setup);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

private:
    int placeDescriptors(const ProcessSetup &setup);
    int placeStream(int source, int target);

    bool actionsMade = false;
    bool attributesMade = false;
    // Copies of the descriptors to place, above every number they are placed on, so that
    // placing one never overwrites another that is still to be placed.
    std::vector<UniqueFd> sources;
};

int SpawnPlan::make(const ProcessSetup &setup)
{
    if (const int error = ::posix_spawn_file_actions_init(&actions))
        return error;
    actionsMade = true;
    if (const int error = ::posix_spawnattr_init(&attributes))
        return error;
    attributesMade = true;

    // Every signal back to its default, glibc's own two as well: sigfillset() leaves those
    // out, and posix_spawn() would then hand them on ignored.
    sigset_t all;
    sigset_t none;
    std::memset(&all, 0xff, sizeof all);
    ::sigemptyset(&none);
    const short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (int error = ::posix_spawnattr_setflags(&attributes, flags);
        error != 0 || (error = ::posix_spawnattr_setsigdefault(&attributes, &all)) != 0 ||
        (error = ::posix_spawnattr_setsigmask(&attributes, &none)) != 0)
        return error;
    if (!setup.workingDirectory.empty()) {
        if (const int error =
                ::posix_spawn_file_actions_addchdir_np(&actions, setup.workingDirectory.c_str()))
            return error;
    }
    return placeDescriptors(setup);
}

int SpawnPlan::placeDescriptors(const ProcessSetup &setup)
{
    const int firstFree = FirstInheritedDescriptor + int(setup.inherited.size());
    const StandardStreams &streams = setup.streams;
    int target = STDIN_FILENO;
    for (const int source : {streams.input, streams.output, streams.error}) {
        if (const int error = placeStream(source, target++))
            return error;
    }
    for (std::size_t i = 0; i < setup.inherited.size(); ++i) {
        sources.emplace_back(::fcntl(setup.inherited[i], F_DUPFD_CLOEXEC, firstFree));
        if (!sources.back().isValid())
            return errno;
        if (const int error = ::posix_spawn_file_actions_adddup2(&actions, sources.back().get(),
                                                                 FirstInheritedDescriptor + int(i)))
            return error;
    }
    return ::posix_spawn_file_actions_addclosefrom_np(&actions, firstFree);
}

int SpawnPlan::placeStream(int source, int target)
{
    if (source < 0)
        return ::posix_spawn_file_actions_addopen(&actions, target, "/dev/null", O_RDWR, 0);
    // A stream already in its place stays there (and loses its close-on-exec).
    if (source == target)
        return ::posix_spawn_file_actions_adddup2(&actions, source, target);
    sources.emplace_back(::fcntl(source, F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
    if (!sources.back().isValid())
        return errno;
    return ::posix_spawn_file_actions_adddup2(&actions, sources.back().get(), target);
}

} // namespace

Result<pid_t> startProcess(const std::string &program, const std::vector<std::string> &arguments,
                           const ProcessSetup &setup, Error::What what)
{
    SpawnPlan plan;
    int error = plan.make(setup);
    pid_t child = -1;
    if (error == 0) {
        std::vector<std::string> strings{program};
        strings.insert(strings.end(), arguments.begin(), arguments.end());
        std::vector<char *> argv;
        for (std::string &string : strings)
            argv.push_back(string.data());
        argv.push_back(nullptr);
        error = ::posix_spawn(&child, program.c_str(), &plan.actions, &plan.attributes, argv.data(),
                              environ);
    }
    if (error != 0)
        return Error{what, error, fileNameFromBytes(program)};
    return child;
}
