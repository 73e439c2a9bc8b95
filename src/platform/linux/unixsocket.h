#pragma once

#include <QByteArray>

#include <optional>

// A stream socket connected to the one at the path, or -1. It closes on exec.
int connectUnixSocket(const QByteArray &path);

// A stream socket that listens at the path, replacing a stale socket file there, or -1.
// It does not block and closes on exec.
int listenOnUnixSocket(const QByteArray &path);

// The path that a listening socket is bound to; nothing for a socket without one.
std::optional<QByteArray> unixSocketPath(int socket);
