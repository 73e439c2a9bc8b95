#pragma once

#include <QStringList>

// Writes program arguments as one command-line text: joined by one space; an argument that
// is empty or holds a space or a double quote is put in double quotes, each inner double
// quote doubled, so that getnextarg gives every argument back whole.
QString joinArguments(const QStringList &arguments);
