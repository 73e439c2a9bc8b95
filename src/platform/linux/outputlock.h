#pragma once

#include <QByteArray>
#include <QString>

// The right to write one output file, held by the conversion that writes it. It lives in a
// kernel lock on a file of the user's private runtime directory, so it ends with the
// holder: no lock outlives a crash, and none is left in the user's folders.
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
        Unavailable // no private runtime directory for the lock
    };

    // Takes the lock of an output, a name resolved against the working directory. Two
    // spellings of one path ("./a.mp3", "/dir/a.mp3", a link to the folder) share one lock.
    Result take(const QByteArray &workingDirectory, const QByteArray &output);

private:
    QByteArray lockFile;
    int descriptor = -1;
};

// The path that an output name stands for: its folder with every link resolved, then its
// own name. A folder that does not exist is kept as written.
QByteArray canonicalOutputPath(const QByteArray &workingDirectory, const QByteArray &output);
