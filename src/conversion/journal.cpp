#include "journal.h"

#include <syslog.h>

void writeToJournal(const QString &line)
{
    ::syslog(LOG_USER | LOG_WARNING, "%s", line.toUtf8().constData());
}
