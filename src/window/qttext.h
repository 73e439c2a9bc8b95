#pragma once

#include "jobs/text.h"

#include <QStringList>

// The rules' texts as the toolkit's, and back: both are UTF-16, so nothing is lost.
// Unit for unit: QString::fromStdU16String() takes a leading U+FEFF or U+FFFE for a
// byte-order mark, and drops it or swaps the bytes of every unit, and a name may begin with
// either.
inline QString toQString(std::u16string_view text)
{
    return QStringView(text).toString();
}

inline std::u16string toText(const QString &text)
{
    return text.toStdU16String();
}

inline QStringList toQStringList(const TextList &texts)
{
    QStringList list;
    list.reserve(qsizetype(texts.size()));
    for (const std::u16string &text : texts)
        list.append(toQString(text));
    return list;
}

inline TextList toTextList(const QStringList &list)
{
    TextList texts;
    texts.reserve(std::size_t(list.size()));
    for (const QString &text : list)
        texts.push_back(toText(text));
    return texts;
}
