#pragma once

#include "jobs/error.h"

#include <string>

// Where the encoder writes in place of the output, so that the output appears only whole: a
// new file beside it, named ".<output's name>.<6 letters or digits><output's extension>"
// (".song.mp3.Xa91Qz.mp3"). It is not marked hidden: the encoder, which truncates it,
// could not open a hidden file so. Removed when it goes unless it has replaced the output.
class TemporaryOutput
{
public:
    // Makes the file in the output's folder; OutputFolderUnwritable when it cannot.
    static Result<TemporaryOutput> create(const std::wstring &folder, const std::wstring &name);

    TemporaryOutput(TemporaryOutput &&other) noexcept;
    TemporaryOutput &operator=(TemporaryOutput &&) = delete;
    ~TemporaryOutput();

    const std::wstring &path() const { return file; }

    // Makes the file the output, replacing an earlier one: EncoderWroteNothing when the
    // file is empty, OutputNotReplaced when Windows refuses.
    Result<void> replace(const std::wstring &output);

private:
    explicit TemporaryOutput(std::wstring path) : file(std::move(path)) {}

    std::wstring file; // empty once moved or put in place
};
