#pragma once

#include "jobs/error.h"
#include "platform/uniquefd.h"

#include <QByteArray>

// The right to write one output file, held by the conversion that writes it. It lives in a
// kernel lock on a file of the user's private runtime folder, so it ends with the holder:
// no lock outlives a crash, and none is left in the user's folders.
class OutputLock
{
public:
    OutputLock() = default;
    OutputLock(const OutputLock &) = delete;
    OutputLock &operator=(const OutputLock &) = delete;
    ~OutputLock();

    // Takes the lock of the file with the key (see fileKey()) in the runtime folder: an
    // OutputLockBusy error while another conversion writes the file.
    Result<void> take(const QByteArray &runtimeDirectory, const QByteArray &fileKey);

private:
    QByteArray lockFile;
    UniqueFd descriptor;
};
