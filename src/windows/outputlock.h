#pragma once

#include "jobs/error.h"
#include "uniquehandle.h"

#include <string>

// One writer per output: a named mutex, Local\orvalen-output-<16 hexadecimal digits of the
// hash of the output's real path>, that exists while its watcher lives. Windows ends it with
// the watcher however that ends.
class OutputLock
{
public:
    // Takes the lock of the output's real path (OutputPlace::realPath): OutputLockBusy when
    // another watcher holds it.
    static Result<OutputLock> take(const std::wstring &realPath);

private:
    explicit OutputLock(UniqueHandle held) : mutex(std::move(held)) {}

    UniqueHandle mutex;
};

// The name of the mutex for a real path.
std::wstring outputLockName(const std::wstring &realPath);
