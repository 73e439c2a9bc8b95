#pragma once

#include <QStringList>

#include <optional>

class QMimeData;

// The paths of a dropped file list, in the drag source's order, byte for byte. Nothing when the
// drop is not a file list: no URLs at all, or any URL that is not a local file (web addresses, or a
// mix of both).
std::optional<QStringList> droppedFiles(const QMimeData *data);
