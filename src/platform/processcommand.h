#pragma once

#include <QString>
#include <QStringList>

// One process to start: the program, its arguments, and the same call written out as one
// command-line text (what a user reads, and what a Windows launch would take).
struct ProcessCommand
{
    QString program;
    QStringList arguments;
    QString text;

    bool operator==(const ProcessCommand &) const = default;
};
