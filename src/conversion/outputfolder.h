#pragma once

#include "jobs/error.h"
#include "platform/uniquefd.h"

#include <QByteArray>

// The folder an output is written in, held by a descriptor from the start of its conversion:
// every step on the output goes through it, so that whoever else may write beside the folder
// and swaps it for another (or for a link to another) meanwhile makes nothing land there.
class OutputFolder
{
public:
    // Opens the folder of `output`, an absolute path, as its links resolve now.
    Result<void> open(const QByteArray &output);

    int descriptor() const { return folder.get(); }
    // The folder's path as it was resolved, ending in '/', and the output's name in it.
    const QByteArray &path() const { return folderPath; }
    const QByteArray &outputName() const { return name; }

    // Whether the folder's path still names the folder held: OutputFolderSwapped if not.
    Result<void> checkStillNamed() const;

private:
    QByteArray folderPath;
    QByteArray name;
    UniqueFd folder;
};

// Whether the descriptor holds the file that `name` in the folder `parent` (AT_FDCWD for a
// path) stands for, without following a link.
bool holdsEntry(int descriptor, int parent, const QByteArray &name);
