#include "childspawn.h"

#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What the child needs, all made before the fork: after it, only async-signal-safe calls.
struct ChildSetup
{
    QByteArrayList strings;
    std::vector<char *> argv;
    const char *workingDirectory;
    StandardStreams streams;

    ChildSetup(const QByteArray &program, const QByteArrayList &arguments,
               const QByteArray &directory, StandardStreams given)
        : strings(QByteArrayList{program} + arguments),
          workingDirectory(directory.isEmpty() ? nullptr : directory.constData()), streams(given)
    {
        for (QByteArray &string : strings)
            argv.push_back(string.data());
        argv.push_back(nullptr);
    }
};

[[noreturn]] void reportErrorAndExit(int pipeToParent)
{
    const int error = errno;
    [[maybe_unused]] const auto written = ::write(pipeToParent, &error, sizeof error);
    ::_exit(127);
}

bool placeStream(int source, int target, int devNull)
{
    return ::dup2(source < 0 ? devNull : source, target) >= 0;
}

void resetSignals()
{
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &byDefault, nullptr);
}

[[noreturn]] void becomeProgram(const ChildSetup &setup, int pipeToParent)
{
    const int devNull = ::open("/dev/null", O_RDWR);
    if (devNull < 0 || !placeStream(setup.streams.input, STDIN_FILENO, devNull) ||
        !placeStream(setup.streams.output, STDOUT_FILENO, devNull) ||
        !placeStream(setup.streams.error, STDERR_FILENO, devNull))
        reportErrorAndExit(pipeToParent);
    if (setup.workingDirectory && ::chdir(setup.workingDirectory) < 0)
        reportErrorAndExit(pipeToParent);
    // Every other descriptor closes at the exec; the error pipe stays open until then.
    ::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
    resetSignals();
    ::execv(setup.argv[0], setup.argv.data());
    reportErrorAndExit(pipeToParent);
}

// The pipe closes on a successful exec; otherwise the child writes the errno into it.
int readChildError(int pipeFromChild)
{
    int error = 0;
    ssize_t received = 0;
    do {
        received = ::read(pipeFromChild, &error, sizeof error);
    } while (received < 0 && errno == EINTR);
    return received == sizeof error ? error : 0;
}

void waitForChild(pid_t child)
{
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Forks a child that runs inChild with the error pipe; returns 0 and the child, or errno.
template <typename InChild> int forkWithErrorPipe(pid_t &child, int &pipeFromChild, InChild inChild)
{
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) < 0)
        return errno;
    child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(errorPipe[0]);
        ::close(errorPipe[1]);
        return error;
    }
    if (child == 0) {
        ::close(errorPipe[0]);
        inChild(errorPipe[1]);
    }
    ::close(errorPipe[1]);
    pipeFromChild = errorPipe[0];
    return 0;
}

} // namespace

int spawnDetached(const QByteArray &program, const QByteArrayList &arguments,
                  StandardStreams streams)
{
    const ChildSetup setup(program, arguments, {}, streams);
    pid_t intermediate = -1;
    int pipeFromChild = -1;
    // The intermediate child starts a new session, forks the program and leaves at once,
    // so that init adopts the program.
    const int failed = forkWithErrorPipe(intermediate, pipeFromChild, [&setup](int pipeToParent) {
        ::setsid();
        const pid_t program = ::fork();
        if (program < 0)
            reportErrorAndExit(pipeToParent);
        if (program > 0)
            ::_exit(0);
        becomeProgram(setup, pipeToParent);
    });
    if (failed)
        return failed;
    waitForChild(intermediate);
    const int error = readChildError(pipeFromChild);
    ::close(pipeFromChild);
    return error;
}

int spawnChild(const QByteArray &program, const QByteArrayList &arguments,
               const QByteArray &workingDirectory, StandardStreams streams, pid_t &child)
{
    const ChildSetup setup(program, arguments, workingDirectory, streams);
    const pid_t parent = ::getpid();
    int pipeFromChild = -1;
    const int failed = forkWithErrorPipe(child, pipeFromChild, [&setup, parent](int pipeToParent) {
        ::setsid();
        if (::prctl(PR_SET_PDEATHSIG, SIGTERM) < 0 || ::getppid() != parent)
            reportErrorAndExit(pipeToParent);
        becomeProgram(setup, pipeToParent);
    });
    if (failed)
        return failed;
    const int error = readChildError(pipeFromChild);
    ::close(pipeFromChild);
    if (error) {
        waitForChild(child);
        child = -1;
    }
    return error;
}
