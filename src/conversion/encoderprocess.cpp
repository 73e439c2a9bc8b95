#include "encoderprocess.h"

#include "encoderstart.h"
#include "jobs/filenamebytes.h"
#include "platform/processstart.h"

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

static_assert(ReportDescriptor == FirstInheritedDescriptor,
              "the start step's report comes first among the descriptors it is given");

namespace {

struct Pipe
{
    UniqueFd readEnd;
    UniqueFd writeEnd;
};

Result<Pipe> makePipe(const QByteArray &program)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) < 0)
        return Error{Error::What::EncoderNotStartable, errno, fileNameFromBytes(program)};
    return Pipe{UniqueFd(ends[0]), UniqueFd(ends[1])};
}

} // namespace

EncoderProcess::EncoderProcess(QObject *parent) : QObject(parent) {}

EncoderProcess::~EncoderProcess()
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    waitForEnd();
}

Result<void> EncoderProcess::start(const QByteArray &startStep, const QByteArray &workingDirectory,
                                   const QByteArray &program, const QByteArrayList &arguments,
                                   const QList<int> &given)
{
    Result<Pipe> outputPipe = makePipe(program);
    Result<Pipe> reportPipe = makePipe(program);
    if (!outputPipe)
        return outputPipe.error();
    if (!reportPipe)
        return reportPipe.error();
    // Our end only: the encoder writes as it always does.
    if (::fcntl(outputPipe->readEnd.get(), F_SETFL, O_NONBLOCK) < 0)
        return Error{Error::What::EncoderNotStartable, errno, fileNameFromBytes(program)};

    const int written = outputPipe->writeEnd.get();
    const ProcessSetup setup{
        workingDirectory, {-1, written, written}, QList{reportPipe->writeEnd.get()} + given};
    const QByteArrayList stepArguments =
        QByteArrayList{QByteArray::number(::getpid()), program} + arguments;
    const Result<pid_t> started =
        startProcess(startStep, stepArguments, setup, Error::What::EncoderNotStartable);
    if (!started)
        return started.error();
    pid = *started;
    encoder = program;
    output = std::move(outputPipe->readEnd);
    report = std::move(reportPipe->readEnd);
    exit.reset(::pidfd_open(pid, 0));
    if (!exit.isValid()) {
        const Error failed{Error::What::EncoderNotStartable, errno, fileNameFromBytes(program)};
        ::kill(pid, SIGKILL);
        waitForEnd();
        output.reset();
        report.reset();
        return failed;
    }
    return {};
}

void EncoderProcess::watch()
{
    watched = true;
    reportNotifier = new QSocketNotifier(report.get(), QSocketNotifier::Read, this);
    connect(reportNotifier, &QSocketNotifier::activated, this, &EncoderProcess::readReport);
}

// The start step writes why it failed, or its exec closes the report: the encoder runs.
void EncoderProcess::readReport()
{
    int error = 0;
    const ssize_t count = ::read(report.get(), &error, sizeof error);
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    reportNotifier->setEnabled(false);
    report.reset();
    if (count == sizeof error) {
        waitForEnd();
        output.reset();
        exit.reset();
        emit failedToStart({Error::What::EncoderNotStartable, error, fileNameFromBytes(encoder)});
        return;
    }
    emit running();
    outputNotifier = new QSocketNotifier(output.get(), QSocketNotifier::Read, this);
    connect(outputNotifier, &QSocketNotifier::activated, this, &EncoderProcess::readOutput);
    exitNotifier = new QSocketNotifier(exit.get(), QSocketNotifier::Read, this);
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
        const ssize_t received = ::read(output.get(), buffer, sizeof buffer);
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

// Reaps the encoder, which has ended or is ending; returns its wait status.
int EncoderProcess::waitForEnd()
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
    return status;
}

void EncoderProcess::reap()
{
    exitNotifier->setEnabled(false);
    const int status = waitForEnd();
    if (outputNotifier->isEnabled())
        readOutput();
    outputNotifier->setEnabled(false);
    output.reset();
    exit.reset();
    if (WIFSIGNALED(status))
        emit finished(WTERMSIG(status), true);
    else
        emit finished(WEXITSTATUS(status), false);
}

#include "moc_encoderprocess.cpp"
