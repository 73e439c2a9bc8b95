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

// What runs in the child: AddressSanitizer does not know the child's stack, so this code is
// left uninstrumented.
#define CHILD_CODE __attribute__((no_sanitize("address")))

// Everything the child needs, made before it starts, as plain pointers and numbers: the
// child itself calls nothing but the system, and writes nothing but `error`.
struct Child
{
    QByteArrayList strings;
    std::vector<char *> argumentList;
    char *const *argv;
    const char *workingDirectory;
    StandardStreams streams;
    const int *inherited;
    qsizetype inheritedCount;
    bool endsWithUs;
    pid_t parent;
    int error = 0;

    Child(const QByteArray &program, const QByteArrayList &arguments, const SpawnSetup &setup)
        : strings(QByteArrayList{program} + arguments),
          workingDirectory(setup.workingDirectory.isEmpty() ? nullptr
                                                            : setup.workingDirectory.constData()),
          streams(setup.streams), inherited(setup.inherited.constData()),
          inheritedCount(setup.inherited.size()), endsWithUs(setup.endsWithUs), parent(::getpid())
    {
        for (QByteArray &string : strings)
            argumentList.push_back(string.data());
        argumentList.push_back(nullptr);
        argv = argumentList.data();
    }
};

[[noreturn]] CHILD_CODE void failWithErrno(Child &child)
{
    child.error = errno;
    ::_exit(127);
}

CHILD_CODE void resetSignalHandlers()
{
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &byDefault, nullptr);
}

// Places source on target; a descriptor already in place only loses its close-on-exec.
CHILD_CODE bool placeStream(int source, int target, int devNull)
{
    if (source < 0)
        source = devNull;
    if (source == target)
        return ::fcntl(target, F_SETFD, 0) == 0;
    return ::dup2(source, target) >= 0;
}

CHILD_CODE int becomeProgram(void *argument)
{
    Child &child = *static_cast<Child *>(argument);
    // Our handlers must never run here, in the parent's memory: all signals stay blocked
    // until every disposition is back to its default.
    resetSignalHandlers();
    sigset_t none;
    ::sigemptyset(&none);
    ::setsid();
    if (child.endsWithUs && (::prctl(PR_SET_PDEATHSIG, SIGKILL) < 0 || ::getppid() != child.parent))
        failWithErrno(child);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0 || !placeStream(child.streams.input, STDIN_FILENO, devNull) ||
        !placeStream(child.streams.output, STDOUT_FILENO, devNull) ||
        !placeStream(child.streams.error, STDERR_FILENO, devNull))
        failWithErrno(child);
    if (child.workingDirectory && ::chdir(child.workingDirectory) < 0)
        failWithErrno(child);
    ::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
    for (qsizetype i = 0; i < child.inheritedCount; ++i) {
        if (::fcntl(child.inherited[i], F_SETFD, 0) < 0)
            failWithErrno(child);
    }
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(child.argv[0], child.argv);
    failWithErrno(child);
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
