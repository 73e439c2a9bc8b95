#pragma once

#include <QByteArrayList>

// Starts a program from its argument list, never through a shell, in a session of its own,
// with standard input from /dev/null and SIGPIPE ignored. The program is handed to init at
// once, so it outlives us and never stays behind as our zombie. Returns 0, or the errno of
// what failed.
int spawnDetached(const QByteArray &program, const QByteArrayList &arguments);
