#include "commandlinetext.h"

namespace {

QString quotedIfNeeded(QString argument)
{
    const bool needsQuotes =
        argument.isEmpty() || argument.contains(u' ') || argument.contains(u'"');
    if (!needsQuotes)
        return argument;
    argument.replace(u'"', QStringLiteral("\"\""));
    return u'"' + argument + u'"';
}

} // namespace

QString joinArguments(const QStringList &arguments)
{
    QStringList written;
    written.reserve(arguments.size());
    for (const QString &argument : arguments)
        written.append(quotedIfNeeded(argument));
    return written.join(u' ');
}
