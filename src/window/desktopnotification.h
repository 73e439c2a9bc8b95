#pragma once

#include <QString>

#include <functional>

class QObject;

// Shows the text as a notice of the desktop's notification service, where one runs on the
// session bus; does nothing where none does. Nothing waits for the service: `sent` is called
// from the event loop once it has answered, or has not in a second, or at once when there is
// no session bus; not once `context` is gone.
void notifyDesktop(const QString &text, QObject *context, std::function<void()> sent);
