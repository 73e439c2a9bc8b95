#pragma once

#include <QByteArrayList>
#include <QList>

#include <sys/types.h>

// The standard streams of a started program: a descriptor of ours, or -1 for /dev/null.
struct StandardStreams
{
    int input = -1;
    int output = -1;
    int error = -1;
};

// How a program is started besides its argument list.
struct SpawnSetup
{
    // Where it starts; empty for our own working directory.
    QByteArray workingDirectory;
    StandardStreams streams;
    // Descriptors of ours that it keeps under the same numbers; every other one is closed.
    QList<int> inherited;
    // Whether it is killed (SIGKILL, which nothing can block or delay) should we die first,
    // so that it never runs on unwatched.
    bool endsWithUs = false;
};

// Starts a program as our child, from its argument list and never through a shell, in a
// session of its own, with every signal's disposition and the signal mask at their
// defaults. The child shares our memory until its exec, as vfork does, so starting it costs
// no copy of our address space, however much the toolkit has mapped. Returns 0 and the
// child, or the errno of what failed, the exec included; the caller reaps the child.
int spawnProgram(const QByteArray &program, const QByteArrayList &arguments,
                 const SpawnSetup &setup, pid_t &child);
