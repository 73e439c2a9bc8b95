#pragma once

#include <QByteArrayList>

#include <sys/types.h>

// The standard streams of a started program: a descriptor of ours, or -1 for /dev/null.
struct StandardStreams
{
    int input = -1;
    int output = -1;
    int error = -1;
};

// Both ways start a program from its argument list, never through a shell, in a session of
// its own, with the given standard streams and no other descriptor of ours, and with every
// signal's disposition and the signal mask at their defaults. Both return 0, or the errno
// of what failed, the program's exec included.

// Starts a program that is handed to init at once, so it outlives us and never stays
// behind as our zombie.
int spawnDetached(const QByteArray &program, const QByteArrayList &arguments,
                  StandardStreams streams);

// Starts a program as our child, in the working directory. Should we die first, it gets
// SIGTERM, so that it never runs on unwatched.
int spawnChild(const QByteArray &program, const QByteArrayList &arguments,
               const QByteArray &workingDirectory, StandardStreams streams, pid_t &child);
