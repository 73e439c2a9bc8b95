#pragma once

#include <QByteArray>
#include <QString>

// A folder private to the user for the program's locks and its conversion socket:
// $XDG_RUNTIME_DIR/orvalen or, where that variable is unset or the folder unusable (read
// only, full, or open to another user), a folder of the user's cache,
// ${XDG_CACHE_HOME:-~/.cache}/orvalen/runtime-<host>. Nobody else can make or take either,
// unlike a name in /tmp. Made on first use.
struct RuntimeDirectory
{
    QByteArray path;
    // Empty with a path; otherwise, for each folder tried, its name and why it is unusable.
    QString failure;
};

RuntimeDirectory privateRuntimeDirectory();
