#pragma once

#include "jobs/filenamebytes.h"
#include "platform/pathparts.h"
#include "window/qttext.h"

#include <QByteArray>
#include <QStringList>

// The rules' names and texts as the companion's Qt types hold them, and back.
inline QByteArray fileNameQBytes(const std::u16string &name)
{
    return QByteArray::fromStdString(fileNameToBytes(name));
}

inline std::u16string fileNameFromQBytes(const QByteArray &bytes)
{
    return fileNameFromBytes(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

// A file name with its letters case-folded: the name as a case-blind file system sees it,
// bytes that are not UTF-8 kept as they are.
inline QByteArray caseFoldedFileName(const QByteArray &name)
{
    return fileNameQBytes(toQString(fileNameFromQBytes(name)).toCaseFolded().toStdU16String());
}

// A path's parts (see pathparts.h) for the companion's byte arrays.
inline QByteArray folderOf(const QByteArray &path)
{
    return QByteArray::fromStdString(
        folderOf(std::string_view(path.constData(), std::size_t(path.size()))));
}

inline QByteArray lastPartOf(const QByteArray &path)
{
    return QByteArray::fromStdString(
        lastPartOf(std::string_view(path.constData(), std::size_t(path.size()))));
}
