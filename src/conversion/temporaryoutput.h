#pragma once

#include "jobs/error.h"
#include "outputfolder.h"
#include "platform/uniquefd.h"

#include <QByteArray>

#include <memory>

#include <sys/types.h>

class PartialRecord;

// Where the encoder writes in place of its output, so that the output appears only whole: a
// file named as the output, in a private folder (mode 0700) beside the output, hidden, named
// ".<output's name>.<6 letters or digits><output's extension>" (".song.mp3.Xa91Qz.mp3"),
// marked as ours by a file made in it with O_EXCL (see removeTemporaryFolder()) and locked
// while the conversion lives.
// The encoder reaches it through our descriptor of that folder, /proc/self/fd/<n>/song.mp3:
// whoever else may write in the output's folder can move or replace the folder's name, but
// not what the descriptor holds, so the encoder never writes through a link planted there.
// Every step on the output's folder goes through the descriptor of OutputFolder.
// Once the encoder has succeeded the file replaces the output; otherwise it is removed, and
// an earlier output stays as it was.
class TemporaryOutput
{
public:
    TemporaryOutput();
    TemporaryOutput(const TemporaryOutput &) = delete;
    TemporaryOutput &operator=(const TemporaryOutput &) = delete;
    // Removes the file and its folder unless the file has replaced the output.
    ~TemporaryOutput();

    // Makes the folder and the file in the output's folder, and their record in the runtime
    // folder (see partialrecord.h).
    Result<void> create(OutputFolder outputFolder, const QByteArray &runtimeDirectory);

    // The name to give the encoder, which gets folderDescriptor() under the given number.
    static QByteArray encoderName(const QByteArray &output, int descriptorInEncoder);
    int folderDescriptor() const { return folder.get(); }

    // Removes what earlier conversions of the same output left behind when they were killed:
    // marked folders that no conversion holds. Only for the holder of the output's lock.
    void removeLeftovers() const;

    // Makes the finished file the output, replacing an earlier one (whose permission bits it
    // takes when it is the user's own) that is a plain file: EncoderWroteNothing when the file
    // is empty, OutputFolderSwapped when the output's folder is no longer named as it was,
    // and OutputNotReplaced with EEXIST when the output's name is something else than a plain
    // file.
    Result<void> replaceOutput();

    // Removes the file and its folder.
    void remove();

private:
    Result<void> createContents();
    Result<void> putInPlace(int file) const;

    OutputFolder parent;
    QByteArray folderName;
    UniqueFd folder;
    UniqueFd marker; // locked while the folder is in use
    uid_t owner = 0; // of the files we make there
    std::unique_ptr<PartialRecord> record;
};

// The temporary folder's name for an output file name and a unique part. A name that would pass
// the 255-byte limit keeps only the start of the output's name, then "~" and 8 hexadecimal
// digits of its hash, so that two long names still get different temporary names.
QByteArray temporaryName(const QByteArray &outputName, const QByteArray &unique);

// Whether a name is a temporary folder's name for the output file name.
bool isTemporaryNameOf(const QByteArray &candidate, const QByteArray &outputName);

// The name and the content of the file that marks a temporary folder as ours.
inline constexpr char TemporaryMarkerName[] = ".orvalen-temporary";
inline constexpr char TemporaryMarkerContent[] = "Orvalen temporary output folder\n";

// Removes a temporary folder named in the folder `parent` for the output file name, with the
// file and the marker in it, as long as it has the owner given, is marked as ours and no
// conversion holds it; nothing else.
void removeTemporaryFolder(int parent, const QByteArray &name, const QByteArray &outputName,
                           uid_t owner);
