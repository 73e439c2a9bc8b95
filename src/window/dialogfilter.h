#pragma once

#include <QString>

// Turns a file-dialog filter written as "description|*.a;*.b|description|*.*" into Qt's
// form "description (*.a *.b);;description (*)", keeping the entries in order. "*.*" becomes
// "*", which also matches names without a dot.
QString toQtFileDialogFilter(const QString &pipeSeparatedFilter);
