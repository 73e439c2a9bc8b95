#include "getnextarg.h"

QString getnextarg(const QString &text, qsizetype &position)
{
    const qsizetype length = text.size();
    if (position > length)
        return {};

    QString token;
    bool quoted = false;
    qsizetype i = position - 1;
    while (i < length) {
        const QChar c = text.at(i);
        if (c == u'"' && quoted && i + 1 < length && text.at(i + 1) == u'"') {
            token += u'"';
            i += 2;
        } else if (c == u'"') {
            quoted = !quoted;
            ++i;
        } else if (c == u' ' && !quoted) {
            break;
        } else {
            token += c;
            ++i;
        }
    }
    while (i < length && text.at(i) == u' ')
        ++i;
    position = i + 1;
    return token;
}

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
