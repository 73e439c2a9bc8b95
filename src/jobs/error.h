#pragma once

#include "text.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

// Why an operation failed: what failed, the system's error number (0 where the system gave
// none) and the file or program involved. The user's words for it come from errorText(),
// where the user is told.
struct Error
{
    enum class What : std::uint8_t
    {
        EncoderNotStartable,     // name: the encoder; number: why
        NoWorkingDirectory,      // name: the encoder
        CompanionNotStartable,   // name: the companion; number, or causes: the runtime folders
        CompanionSilent,         // name: the companion, which never took the stream
        CompanionNotAnswering,   // name: the companion, which stopped answering
        CompanionEnded,          // name: the companion
        CompanionStreamFailed,   // name: the companion; number
        WindowModuleNotLoaded,   // name: the loader's own words
        NoDisplay,               // none announced, or none answered
        DisplayNotAnswering,     // name: the Wayland compositor's socket; number
        WaylandPluginMissing,    // the toolkit's Wayland platform plugin
        RuntimeFolderUnusable,   // name: the folder; number
        RuntimeFolderNotPrivate, // name: the folder
        MalformedRequest,
        OutputLockBusy,
        OutputLockUnavailable, // number, or causes: the runtime folders
        OutputIsLink,
        OutputIsFolder,
        OutputIsFifo,
        OutputIsSocket,
        OutputIsDevice,
        OutputIsInput,
        OutputFolderUnwritable, // number
        EncoderExited,          // number: its exit code
        EncoderKilled,          // number: the signal
        EncoderWroteNothing,
        OutputNotReplaced,   // number
        OutputFolderSwapped, // name: the folder
        InputIsFolder,
        ToldOnItsConsole, // Windows: the conversion's console window shows why
    };

    What what;
    int number = 0;
    std::u16string name = {};
    // The failures that led to this one: each runtime folder tried, say.
    std::vector<Error> causes = {};

    bool operator==(const Error &) const = default;
};

// The value of an operation that can fail, or its error.
template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : state(std::move(value)) {}
    Result(Error error) : state(std::move(error)) {}

    explicit operator bool() const { return state.index() == 0; }
    T &operator*() { return std::get<0>(state); }
    const T &operator*() const { return std::get<0>(state); }
    T *operator->() { return &std::get<0>(state); }
    const T *operator->() const { return &std::get<0>(state); }
    const Error &error() const { return std::get<1>(state); }

private:
    std::variant<T, Error> state;
};

// An operation that gives nothing back: success, or its error.
template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Error error) : failure(std::move(error)) {}

    explicit operator bool() const { return !failure; }
    const Error &error() const { return *failure; }

private:
    std::optional<Error> failure;
};

// What the user is told of an error, in one or more lines.
std::u16string errorText(const Error &error);
