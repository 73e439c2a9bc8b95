// The least a launcher can do for a batch of conversions: start the encoder once per input
// with posix_spawn, with the argument list Orvalen gives it for the command line's fixed
// preset, and exit without waiting for any of them.
// Usage: spawnloop ENCODER INPUT...   (each output is the input with its last 4 characters
// replaced by ".mp3"; the encoders run in the working directory and inherit its streams)
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>

extern char **environ;

int main(int argc, char *argv[])
{
    if (argc < 3) {
        fputs("usage: spawnloop ENCODER INPUT...\n", stderr);
        return 2;
    }
    char *encoder = argv[1];
    for (int i = 2; i < argc; ++i) {
        const size_t length = strlen(argv[i]);
        if (length < 4) {
            fprintf(stderr, "spawnloop: %s: name too short\n", argv[i]);
            return 1;
        }
        char output[length + 1];
        memcpy(output, argv[i], length - 4);
        memcpy(output + length - 4, ".mp3", 5);
        char *arguments[] = {encoder, "-y", "-i", argv[i], "-vn", "-ac", "2", "-ar",
                             "44100", "-ab", "128k", output, NULL};
        pid_t child;
        const int error = posix_spawn(&child, encoder, NULL, NULL, arguments, environ);
        if (error != 0) {
            fprintf(stderr, "spawnloop: %s: %s\n", encoder, strerror(error));
            return 2;
        }
    }
    return 0;
}
