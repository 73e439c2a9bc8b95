#include "outputlock.h"

#include "jobs/namehash.h"
#include "windowserror.h"

std::wstring outputLockName(const std::wstring &realPath)
{
    const std::string digits = nameHash(std::wstring_view(realPath));
    return L"Local\\orvalen-output-" + std::wstring(digits.begin(), digits.end());
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
