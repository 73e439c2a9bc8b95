#include "standarderror.h"

#include "jobs/filenamebytes.h"

#include <cstdio>

void writeLineToStandardError(const QString &text)
{
    const QByteArray line = fileNameToBytes(text) + '\n';
    std::fwrite(line.constData(), 1, line.size(), stderr);
    std::fflush(stderr);
}
