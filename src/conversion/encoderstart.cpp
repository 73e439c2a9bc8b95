// orvalen-encoder-start: see encoderstart.h.
#include "encoderstart.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int reportFailure(int error)
{
    ssize_t written = -1;
    do {
        written = ::write(ReportDescriptor, &error, sizeof error);
    } while (written < 0 && errno == EINTR);
    return 127;
}

} // namespace

int main(int argc, char *argv[])
{
    // Closed by the encoder's exec: the companion then reads the end of the stream.
    if (argc < 3 || ::fcntl(ReportDescriptor, F_SETFD, FD_CLOEXEC) < 0)
        return 127;
    const pid_t companion = pid_t(std::atol(argv[1]));
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) < 0)
        return reportFailure(errno);
    // The companion ended before the signal was asked for: nobody would watch the encoder.
    if (::getppid() != companion)
        return reportFailure(ESRCH);
    ::execv(argv[2], argv + 2);
    return reportFailure(errno);
}
