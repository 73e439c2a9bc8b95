#include "droppedfiles.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

std::optional<QStringList> droppedFiles(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return std::nullopt;
        paths.append(QDir::toNativeSeparators(url.toLocalFile()));
    }
    return paths;
}
