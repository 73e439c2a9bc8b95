#include "encoderlaunch.h"

#include "jobs/filenamebytes.h"
#include "platform/uniquefd.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <linux/close_range.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// Enough for the system calls that the child makes, on a stack of its own.
constexpr std::size_t ChildStackSize = 64 * 1024;

// The child's code runs on that stack, which AddressSanitizer does not know as one: were it
// checked there, the frames it marks would stay marked in memory that we later use again.
#define CHILD_CODE [[gnu::no_sanitize_address]]

// Everything the child needs, made before it exists: until its exec, it shares our memory and
// our other threads go on, so it makes async-signal-safe calls only and allocates nothing.
struct ChildPlan
{
    const char *program;
    char *const *argv;
    char *const *envp;
    // Null for our own working directory.
    const char *workingDirectory;
    // Placed as standard output and error.
    int output;
    // Placed as FirstGivenDescriptor and on.
    std::span<const int> given;
    pid_t companion;
    // Room for where /dev/null, the output and the given descriptors are moved before they
    // are placed.
    std::span<int> moved;
    // The write end of the pipe that tells us why the exec did not happen; the exec closes it.
    int report;
};

CHILD_CODE [[noreturn]] void reportFailure(int report, int error)
{
    ssize_t written = -1;
    do {
        written = ::write(report, &error, sizeof error);
    } while (written < 0 && errno == EINTR);
    ::_exit(127);
}

// Every signal back to its default, glibc's own two as well, which sigaction() refuses to
// touch: a handler of ours must not run in the child, which shares our memory, and an ignored
// signal would stay ignored in the encoder. Zeroed, the kernel's sigaction is SIG_DFL with no
// flags and an empty mask, whatever the order of its fields.
CHILD_CODE void resetSignalDispositions()
{
    const unsigned long defaults[8] = {};
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP)
            ::syscall(SYS_rt_sigaction, signal, defaults, nullptr, (NSIG - 1) / 8);
    }
}

// Encoders yield to the desktop: with a batch of them on every core, the companion and its
// window still answer at once; alone, an encoder runs as fast as before. The encoder's
// session is its own, which the kernel may schedule as a group of its own: that group
// yields too. Where either cannot be lowered, the encoder runs as it is.
CHILD_CODE void yieldToTheDesktop()
{
    static_assert(EncoderNiceness == 10, "the group's niceness below is written as text");
    ::nice(EncoderNiceness);
    const int group = ::open("/proc/self/autogroup", O_WRONLY | O_CLOEXEC);
    if (group < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(group, "10", 2);
    ::close(group);
}

// Moves a descriptor to `above` or higher, close-on-exec; -1 if it cannot.
CHILD_CODE int moveAbove(int descriptor, int above)
{
    return ::fcntl(descriptor, F_DUPFD_CLOEXEC, above);
}

// The report's number in the child once the descriptors are placed: just above them.
CHILD_CODE int placedReportNumber(const ChildPlan &plan)
{
    return FirstGivenDescriptor + int(plan.given.size());
}

// Places /dev/null, the output and the given descriptors at their numbers, and the report,
// which is above them all already, just above them; closes every other descriptor. Each is
// first moved above every number placed on, so that placing one never overwrites another
// that is still to be placed.
CHILD_CODE bool placeDescriptors(const ChildPlan &plan, int report)
{
    const int above = placedReportNumber(plan) + 1;
    const int input = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (input < 0)
        return false;
    plan.moved[0] = moveAbove(input, above);
    plan.moved[1] = moveAbove(plan.output, above);
    for (std::size_t i = 0; i < plan.given.size(); ++i)
        plan.moved[i + 2] = moveAbove(plan.given[i], above);
    for (const int moved : plan.moved) {
        if (moved < 0)
            return false;
    }
    if (::dup2(plan.moved[0], STDIN_FILENO) < 0 || ::dup2(plan.moved[1], STDOUT_FILENO) < 0 ||
        ::dup2(plan.moved[1], STDERR_FILENO) < 0)
        return false;
    for (std::size_t i = 0; i < plan.given.size(); ++i) {
        if (::dup2(plan.moved[i + 2], FirstGivenDescriptor + int(i)) < 0)
            return false;
    }
    return ::dup3(report, above - 1, O_CLOEXEC) >= 0 && ::close_range(unsigned(above), ~0U, 0) == 0;
}

// The child, until it becomes the encoder.
CHILD_CODE int startEncoder(void *argument)
{
    const ChildPlan &plan = *static_cast<const ChildPlan *>(argument);
    resetSignalDispositions();
    if (::setsid() < 0)
        reportFailure(plan.report, errno);
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) < 0)
        reportFailure(plan.report, errno);
    // We ended before the signal was asked for: nobody would watch the encoder.
    if (::getppid() != plan.companion)
        reportFailure(plan.report, ESRCH);
    yieldToTheDesktop();
    // Out of the way of the descriptors placed below it.
    const int report = moveAbove(plan.report, placedReportNumber(plan) + 1);
    if (report < 0)
        reportFailure(plan.report, errno);
    if (!placeDescriptors(plan, report))
        reportFailure(report, errno);
    if (plan.workingDirectory && ::chdir(plan.workingDirectory) < 0)
        reportFailure(placedReportNumber(plan), errno);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(plan.program, plan.argv, plan.envp);
    reportFailure(placedReportNumber(plan), errno);
}

