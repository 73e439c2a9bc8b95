#include "droppedfiles.h"

#include "jobs/filenamebytes.h"
#include "qttext.h"

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
        // Percent-encoded bytes that are not UTF-8 stay what they are.
        const QByteArray bytes =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        paths.append(toQString(fileNameFromBytes(bytes.toStdString())));
    }
    return paths;
}
