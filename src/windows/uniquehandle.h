#pragma once

#include <utility>

#include <windows.h>

// A kernel object's handle, closed when it goes. An invalid handle from CreateFileW is held
// as none.
class UniqueHandle
{
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE held) : handle(held == INVALID_HANDLE_VALUE ? nullptr : held) {}
    UniqueHandle(UniqueHandle &&other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    UniqueHandle &operator=(UniqueHandle &&other) noexcept
    {
        std::swap(handle, other.handle);
        return *this;
    }
    ~UniqueHandle()
    {
        if (handle)
            CloseHandle(handle);
    }

    HANDLE get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

private:
    HANDLE handle = nullptr;
};
