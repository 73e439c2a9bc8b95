#pragma once

#include <QByteArray>
#include <QString>

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

    enum class Result
    {
        Taken,
        Busy,       // another conversion writes the file
        Unavailable // no lock file could be made; errno tells why
    };

    // Takes the lock of the file with the key (see fileKey()) in the runtime folder.
    Result take(const QByteArray &runtimeDirectory, const QByteArray &fileKey);

private:
    QByteArray lockFile;
    int descriptor = -1;
};
