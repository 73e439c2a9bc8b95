#pragma once

// Exit statuses of the program, for scripts that run it.
namespace ExitStatus {
inline constexpr int Success = 0;
inline constexpr int UnusableName = 1;     // a name too short to derive an output name from
inline constexpr int LaunchFailed = 2;     // the encoder or its companion could not be started,
                                           // or the companion did not answer for every conversion
inline constexpr int UnknownOption = 2;    // an option unknown or out of place: nothing converted
inline constexpr int NoDisplay = 3;        // no name given, and no display for the window
inline constexpr int NoNames = 3;          // --wait without names: there is nothing to wait for
inline constexpr int NotAllConverted = 4;  // some names were left out or refused, and said so
inline constexpr int ConversionFailed = 5; // with --wait: a conversion failed or was stopped
inline constexpr int ClashingOptions = 6;  // --ask and --wait given together
} // namespace ExitStatus
