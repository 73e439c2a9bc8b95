#include "encoderprocess.h"

#include "encoderlaunch.h"
#include "jobs/filenamebytes.h"

#include <QCoreApplication>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// glibc 2.36 declares pidfd_open without C linkage for C++.
extern "C" {
#include <sys/pidfd.h>
}

namespace {

struct Pipe
{
    UniqueFd readEnd;
    UniqueFd writeEnd;
};

Error notStartable(const std::string &program, int error)
{
    return Error{Error::What::EncoderNotStartable, error, fileNameFromBytes(program)};
}

Result<Pipe> makePipe(const std::string &program)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) < 0)
        return notStartable(program, errno);
    return Pipe{UniqueFd(ends[0]), UniqueFd(ends[1])};
}

// How often an ended encoder's process group is looked at until it is empty: its processes
// were killed, and are gone in a moment.
constexpr int GroupWatchMilliseconds = 10;

// The encoders running, by process id.
QSet<pid_t> runningEncoders;

// Reaps the processes that encoders left behind, which we adopt (see start()), once they have
// ended; an encoder ended meanwhile is reaped by its owner, and the others after it.
void reapStrays()
{
    siginfo_t ended = {};
    while (::waitid(P_ALL, 0, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid > 0 &&
           !runningEncoders.contains(ended.si_pid)) {
        ::waitpid(ended.si_pid, nullptr, WNOHANG);
        ended = {};
    }
}

// Reaps, from the event loop, an encoder killed once its owner had gone.
class LateReaper final : public QObject
{
public:
    LateReaper(pid_t child, UniqueFd exit)
        : QObject(QCoreApplication::instance()), pid(child), exitDescriptor(std::move(exit)),
          notifier(exitDescriptor.get(), QSocketNotifier::Read, this)
    {
        connect(&notifier, &QSocketNotifier::activated, this, [this] {
            notifier.setEnabled(false);
            runningEncoders.remove(pid);
            ::waitpid(pid, nullptr, WNOHANG);
            reapStrays();
            deleteLater();
        });
    }

private:
    pid_t pid;
    UniqueFd exitDescriptor;
    QSocketNotifier notifier;
};

// Reaps the child, which has ended or is ending; returns its wait status.
int waitForEnd(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

EncoderProcess::EncoderProcess(QObject *parent) : QObject(parent) {}

EncoderProcess::~EncoderProcess()
{
    if (pid <= 0 || status)
        return;
    sendSignal(SIGKILL);
    if (QCoreApplication::instance() && exit.isValid())
        new LateReaper(pid, std::move(exit));
    else
        runningEncoders.remove(pid);
}

Result<void> EncoderProcess::start(const std::string &workingDirectory, const std::string &program,
                                   std::span<const std::string> arguments,
                                   std::span<const int> given)
{
    Result<Pipe> outputPipe = makePipe(program);
    if (!outputPipe)
        return outputPipe.error();
    // Our end only: the encoder writes as it always does.
    if (::fcntl(outputPipe->readEnd.get(), F_SETFL, O_NONBLOCK) < 0)
        return notStartable(program, errno);

    // What an encoder leaves running is killed when it ends, and adopted by us, so that we
    // see it end and reap it, whoever else would not.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    // From the main thread, as every conversion starts: the encoder's death signal comes when
    // the thread that started it ends.
    const Result<pid_t> started =
        launchEncoder({program, arguments, workingDirectory, outputPipe->writeEnd.get(), given});
    if (!started)
        return started.error();
    pid = *started;
    runningEncoders.insert(pid);
    output = std::move(outputPipe->readEnd);
    exit.reset(::pidfd_open(pid, 0));
    if (!exit.isValid()) {
        const Error failed = notStartable(program, errno);
        sendSignal(SIGKILL);
        waitForEnd(pid);
        runningEncoders.remove(pid);
        pid = -1;
        output.reset();
        return failed;
    }
    return {};
}

void EncoderProcess::watch()
{
    watched = true;
    exitNotifier = new QSocketNotifier(exit.get(), QSocketNotifier::Read, this);
    connect(exitNotifier, &QSocketNotifier::activated, this, &EncoderProcess::reap);
    QMetaObject::invokeMethod(this, &EncoderProcess::tellRunning, Qt::QueuedConnection);
}

// From the event loop, before the encoder's output and end.
void EncoderProcess::tellRunning()
{
    if (toldRunning)
        return;
    toldRunning = true;
    emit running();
    outputNotifier = new QSocketNotifier(output.get(), QSocketNotifier::Read, this);
    connect(outputNotifier, &QSocketNotifier::activated, this, &EncoderProcess::readOutput);
}

// To the group while the encoder is not reaped: until then, the group's number is its own.
void EncoderProcess::sendSignal(int signal)
{
    if (pid <= 0 || status)
        return;
    if (::kill(-pid, signal) < 0)
        ::kill(pid, signal);
}

// One slice at each wake-up: an encoder that writes without end does not hold up the rest.
void EncoderProcess::readOutput()
{
    std::array<char, ReadLimit> buffer;
    const ssize_t received = ::read(output.get(), buffer.data(), buffer.size());
    if (received > 0)
        emit outputReceived(QByteArray(buffer.data(), received));
    else if (received == 0)
        outputNotifier->setEnabled(false);
}

// The encoder has ended: what it left running is killed, and it is reaped.
void EncoderProcess::reap()
{
    exitNotifier->setEnabled(false);
    tellRunning();
    sendSignal(SIGKILL);
    status = waitForEnd(pid);
    runningEncoders.remove(pid);
    exit.reset();
    awaitGroupEnd();
}

// The group's processes that were the encoder's children are ours now: they are reaped as
// they end, and the group is empty once they all are.
void EncoderProcess::awaitGroupEnd()
{
    reapStrays();
    if (::kill(-pid, 0) < 0 && errno == ESRCH)
        return tellEnd();
    if (!groupWatch) {
        groupWatch = new QTimer(this);
        connect(groupWatch, &QTimer::timeout, this, &EncoderProcess::awaitGroupEnd);
        groupWatch->start(GroupWatchMilliseconds);
    }
}

void EncoderProcess::tellEnd()
{
    delete groupWatch;
    groupWatch = nullptr;
    pid = -1;
    if (outputNotifier && outputNotifier->isEnabled())
        readOutput();
    delete outputNotifier;
    outputNotifier = nullptr;
    output.reset();
    if (WIFSIGNALED(*status))
        emit finished(WTERMSIG(*status), true);
    else
        emit finished(WEXITSTATUS(*status), false);
}

#include "moc_encoderprocess.cpp"
