#include "dialogfilter.h"

#include <QStringList>

namespace {

QString qtPatterns(const QString &semicolonSeparated)
{
    QStringList patterns = semicolonSeparated.split(u';');
    patterns.replaceInStrings(QStringLiteral("*.*"), QStringLiteral("*"));
    return patterns.join(u' ');
}

} // namespace

QString toQtFileDialogFilter(const QString &pipeSeparatedFilter)
{
    const QStringList pieces = pipeSeparatedFilter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2)
        entries.append(pieces.at(i) + QStringLiteral(" (") + qtPatterns(pieces.at(i + 1)) + u')');
    return entries.join(QStringLiteral(";;"));
}
