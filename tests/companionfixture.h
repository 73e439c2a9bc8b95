#pragma once

// What the companion's tests share: the program's end of a request stream to a companion
// served in the test's own process, and stand-in encoders.
#include "jobs/conversionrequest.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <sys/socket.h>
#include <unistd.h>

// Qt's text as the rules hold it.
inline std::u16string utf16Of(const QString &text)
{
    return text.toStdU16String();
}

// Writes a shell script that stands in for the encoder, which is given
// "-y -i <input> <options> <output>"; returns its path, as a request names the encoder.
inline std::u16string writeEncoder(const QString &path, const QByteArray &body)
{
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly) || script.write("#!/bin/sh\n" + body + '\n') < 0)
        return {};
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return utf16Of(path);
}

class RequestClient
{
public:
    // Makes the stream; the companion's end goes to ConversionHost::serve().
    RequestClient()
    {
        int pair[2] = {-1, -1};
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair);
        own = pair[0];
        served = pair[1];
    }
    RequestClient(const RequestClient &) = delete;
    RequestClient &operator=(const RequestClient &) = delete;
    ~RequestClient() { closeStream(); }

    int companionEnd() const { return served; }

    bool send(const ProgramMessage &message) { return send(toFrame(message)); }
    bool send(QByteArrayView bytes)
    {
        return ::send(own, bytes.data(), bytes.size(), MSG_NOSIGNAL) == bytes.size();
    }

    void closeStream()
    {
        if (own >= 0)
            ::close(own);
        own = -1;
    }

    // The reports that have come so far.
    const QList<ConversionReport> &reports()
    {
        char buffer[4096];
        ssize_t count = 0;
        while (own >= 0 && (count = ::recv(own, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
            incoming.append(buffer, count);
        while (const std::optional<ConversionReport> report = takeReport(incoming))
            told.append(*report);
        return told;
    }

    // The kind of the latest report, once one has come.
    std::optional<ConversionOutcome::Kind> latest()
    {
        return reports().isEmpty() ? std::nullopt : std::optional(told.constLast().outcome.kind);
    }

private:
    int own = -1;
    int served = -1;
    std::string incoming;
    QList<ConversionReport> told;
};
