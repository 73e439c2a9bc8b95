#pragma once

#include <optional>
#include <string>

// A file's identity on its volume: a rename keeps it, a file moved over the name brings its own.
struct FileIdentity
{
    unsigned long volume;
    unsigned long indexHigh;
    unsigned long indexLow;

    bool operator==(const FileIdentity &) const = default;
};

// The identity of the file of that name; nothing when there is none.
std::optional<FileIdentity> identityOf(const std::u16string &path);
