#include "encoderprocess.h"

#include "platform/childspawn.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

// glibc 2.36 declares pidfd_open without C linkage for C++.
extern "C" {
#include <sys/pidfd.h>
}

namespace {

void closeIfOpen(int &descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

} // namespace

EncoderProcess::EncoderProcess(QObject *parent) : QObject(parent) {}

EncoderProcess::~EncoderProcess()
{
    closeIfOpen(outputDescriptor);
    closeIfOpen(exitDescriptor);
}

int EncoderProcess::start(const QByteArray &workingDirectory, const QByteArray &program,
                          const QByteArrayList &arguments, const QList<int> &inherited)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) < 0)
        return errno;
    // Our end only: the encoder writes as it always does.
    ::fcntl(pipe[0], F_SETFL, O_NONBLOCK);

    const SpawnSetup setup{workingDirectory, {-1, pipe[1], pipe[1]}, inherited, true};
    const int error = spawnProgram(program, arguments, setup, pid);
    ::close(pipe[1]);
    if (error != 0) {
        ::close(pipe[0]);
        return error;
    }

    outputDescriptor = pipe[0];
    exitDescriptor = ::pidfd_open(pid, 0);
    if (exitDescriptor < 0) {
        const int failed = errno;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
        closeIfOpen(outputDescriptor);
        return failed;
    }
    return 0;
}

void EncoderProcess::watch()
{
    outputNotifier = new QSocketNotifier(outputDescriptor, QSocketNotifier::Read, this);
    connect(outputNotifier, &QSocketNotifier::activated, this, &EncoderProcess::readOutput);
    exitNotifier = new QSocketNotifier(exitDescriptor, QSocketNotifier::Read, this);
    connect(exitNotifier, &QSocketNotifier::activated, this, &EncoderProcess::reap);
}

void EncoderProcess::sendSignal(int signal)
{
    if (pid > 0)
        ::kill(pid, signal);
}

void EncoderProcess::readOutput()
{
    char buffer[4096];
    for (;;) {
        const ssize_t received = ::read(outputDescriptor, buffer, sizeof buffer);
        if (received > 0) {
            emit outputReceived(QByteArray(buffer, received));
            continue;
        }
        if (received < 0 && errno == EINTR)
            continue;
        if (received == 0)
            outputNotifier->setEnabled(false);
        return;
    }
}

void EncoderProcess::reap()
{
    exitNotifier->setEnabled(false);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
    if (outputNotifier->isEnabled())
        readOutput();
    outputNotifier->setEnabled(false);
    closeIfOpen(outputDescriptor);
    closeIfOpen(exitDescriptor);
    if (WIFSIGNALED(status))
        emit finished(WTERMSIG(status), true);
    else
        emit finished(WEXITSTATUS(status), false);
}
