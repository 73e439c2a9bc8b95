#include "outputlock.h"

#include "windowserror.h"

#include <cstdint>
#include <cwchar>

std::wstring outputLockName(const std::wstring &realPath)
{
    // FNV-1a over the UTF-16 units.
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const wchar_t unit : realPath) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= 0x100000001b3;
    }
    wchar_t digits[17];
    std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return L"Local\\orvalen-output-" + std::wstring(digits);
}

Result<OutputLock> OutputLock::take(const std::wstring &realPath)
{
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, outputLockName(realPath).c_str()));
    if (!mutex)
        return lastWindowsError(Error::What::OutputLockUnavailable);
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return Error{Error::What::OutputLockBusy};
    return OutputLock(std::move(mutex));
}
