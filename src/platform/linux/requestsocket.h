#pragma once

#include "platform/conversionrequest.h"

#include <QObject>

class QSocketNotifier;

// Where the companion that serves a display's conversion windows listens, without the
// ending: ".socket" for the socket, ".lock" for the lock that keeps it to one companion.
// Empty without a private runtime directory.
QByteArray sessionAddress(const QString &displayPlatform);

// The session's lock, taken without waiting: a descriptor that holds it (closing on exec),
// or -1 while a companion holds it. Whoever holds it may make the session's socket.
int lockSession(const QByteArray &address);

// The companion's listening socket for the requests of every Orvalen of the session. The
// Orvalen that started the companion made the socket and took the session's lock for it.
class RequestListener : public QObject
{
    Q_OBJECT

public:
    explicit RequestListener(QObject *parent = nullptr);
    ~RequestListener() override;

    // Serves the listening socket and holds the lock; false when either is unusable.
    bool adopt(int listeningSocket, int sessionLock);

    // Stops listening. Clients that have connected already are still accepted; one that
    // comes later is refused and starts a new companion.
    void close();

signals:
    void accepted(int descriptor);

private:
    void acceptWaiting();

    QByteArray socketPath;
    int listening = -1;
    int lock = -1;
    QSocketNotifier *notifier = nullptr;
};

// One stream of requests: a client's connection, or the standard input of a batch.
class RequestConnection : public QObject
{
    Q_OBJECT

public:
    RequestConnection(int descriptor, QObject *parent = nullptr);
    ~RequestConnection() override;

signals:
    void received(const ConversionRequest &request);
    void closed();

private:
    void readAvailable();

    int descriptor;
    QByteArray stream;
    QSocketNotifier *notifier;
};
