#pragma once

#include <cerrno>
#include <utility>

#include <unistd.h>

// A file descriptor of ours, closed when its owner ends; moved, never copied.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int held) : descriptor(held) {}
    UniqueFd(UniqueFd &&other) noexcept : descriptor(other.release()) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return descriptor; }
    bool isValid() const { return descriptor >= 0; }

    // Gives the descriptor up to the caller, who closes it.
    int release() { return std::exchange(descriptor, -1); }

    // Closes the descriptor held, keeping errno, and holds the new one.
    void reset(int replacement = -1)
    {
        if (descriptor >= 0) {
            const int error = errno;
            ::close(descriptor);
            errno = error;
        }
        descriptor = replacement;
    }

private:
    int descriptor = -1;
};
