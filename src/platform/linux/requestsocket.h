#pragma once

#include "platform/conversionrequest.h"

#include <QObject>

class QSocketNotifier;

// Where the companion that serves a display's conversion windows listens, without the
// ending: ".socket" for the socket, ".lock" for the lock that keeps it to one companion.
// Empty without a private runtime directory.
QByteArray sessionAddress(const QString &displayPlatform);

// The companion's listening socket for the requests of every Orvalen of the session.
class RequestListener : public QObject
{
    Q_OBJECT

public:
    explicit RequestListener(QObject *parent = nullptr);
    ~RequestListener() override;

    // Listens at the address. False when another companion serves it, or it cannot be used.
    bool listen(const QByteArray &address);

    // Stops listening; a client that comes later starts a new companion.
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

// One stream of requests: a client's connection, or the standard input of a batch. Each
// request can be acknowledged with one byte once it has been taken on.
class RequestConnection : public QObject
{
    Q_OBJECT

public:
    RequestConnection(int descriptor, QObject *parent = nullptr);
    ~RequestConnection() override;

    void acknowledge();

signals:
    void received(const ConversionRequest &request);
    void closed();

private:
    void readAvailable();

    int descriptor;
    QByteArray stream;
    QSocketNotifier *notifier;
};
