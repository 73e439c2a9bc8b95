#pragma once

#include "jobs/error.h"

#include <optional>
#include <string>

// Where the output goes, once it is known to be a file the encoder may replace.
struct OutputPlace
{
    std::wstring path;     // full
    std::wstring folder;   // full, without the last separator
    std::wstring name;     // the last part of the path
    std::wstring realPath; // its real path: links and short names resolved, upper case
};

// A name in a folder, which may be a drive's root ("C:\").
inline std::wstring inFolder(const std::wstring &folder, const std::wstring &name)
{
    return folder.ends_with(L'\\') ? folder + name : folder + L'\\' + name;
}

// Examines the output: refuses a device name (OutputIsDevice), a folder (OutputIsFolder), a
// symbolic link or junction (OutputIsLink) and the same file as the input, under any name
// (OutputIsInput). An output's folder that cannot be opened is OutputFolderUnwritable.
Result<OutputPlace> examineOutput(const std::wstring &output,
                                  const std::optional<std::wstring> &input);