// The pipe that the child reports on: our end, and its end.
struct ReportPipe
{
    UniqueFd readEnd;
    UniqueFd writeEnd;
};

Result<ReportPipe> makeReportPipe(const Error &failure)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) < 0)
        return Error{failure.what, errno, failure.name};
    return ReportPipe{UniqueFd(ends[0]), UniqueFd(ends[1])};
}

// Creates the child with clone(CLONE_VM | CLONE_VFORK), as posix_spawn() does: no copy of our
// memory, and we go on once it has become the encoder or has ended. Every signal is blocked
// meanwhile, so that none reaches the child before its dispositions are reset (all but glibc's
// own two, which it sends to our threads only).
pid_t createChild(ChildPlan &plan)
{
    const std::unique_ptr<std::byte[]> stack(new std::byte[ChildStackSize]);
    sigset_t all;
    sigset_t before;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &before);
    const pid_t child = ::clone(startEncoder, stack.get() + ChildStackSize,
                                CLONE_VM | CLONE_VFORK | SIGCHLD, &plan);
    const int error = errno;
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    errno = error;
    return child;
}

} // namespace

Result<pid_t> launchEncoder(const EncoderLaunch &launch)
{
    const Error failure{Error::What::EncoderNotStartable, 0, fileNameFromBytes(launch.program)};
    Result<ReportPipe> report = makeReportPipe(failure);
    if (!report)
        return report.error();

    std::vector<char *> argv{const_cast<char *>(launch.program.c_str())};
    for (const std::string &argument : launch.arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<int> moved(launch.given.size() + 2);
    ChildPlan plan{launch.program.c_str(),
                   argv.data(),
                   environ,
                   launch.workingDirectory.empty() ? nullptr : launch.workingDirectory.c_str(),
                   launch.output,
                   launch.given,
                   ::getpid(),
                   moved,
                   report->writeEnd.get()};
    const pid_t child = createChild(plan);
    if (child < 0)
        return Error{failure.what, errno, failure.name};
    // The child's end is closed by its exec, or by its end: the report is whole then.
    report->writeEnd.reset();
    int error = 0;
    ssize_t count = -1;
    do {
        count = ::read(report->readEnd.get(), &error, sizeof error);
    } while (count < 0 && errno == EINTR);
    if (count == 0)
        return child;
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return Error{failure.what, count == sizeof error ? error : EIO, failure.name};
}
