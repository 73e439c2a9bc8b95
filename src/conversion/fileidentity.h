#pragma once

#include "jobs/error.h"

#include <QByteArray>

#include <sys/stat.h>

// Which file a name stands for, however it is spelled.

// The absolute path of a name: the name itself when it starts with '/', else the name in
// the working directory.
QByteArray absolutePath(const QByteArray &workingDirectory, const QByteArray &name);

// A key that every name of one file shares, however it is spelled: the canonical path, in
// one case, as a case-blind disk reaches one file by each spelling (and may give each an
// inode number of its own). Names that differ only in case share it on any disk.
QByteArray fileKey(const QByteArray &path);

// Whether two statuses are of one file: the same inode on the same device.
bool isSameInode(const struct stat &one, const struct stat &other);

// Whether the output would replace the input, both absolute paths: both name one existing
// file, by device and inode (a hard link) or by their key in a case-blind folder (another
// spelling).
bool isSameFile(const QByteArray &input, const QByteArray &output);

// Whether the name in the folder is a plain file or nothing yet; otherwise what it is
// (OutputIsLink, OutputIsFolder, ...).
Result<void> checkPlainFileOrNone(int folder, const QByteArray &name);
