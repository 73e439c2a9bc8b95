#include "filechecks.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString encoderStartFailure(const QString &encoder, const QString &reason)
{
    return QStringLiteral("エンコーダーを起動できません: %1\n%2").arg(encoder, reason);
}

QString whyNotExecutable(const QByteArray &path)
{
    struct stat status = {};
    if (::stat(path.constData(), &status) < 0)
        return systemReason(errno);
    if (S_ISDIR(status.st_mode))
        return systemReason(EISDIR);
    if (::access(path.constData(), X_OK) < 0)
        return systemReason(errno);
    return {};
}
