#pragma once

#include "filenamestyle.h"
#include "text.h"

#include <optional>

class BoxOwner;
class Platform;

// The MP3 name beside an input: the input with the extension of its file name replaced by
// ".mp3" ("song.flac" gives "song.mp3"), or with ".mp3" added when the file name has none
// ("notes", ".hidden", "/a.b/c"). Nothing for a name shorter than 4 characters.
std::optional<std::u16string> deriveOutputName(const std::u16string &input,
                                               const FileNameStyle &style);

// The output name of a conversion that was not given one. A name shorter than 4 characters
// cannot be converted: the user is told, and the program ends with exit status 1.
std::optional<std::u16string> makeoutputfn(Platform &platform, const BoxOwner *window,
                                           const std::u16string &input);
