#include "programfolder.h"

#include "widetext.h"

#include <windows.h>

std::u16string folderOf(const std::u16string &programName)
{
    const std::size_t separator = programName.find_last_of(u"\\/");
    if (separator == programName.npos)
        return {};
    std::u16string folder = programName.substr(0, separator);
    if (folder.size() == 2 && folder[1] == u':')
        folder += u'\\';
    return folder;
}

// The name may be longer than MAX_PATH: the buffer grows until it holds it.
std::optional<std::u16string> programFolder()
{
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (size == 0)
            return std::nullopt;
        if (size < name.size())
            return folderOf(toText(std::wstring_view(name).substr(0, size)));
        name.resize(name.size() * 2);
    }
}
