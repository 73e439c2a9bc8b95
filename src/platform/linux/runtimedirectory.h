#pragma once

#include <QByteArray>

// A directory private to the user for the program's locks and its conversion socket:
// $XDG_RUNTIME_DIR/orvalen, or /tmp/orvalen-<uid> where that variable is not set or not
// usable. Made on first use; empty when it cannot be made, or is not the user's alone.
QByteArray privateRuntimeDirectory();
