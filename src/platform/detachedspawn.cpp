#include "detachedspawn.h"

#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void reportErrorAndExit(int pipeToParent)
{
    const int error = errno;
    [[maybe_unused]] const auto written = ::write(pipeToParent, &error, sizeof error);
    ::_exit(127);
}

// Runs in the forked child, where only async-signal-safe calls are allowed: start a new
// session, fork the real program and leave at once so that init adopts it.
[[noreturn]] void runIntermediateChild(char *const argv[], int pipeToParent)
{
    ::setsid();
    const pid_t program = ::fork();
    if (program < 0)
        reportErrorAndExit(pipeToParent);
    if (program > 0)
        ::_exit(0);

    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull < 0 || ::dup2(devNull, STDIN_FILENO) < 0)
        reportErrorAndExit(pipeToParent);
    if (devNull != STDIN_FILENO)
        ::close(devNull);
    // Output still goes where ours went; should its reader go away (a closed pipe), writes
    // fail quietly instead of killing the conversion halfway.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, nullptr);
    ::execv(argv[0], argv);
    reportErrorAndExit(pipeToParent);
}

void waitForChild(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
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

} // namespace

int spawnDetached(const QByteArray &program, const QByteArrayList &arguments)
{
    // Everything the child needs is prepared here: it must not allocate.
    QByteArrayList strings{program};
    strings.append(arguments);
    std::vector<char *> argv;
    argv.reserve(strings.size() + 1);
    for (QByteArray &string : strings)
        argv.push_back(string.data());
    argv.push_back(nullptr);

    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) < 0)
        return errno;

    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(errorPipe[0]);
        ::close(errorPipe[1]);
        return error;
    }
    if (child == 0) {
        ::close(errorPipe[0]);
        runIntermediateChild(argv.data(), errorPipe[1]);
    }

    ::close(errorPipe[1]);
    waitForChild(child);
    const int error = readChildError(errorPipe[0]);
    ::close(errorPipe[0]);
    return error;
}
