#pragma once

// Exit statuses of the program, for scripts that run it.
namespace ExitStatus {
inline constexpr int Success = 0;
inline constexpr int UnusableName = 1;
inline constexpr int LaunchFailed = 2;
inline constexpr int NoDisplay = 3;
} // namespace ExitStatus
