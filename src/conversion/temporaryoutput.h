#pragma once

#include "jobs/error.h"
#include "platform/uniquefd.h"

#include <QByteArray>

#include <memory>

#include <sys/types.h>

class PartialRecord;

// Where the encoder writes in place of its output, so that the output appears only whole: a
// file named as the output, in a private folder (mode 0700) beside the output, hidden, named
// ".<output's name>.<6 letters or digits><output's extension>" (".song.mp3.Xa91Qz.mp3").
// The encoder reaches it through our descriptor of that folder, /proc/self/fd/<n>/song.mp3:
// whoever else may write in the output's folder can move or replace the folder's name, but
// not what the descriptor holds, so the encoder never writes through a link planted there.
// Once the encoder has succeeded the file replaces the output; otherwise it is removed, and
// an earlier output stays as it was.
class TemporaryOutput
{
public:
    TemporaryOutput() = default;
    TemporaryOutput(const TemporaryOutput &) = delete;
    TemporaryOutput &operator=(const TemporaryOutput &) = delete;
    // Removes the file and its folder unless the file has replaced the output.
    ~TemporaryOutput();

    // Makes the folder and the file beside the output, an absolute path, and their record in
    // the runtime folder (see partialrecord.h).
    Result<void> create(const QByteArray &output, const QByteArray &runtimeDirectory);

    // The name to give the encoder, which gets folderDescriptor() under the given number.
    static QByteArray encoderName(const QByteArray &output, int descriptorInEncoder);
    int folderDescriptor() const { return folder.get(); }

    // Removes what earlier conversions of the same output left behind when they were killed.
    // Only for the holder of the output's lock.
    void removeLeftovers() const;

    // Makes the finished file the output, replacing an earlier one (whose permissions it
    // takes) that is a plain file: EncoderWroteNothing when the file is empty, and
    // OutputNotReplaced with EEXIST when the output's name is something else than a plain file.
    Result<void> replaceOutput();

    // Removes the file and its folder.
    void remove();

private:
    Result<void> createFile();
    Result<void> putInPlace(int file) const;

    QByteArray outputFolder; // absolute, ending in '/'
    QByteArray outputName;
    QByteArray folderName;
    UniqueFd folder;
    uid_t owner = 0; // of the files we make there
    std::unique_ptr<PartialRecord> record;
};

// The temporary folder's name for an output file name and a unique part. A name that would pass
// the 255-byte limit keeps only the start of the output's name, then "~" and 8 hexadecimal
// digits of its hash, so that two long names still get different temporary names.
QByteArray temporaryName(const QByteArray &outputName, const QByteArray &unique);

// Removes a temporary folder, with the file in it, or a temporary file (as older versions
// made them), named in the folder `parent`, as long as it has the owner given.
void removeTemporaryFolder(int parent, const QByteArray &name, const QByteArray &outputName,
                           uid_t owner);

// Whether a name is a temporary folder's name for the output file name (or, as older
// versions made them, a temporary file's).
bool isTemporaryNameOf(const QByteArray &candidate, const QByteArray &outputName);
