#pragma once

#include <QByteArray>
#include <QString>

// Which file a name stands for, however it is spelled. Names are resolved against a
// working directory unless they start with '/'.

// A key that every name of one file shares, however it is spelled: the canonical path, in
// one case, as a case-blind disk reaches one file by each spelling (and may give each an
// inode number of its own). Names that differ only in case share it on any disk.
QByteArray fileKey(const QByteArray &workingDirectory, const QByteArray &name);

// Whether the output would replace the input: both name one existing file, by device and
// inode (a hard link) or by their key in a case-blind folder (another spelling).
bool isSameFile(const QByteArray &workingDirectory, const QByteArray &input,
                const QByteArray &output);

// What the name is when it is there and is not a plain file ("シンボリックリンク",
// "デバイス", ...); empty when it is a plain file or is not there.
QString notAPlainFile(const QByteArray &workingDirectory, const QByteArray &name);
