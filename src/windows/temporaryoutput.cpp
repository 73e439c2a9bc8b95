#include "temporaryoutput.h"

#include "outputplace.h"
#include "uniquehandle.h"
#include "windowserror.h"

#include <random>
#include <utility>

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

} // namespace

Result<TemporaryOutput> TemporaryOutput::create(const std::wstring &folder,
                                                const std::wstring &name)
{
    for (;;) {
        const std::wstring path = inFolder(folder, temporaryName(name, uniquePart()));
        const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return TemporaryOutput(path);
        if (GetLastError() != ERROR_FILE_EXISTS)
            return lastWindowsError(Error::What::OutputFolderUnwritable);
    }
}

TemporaryOutput::TemporaryOutput(TemporaryOutput &&other) noexcept
    : file(std::exchange(other.file, {}))
{
}

TemporaryOutput::~TemporaryOutput()
{
    if (!file.empty())
        DeleteFileW(file.c_str());
}

Result<void> TemporaryOutput::replace(const std::wstring &output)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &attributes))
        return lastWindowsError(Error::What::OutputNotReplaced);
    if (attributes.nFileSizeHigh == 0 && attributes.nFileSizeLow == 0)
        return Error{Error::What::EncoderWroteNothing};
    if (!MoveFileExW(file.c_str(), output.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastWindowsError(Error::What::OutputNotReplaced);
    file.clear();
    return {};
}
