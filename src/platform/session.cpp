#include "session.h"

#include "jobs/conversionrequest.h"

#include <QCryptographicHash>

QByteArray sessionAddress(const QByteArray &runtimeDirectory, const QString &displayPlatform)
{
    const QByteArray display =
        displayPlatform.toUtf8() + '|' + qgetenv("DISPLAY") + '|' + qgetenv("WAYLAND_DISPLAY");
    return runtimeDirectory + "/session-v" + QByteArray::number(ProtocolVersion) + '-' +
           QCryptographicHash::hash(display, QCryptographicHash::Sha256).toHex().first(16);
}

Result<UniqueFd> lockSession(const QByteArray &address)
{
    return takeFileLock(address + ".lock", Error::What::CompanionNotStartable);
}
