#pragma once

#include <QByteArray>

// Paths of any length work, through /proc when they do not fit in a socket address.

// A stream socket connected to the one at the path, or -1 and errno. It closes on exec.
int connectUnixSocket(const QByteArray &path);

// A stream socket that listens at the path, replacing a stale socket file there, or -1 and
// errno. It does not block and closes on exec.
int listenOnUnixSocket(const QByteArray &path);
