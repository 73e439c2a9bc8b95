#pragma once

#include <string_view>

// How a desktop writes file names, where the rules need to know: where a file's name starts,
// how a name in the current folder is written, and where the encoder lives.
struct FileNameStyle
{
    std::u16string_view separators;          // each ends a folder's name; the first is written
    std::u16string_view encoderBelowProgram; // joined to the program's folder as it is
    bool driveLetters;                       // "C:" begins a name on a drive, not a protocol
};

inline constexpr FileNameStyle PosixFileNames{u"/", u"/cores/ffmpeg", false};
inline constexpr FileNameStyle WindowsFileNames{u"\\/", u"\\cores\\ffmpeg.exe", true};
