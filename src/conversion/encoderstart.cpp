// orvalen-encoder-start: see encoderstart.h.
#include "encoderstart.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>

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

// The companion named first, when it is our parent and we lead a session of our own, as it
// starts us; otherwise -1. Run by anyone else, a shell say, we would share its session, and
// yieldToTheDesktop() would lower that whole session's group for good.
pid_t startingCompanion(int argc, char *argv[])
{
    if (argc < 3)
        return -1;
    const char *end = argv[1] + std::strlen(argv[1]);
    pid_t named = 0;
    const std::from_chars_result number = std::from_chars(argv[1], end, named);
    if (number.ec != std::errc() || number.ptr != end || named <= 0)
        return -1;
    return ::getsid(0) == ::getpid() && ::getppid() == named ? named : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    const pid_t companion = startingCompanion(argc, argv);
    if (companion < 0) {
        std::fputs("orvalen-encoder-start: Orvalen の変換プログラムが起動するプログラムです。\n",
                   stderr);
        return 2;
    }
    // Closed by the encoder's exec: the companion then reads the end of the stream.
    if (::fcntl(ReportDescriptor, F_SETFD, FD_CLOEXEC) < 0)
        return 127;
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) < 0)
        return reportFailure(errno);
    // The companion ended before the signal was asked for: nobody would watch the encoder.
    if (::getppid() != companion)
        return reportFailure(ESRCH);
    yieldToTheDesktop();
    ::execv(argv[2], argv + 2);
    return reportFailure(errno);
}
