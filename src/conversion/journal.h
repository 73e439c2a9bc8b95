#pragma once

#include <QString>

// Writes the line to the user's journal, through the system log (as a user's message).
void writeToJournal(const QString &line);
