// orvalen-encoder-start: see encoderstart.h.
#include "encoderstart.h"

#include <cerrno>
#include <charconv>
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

// Encoders yield to the desktop: with a batch of them on every core, the companion and its
// window still answer at once; alone, an encoder runs as fast as before. The encoder's
// session is its own, which the kernel may schedule as a group of its own: that group
// yields too. Where either cannot be lowered, the encoder runs as it is.
void yieldToTheDesktop()
{
    ::nice(EncoderNiceness);
    const int group = ::open("/proc/self/autogroup", O_WRONLY | O_CLOEXEC);
    if (group < 0)
        return;
    char niceness[4];
    const std::to_chars_result text =
        std::to_chars(niceness, niceness + sizeof niceness, EncoderNiceness);
    [[maybe_unused]] const ssize_t written = ::write(group, niceness, text.ptr - niceness);
    ::close(group);
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
    yieldToTheDesktop();
    ::execv(argv[2], argv + 2);
    return reportFailure(errno);
}
