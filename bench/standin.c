// Stand-in encoder for the benchmarks: it says that it has started by writing one byte into
// the FIFO STARTS_FIFO, when someone reads it, writes one byte into its output (the last
// argument) and exits 0 at once without reading its input.
// Built with -DRECORD_FILE=path it also appends its working directory and arguments there,
// one line per start, so that two launchers can be checked to start the same commands.
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#ifndef STARTS_FIFO
#error "build with -DSTARTS_FIFO=\"path\""
#endif

#ifdef RECORD_FILE
static void record(int argc, char *argv[])
{
    char line[8192];
    char here[PATH_MAX];
    int length = snprintf(line, sizeof line, "%s", getcwd(here, sizeof here) ? here : "?");
    for (int i = 0; i < argc && length < (int)sizeof line; ++i)
        length += snprintf(line + length, sizeof line - length, " [%s]", argv[i]);
    if (length >= (int)sizeof line - 1)
        length = sizeof line - 2;
    line[length++] = '\n';
    // One write with O_APPEND: lines of concurrent starts do not mix.
    const int file = open(RECORD_FILE, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file >= 0) {
        (void)!write(file, line, length);
        close(file);
    }
}
#endif

int main(int argc, char *argv[])
{
#ifdef RECORD_FILE
    record(argc, argv);
#endif
    // Without a reader the open fails at once (ENXIO) instead of waiting for one.
    const int fifo = open(STARTS_FIFO, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fifo >= 0) {
        (void)!write(fifo, "s", 1);
        close(fifo);
    }
    const int output = open(argv[argc - 1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output >= 0) {
        (void)!write(output, "m", 1);
        close(output);
    }
    return 0;
}
