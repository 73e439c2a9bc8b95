#include "pathparts.h"

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.first(slash);
}

QByteArray lastPartOf(const QByteArray &path)
{
    return path.sliced(path.lastIndexOf('/') + 1);
}
