// Times one run of a launcher: from starting it until it exits, and until the COUNTth
// stand-in encoder has said through FIFO that it started. Prints both in milliseconds,
// "EXIT_MS STARTS_MS", once both are seen; then, untimed, waits until every process the run
// left behind has ended (it adopts them as their subreaper), so that runs do not pile up.
// Fails when the launcher exits with a status other than 0, when more than COUNT starts
// arrive, or when the run takes longer than 60 s.
// Usage: startclock FIFO COUNT COMMAND [ARGUMENT...]
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/pidfd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

enum { TimeLimitSeconds = 60 };

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static void fail(const char *what)
{
    fprintf(stderr, "startclock: %s\n", what);
    exit(1);
}

// Reads what the FIFO holds without waiting; returns the number of bytes.
static long drain(int fifo)
{
    char bytes[256];
    long total = 0;
    ssize_t got;
    while ((got = read(fifo, bytes, sizeof bytes)) > 0 || (got < 0 && errno == EINTR))
        total += got > 0 ? got : 0;
    return total;
}

static void on_alarm(int signal)
{
    (void)signal;
    static const char message[] = "startclock: the run's processes did not end in time\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(1);
}

int main(int argc, char *argv[])
{
    if (argc < 4)
        fail("usage: startclock FIFO COUNT COMMAND [ARGUMENT...]");
    const long count = strtol(argv[2], NULL, 10);
    // Opened for writing too, so that it never reads as closed between two writers.
    const int fifo = open(argv[1], O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fifo < 0 || count < 1)
        fail("cannot open the FIFO, or COUNT is not positive");
    if (prctl(PR_SET_CHILD_SUBREAPER, 1) < 0)
        fail("cannot become a subreaper");
    drain(fifo);

    const double start = now_ms();
    pid_t child;
    if (posix_spawn(&child, argv[3], NULL, NULL, argv + 3, environ) != 0)
        fail("cannot start the command");
    const int exited = pidfd_open(child, 0);
    if (exited < 0)
        fail("pidfd_open failed");

    double exit_ms = -1, starts_ms = -1;
    long starts = 0;
    while (exit_ms < 0 || starts_ms < 0) {
        // The exit is watched until seen; an fd of -1 is left out by poll.
        struct pollfd watched[2] = {{fifo, POLLIN, 0}, {exit_ms < 0 ? exited : -1, POLLIN, 0}};
        const double left = start + TimeLimitSeconds * 1e3 - now_ms();
        if (left <= 0)
            fail(exit_ms < 0 ? "the command did not exit in time" : "too few encoders started");
        if (poll(watched, 2, (int)left + 1) < 0 && errno != EINTR)
            fail("poll failed");
        const double seen = now_ms();
        if (watched[0].revents & POLLIN) {
            starts += drain(fifo);
            if (starts >= count && starts_ms < 0)
                starts_ms = seen - start;
        }
        if (watched[1].revents & POLLIN) {
            exit_ms = seen - start;
            int status;
            if (waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
                WEXITSTATUS(status) != 0)
                fail("the command failed");
        }
    }
    printf("%.3f %.3f\n", exit_ms, starts_ms);
    fflush(stdout);

    signal(SIGALRM, on_alarm);
    alarm(TimeLimitSeconds);
    while (wait(NULL) >= 0 || errno == EINTR) {
    }
    starts += drain(fifo);
    if (starts != count) {
        fprintf(stderr, "startclock: %ld encoders started, not %ld\n", starts, count);
        return 1;
    }
    return 0;
}
