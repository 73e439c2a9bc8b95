#pragma once

#include <QByteArray>

// The file that the encoder writes in place of its output, so that the output appears only
// whole: beside it, hidden, named ".<output's name>.<6 letters or digits><output's
// extension>" (".song.mp3.Xa91Qz.mp3"), so that the encoder picks the same format. Once
// the encoder has succeeded it replaces the output; otherwise it is removed, and an
// earlier output stays as it was.
class TemporaryOutput
{
public:
    TemporaryOutput() = default;
    TemporaryOutput(const TemporaryOutput &) = delete;
    TemporaryOutput &operator=(const TemporaryOutput &) = delete;
    // Removes the file unless it has replaced the output.
    ~TemporaryOutput();

    // Makes the file beside the output, a name resolved against the working directory.
    // Returns 0 or the errno of what failed.
    int create(const QByteArray &workingDirectory, const QByteArray &output);

    // The name to give the encoder: the output's name with the file's name in its place.
    QByteArray encoderName() const { return folderAsGiven + fileName; }

    // Removes the files that earlier conversions of the same output left behind when they
    // were killed. Only for the holder of the output's lock.
    void removeLeftovers() const;

    // Makes the finished file the output, replacing an earlier one (whose permissions it
    // takes) that is a plain file. Returns 0, or the errno of what failed; ENODATA when the
    // file is empty, EEXIST when the output's name is something else than a plain file.
    int replaceOutput();

    // Removes the file.
    void remove();

private:
    QByteArray folder; // absolute, ending in '/'
    QByteArray folderAsGiven;
    QByteArray outputName;
    QByteArray fileName;
};

// The temporary file name for an output file name and a unique part. A name that would pass
// the 255-byte limit keeps only the start of the output's name, then "~" and 8 hexadecimal
// digits of its hash, so that two long names still get different temporary names.
QByteArray temporaryFileName(const QByteArray &outputName, const QByteArray &unique);

// Whether a file name is a temporary file name for the output file name.
bool isTemporaryFileNameOf(const QByteArray &candidate, const QByteArray &outputName);
