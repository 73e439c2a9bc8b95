#pragma once

#include "jobs/error.h"
#include "uniquehandle.h"

#include <string>

// Where the encoder writes in place of the output, so that the output appears only whole: a
// new file beside it, named ".<output's name>.<6 letters or digits><output's extension>"
// (".song.mp3.Xa91Qz.mp3"). It is not marked hidden: the encoder, which truncates it,
// could not open a hidden file so. Removed when it goes unless it has replaced the output.
//
// The output's folder is held open from the start, and the file is made, checked, put in
// place and removed in that folder as it was then: a folder swapped for another meanwhile,
// by its name or a parent's, never receives the output. An encoder that wrote into the
// swapped-in folder under the file's name left this file empty, and nothing is replaced.
class TemporaryOutput
{
public:
    // Makes the file in the output's folder; OutputFolderUnwritable when it cannot.
    static Result<TemporaryOutput> create(const std::wstring &folder, const std::wstring &name);

    TemporaryOutput(TemporaryOutput &&other) noexcept = default;
    TemporaryOutput &operator=(TemporaryOutput &&) = delete;
    ~TemporaryOutput();

    // The file's full name, for the encoder.
    const std::wstring &path() const { return file; }

    // Makes the file the output of that name in the folder, replacing an earlier one:
    // EncoderWroteNothing when the file is empty, OutputNotReplaced when Windows refuses.
    Result<void> replace(const std::wstring &outputName);

private:
    TemporaryOutput(UniqueHandle folder, std::wstring name, std::wstring path)
        : heldFolder(std::move(folder)), fileName(std::move(name)), file(std::move(path))
    {
    }

    UniqueHandle heldFolder;
    std::wstring fileName; // in the folder; empty once put in place
    std::wstring file;
};
