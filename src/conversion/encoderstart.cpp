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

int startEncoder(int argc, char *argv[])
{
    if (argc < 4)
        return reportFailure(EINVAL);
    // Closed by the encoder's exec: the companion then reads the end of the stream.
    if (::fcntl(ReportDescriptor, F_SETFD, FD_CLOEXEC) < 0)
        return 127;
    const pid_t companion = pid_t(std::atol(argv[2]));
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) < 0)
        return reportFailure(errno);
    // The companion ended before the signal was asked for: nobody would watch the encoder.
    if (::getppid() != companion)
        return reportFailure(ESRCH);
    ::execv(argv[3], argv + 3);
    return reportFailure(errno);
}
