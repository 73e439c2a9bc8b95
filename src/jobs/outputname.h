#pragma once

#include <QString>

#include <optional>

class Platform;

// The MP3 name beside an input: the input without its last 4 characters (UTF-16 code units,
// whatever they are), followed by ".mp3". Nothing for a name shorter than 4 characters.
std::optional<QString> deriveOutputName(const QString &input);

// The output name of a conversion that was not given one. A name shorter than 4 characters
// cannot be converted: the user is told, and the program ends with exit status 1.
std::optional<QString> makeoutputfn(Platform &platform, const QString &input);
