#pragma once

#include "platform/conversionrequest.h"

#include <optional>
#include <vector>

#include <sys/types.h>

struct SpawnSetup;

// Hands conversion requests to the companion program that runs and watches the encoders,
// without waiting for it. With a display, one companion serves the user's whole session and
// shows a window for each conversion. When none listens on the session's socket, the
// Orvalen that wants one makes the listening socket itself and hands it to a new companion,
// so its requests wait in that socket while the companion starts. Without a display, a
// companion of this run takes its requests through a socket pair and reports every failure
// on our standard error, which it shares.
class CompanionLink
{
public:
    CompanionLink(QByteArray companion, std::optional<QString> displayPlatform);
    ~CompanionLink();
    CompanionLink(const CompanionLink &) = delete;
    CompanionLink &operator=(const CompanionLink &) = delete;

    // Hands the request over. Returns why it could not be; empty once the companion has it.
    QString hand(const ConversionRequest &request);

private:
    QString handToSession(const QByteArray &frame);
    QString handToBatch(const QByteArray &frame);
    int startSessionCompanion(const QByteArray &address, QString &failure);
    int startOnOwnSocket(const QByteArray &path, int lock, QString &failure);
    QString startCompanion(const QByteArrayList &arguments, const SpawnSetup &setup);
    void reapEndedCompanions();

    QByteArray companion;
    std::optional<QString> displayPlatform;
    int batchSocket = -1;
    std::vector<pid_t> started;
};
