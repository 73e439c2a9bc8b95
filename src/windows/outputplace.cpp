#include "outputplace.h"

#include "devicename.h"
#include "uniquehandle.h"
#include "widetext.h"
#include "windowserror.h"

namespace {

using What = Error::What;

// A file or folder opened for nothing but its attributes, as it is: a link is not followed.
UniqueHandle openAsItIs(const std::wstring &path)
{
    return UniqueHandle(
        CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

std::optional<std::wstring> fullPath(const std::wstring &path)
{
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (size == 0 || length == 0 || length >= size)
        return std::nullopt;
    full.resize(length);
    return full;
}

std::optional<std::wstring> finalPath(HANDLE file)
{
    const DWORD size = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
    std::wstring path(size, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file, path.data(), size, FILE_NAME_NORMALIZED);
    if (size == 0 || length == 0 || length >= size)
        return std::nullopt;
    path.resize(length);
    return path;
}

// Windows compares names without case, as its invariant upper case.
std::wstring uppercase(const std::wstring &text)
{
    std::wstring upper(text.size(), L'\0');
    const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.c_str(),
                                     static_cast<int>(text.size()), upper.data(),
                                     static_cast<int>(upper.size()), nullptr, nullptr, 0);
    upper.resize(static_cast<std::size_t>(length));
    return upper;
}

bool sameFile(const BY_HANDLE_FILE_INFORMATION &a, const BY_HANDLE_FILE_INFORMATION &b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

bool isInput(const BY_HANDLE_FILE_INFORMATION &output, const std::optional<std::wstring> &input)
{
    if (!input)
        return false;
    // The input followed through links: a link to the output's file is that file.
    const UniqueHandle file(CreateFileW(input->c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    return file && GetFileInformationByHandle(file.get(), &information) &&
           sameFile(output, information);
}

// An output that exists already: a plain file, and not the input.
Result<std::wstring> examineExisting(const std::wstring &path,
                                     const std::optional<std::wstring> &input)
{
    const UniqueHandle file = openAsItIs(path);
    if (!file)
        return lastWindowsError(What::OutputFolderUnwritable);
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(file.get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(file.get(), &information))
        return Error{What::OutputIsDevice};
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Error{What::OutputIsLink};
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Error{What::OutputIsFolder};
    if (isInput(information, input))
        return Error{What::OutputIsInput};
    const std::optional<std::wstring> real = finalPath(file.get());
    if (!real)
        return lastWindowsError(What::OutputFolderUnwritable);
    return *real;
}

// An output that does not exist yet: its folder's real path and its name.
Result<std::wstring> examineNew(const OutputPlace &place)
{
    const UniqueHandle folder(CreateFileW(place.folder.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
    const std::optional<std::wstring> real = folder ? finalPath(folder.get()) : std::nullopt;
    if (!real)
        return lastWindowsError(What::OutputFolderUnwritable);
    return *real + L'\\' + place.name;
}

} // namespace

Result<OutputPlace> examineOutput(const std::wstring &output,
                                  const std::optional<std::wstring> &input)
{
    // Before the full path: Windows turns "folder\nul.mp3" into "\\.\nul".
    if (isDeviceName(lastPathPart(toText(output))) || output.starts_with(L"\\\\.\\"))
        return Error{What::OutputIsDevice};
    const std::optional<std::wstring> path = fullPath(output);
    if (!path)
        return lastWindowsError(What::OutputFolderUnwritable);
    const std::size_t separator = path->find_last_of(L'\\');
    OutputPlace place{*path, path->substr(0, separator), path->substr(separator + 1), {}};
    if (place.name.empty())
        return Error{What::OutputIsFolder};
    if (place.folder.ends_with(L':'))
        place.folder += L'\\';

    Result<std::wstring> real = GetFileAttributesW(path->c_str()) == INVALID_FILE_ATTRIBUTES
                                    ? examineNew(place)
                                    : examineExisting(*path, input);
    if (!real)
        return real.error();
    place.realPath = uppercase(*real);
    return place;
}
