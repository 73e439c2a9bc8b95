#pragma once

#include "jobs/error.h"
#include "platform/uniquefd.h"

#include <QByteArray>

class OutputFolder;

// The right to write one output file, held by the conversion that writes it, in two kernel
// locks that end with their holder, so that no lock outlives a crash:
// - one on a file of the user's private runtime folder, keyed by the output's real path in
//   one case, which every spelling of the output shares, whichever spelling of its folder;
// - one on a hidden file beside the output, named for the output's name in one case, which
//   every conversion of it takes whatever its runtime folder: a desktop run, an ssh run, or
//   another host sharing the home.
// Each file is removed while still held, so none is left in the user's folders.
class OutputLock
{
public:
    OutputLock() = default;
    OutputLock(const OutputLock &) = delete;
    OutputLock &operator=(const OutputLock &) = delete;
    ~OutputLock();

    // Takes both locks of the output (see fileKey()) in the folder held: an OutputLockBusy
    // error while another conversion writes the file.
    Result<void> take(const QByteArray &runtimeDirectory, const QByteArray &fileKey,
                      const OutputFolder &folder);

private:
    QByteArray lockFile;
    UniqueFd descriptor;
    UniqueFd outputFolder;
    QByteArray besideName;
    UniqueFd beside;
};

// Removes the lock file beside the output of the name given in the folder, as a killed
// conversion left it, unless a conversion holds it.
void removeFreeLockBeside(int folder, const QByteArray &outputName);
