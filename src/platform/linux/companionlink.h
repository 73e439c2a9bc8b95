#pragma once

#include "platform/conversionrequest.h"

#include <optional>

// Hands conversion requests to the companion program that runs and watches the encoders.
// With a display, one companion serves the user's whole session and shows a window for
// each conversion; it is started when none answers on its socket, and leaves when its last
// window closes. Without a display, a companion of this run takes its requests through a
// socket pair and reports every failure on our standard error, which it shares.
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
    QString startCompanion(const QByteArrayList &arguments, int input, int error);

    QByteArray companion;
    std::optional<QString> displayPlatform;
    int batchSocket = -1;
};
