#pragma once

#include <QString>

// Shows the text as a notice of the desktop's notification service, where one runs on the
// session bus; does nothing where none does.
void notifyDesktop(const QString &text);
