#include "temporaryoutput.h"

#include "outputplace.h"
#include "windowserror.h"

#include <cstring>
#include <random>
#include <vector>

#include <winternl.h>

namespace {

constexpr std::size_t NameLimit = 255; // UTF-16 units in one part of a path

std::wstring uniquePart()
{
    static constexpr wchar_t characters[] =
        L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, std::size(characters) - 2);
    std::wstring part;
    for (int i = 0; i < 6; ++i)
        part += characters[pick(random)];
    return part;
}

// A name too long for the limit keeps the start of the output's name.
std::wstring temporaryName(const std::wstring &name, const std::wstring &unique)
{
    const std::size_t dot = name.find_last_of(L'.');
    const std::wstring extension = dot == name.npos ? std::wstring() : name.substr(dot);
    const std::size_t room = NameLimit - 2 - unique.size() - extension.size();
    return L'.' + name.substr(0, room) + L'.' + unique + extension;
}

// Opens or makes a plain file of that name in the folder that the handle holds, wherever the
// folder's name leads now; a link of that name is opened as itself. Sets the last error.
UniqueHandle openInFolder(HANDLE folder, const std::wstring &name, ACCESS_MASK access,
                          ULONG disposition, ULONG options = 0)
{
    UNICODE_STRING objectName{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                              static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                              const_cast<wchar_t *>(name.c_str())};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE file = nullptr;
    const NTSTATUS result = NtCreateFile(
        &file, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, disposition,
        FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | options,
        nullptr, 0);
    if (result < 0) {
        SetLastError(RtlNtStatusToDosError(result));
        return {};
    }
    return UniqueHandle(file);
}

// Renames the open file to that name in the folder that the handle holds, over a file of
// that name. The system's own call: Windows' SetFileInformationByHandle takes the same
// record, but Wine's wants a full name there. Sets the last error.
bool renameInFolder(HANDLE file, HANDLE folder, const std::wstring &name)
{
    const std::size_t bytes = name.size() * sizeof(wchar_t);
    std::vector<std::byte> buffer(sizeof(FILE_RENAME_INFO) + bytes);
    auto *rename = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<DWORD>(bytes);
    std::memcpy(rename->FileName, name.data(), bytes);
    IO_STATUS_BLOCK status{};
    const NTSTATUS result = NtSetInformationFile(
        file, &status, rename, static_cast<ULONG>(buffer.size()), FileRenameInformation);
    if (result < 0)
        SetLastError(RtlNtStatusToDosError(result));
    return result >= 0;
}

} // namespace

Result<TemporaryOutput> TemporaryOutput::create(const std::wstring &folder,
                                                const std::wstring &name)
{
    UniqueHandle held(CreateFileW(folder.c_str(), FILE_TRAVERSE | FILE_ADD_FILE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!held)
        return lastWindowsError(Error::What::OutputFolderUnwritable);
    for (;;) {
        const std::wstring unique = temporaryName(name, uniquePart());
        if (openInFolder(held.get(), unique, GENERIC_WRITE, FILE_CREATE))
            return TemporaryOutput(std::move(held), unique, inFolder(folder, unique));
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return lastWindowsError(Error::What::OutputFolderUnwritable);
    }
}

TemporaryOutput::~TemporaryOutput()
{
    if (heldFolder && !fileName.empty())
        openInFolder(heldFolder.get(), fileName, DELETE, FILE_OPEN, FILE_DELETE_ON_CLOSE);
}

// The file's data reaches the disk before it takes the output's name.
Result<void> TemporaryOutput::replace(const std::wstring &outputName)
{
    const UniqueHandle written = openInFolder(
        heldFolder.get(), fileName, DELETE | GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_OPEN);
    LARGE_INTEGER size{};
    if (!written || !GetFileSizeEx(written.get(), &size))
        return lastWindowsError(Error::What::OutputNotReplaced);
    if (size.QuadPart == 0)
        return Error{Error::What::EncoderWroteNothing};
    if (!FlushFileBuffers(written.get()) ||
        !renameInFolder(written.get(), heldFolder.get(), outputName))
        return lastWindowsError(Error::What::OutputNotReplaced);
    fileName.clear();
    return {};
}
