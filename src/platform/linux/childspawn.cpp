#include "childspawn.h"

#include <cerrno>
#include <csignal>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <linux/close_range.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The child runs on a stack of its own, in our memory, until its exec.
constexpr std::size_t ChildStackSize = 64 * 1024;

// Everything the child needs, made before it starts: the child itself makes only system
// calls and writes nothing but `error`.
struct Child
{
    QByteArrayList strings;
    std::vector<char *> argv;
    const char *workingDirectory;
    const SpawnSetup &setup;
    pid_t parent;
    int error = 0;

    Child(const QByteArray &program, const QByteArrayList &arguments, const SpawnSetup &given)
        : strings(QByteArrayList{program} + arguments),
          workingDirectory(given.workingDirectory.isEmpty() ? nullptr
                                                            : given.workingDirectory.constData()),
          setup(given), parent(::getpid())
    {
        for (QByteArray &string : strings)
            argv.push_back(string.data());
        argv.push_back(nullptr);
    }
};

int failWithErrno(Child &child)
{
    child.error = errno;
    ::_exit(127);
}

void resetSignalHandlers()
{
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &byDefault, nullptr);
}

// Places source on target; a descriptor already in place only loses its close-on-exec.
bool placeStream(int source, int target, int devNull)
{
    if (source < 0)
        source = devNull;
    if (source == target)
        return ::fcntl(target, F_SETFD, 0) == 0;
    return ::dup2(source, target) >= 0;
}

int becomeProgram(void *argument)
{
    Child &child = *static_cast<Child *>(argument);
    const SpawnSetup &setup = child.setup;
    // Our handlers must never run here, in the parent's memory: all signals stay blocked
    // until every disposition is back to its default.
    resetSignalHandlers();
    sigset_t none;
    ::sigemptyset(&none);
    ::setsid();
    if (setup.endsWithUs && (::prctl(PR_SET_PDEATHSIG, SIGTERM) < 0 || ::getppid() != child.parent))
        return failWithErrno(child);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0 || !placeStream(setup.streams.input, STDIN_FILENO, devNull) ||
        !placeStream(setup.streams.output, STDOUT_FILENO, devNull) ||
        !placeStream(setup.streams.error, STDERR_FILENO, devNull))
        return failWithErrno(child);
    if (child.workingDirectory && ::chdir(child.workingDirectory) < 0)
        return failWithErrno(child);
    ::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
    for (const int kept : setup.inherited) {
        if (::fcntl(kept, F_SETFD, 0) < 0)
            return failWithErrno(child);
    }
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(child.argv[0], child.argv.data());
    return failWithErrno(child);
}

} // namespace

int spawnProgram(const QByteArray &program, const QByteArrayList &arguments,
                 const SpawnSetup &setup, pid_t &child)
{
    Child started(program, arguments, setup);
    const auto stack = std::make_unique<char[]>(ChildStackSize);
    sigset_t all;
    sigset_t ours;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &ours);
    // CLONE_VFORK: we go on only once the child has exec'd or ended.
    child = ::clone(becomeProgram, stack.get() + ChildStackSize, CLONE_VM | CLONE_VFORK | SIGCHLD,
                    &started);
    const int cloneError = errno;
    ::pthread_sigmask(SIG_SETMASK, &ours, nullptr);
    if (child < 0)
        return cloneError;
    if (started.error != 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        child = -1;
    }
    return started.error;
}
