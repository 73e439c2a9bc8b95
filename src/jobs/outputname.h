#pragma once

#include <QString>

#include <optional>

class Platform;
class QWidget;

// The MP3 name beside an input: the input without its last 4 characters, followed by
// ".mp3". A cut inside a character written as a surrogate pair drops the whole character.
// Nothing for a name shorter than 4 characters.
std::optional<QString> deriveOutputName(const QString &input);

// The output name of a conversion that was not given one. A name shorter than 4 characters
// cannot be converted: the user is told, and the program ends with exit status 1.
std::optional<QString> makeoutputfn(Platform &platform, QWidget *window, const QString &input);
