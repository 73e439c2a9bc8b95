#pragma once

#include "jobs/conversionrequest.h"
#include "jobs/error.h"
#include "platform/uniquefd.h"

#include <QObject>

class QSocketNotifier;

// The companion's listening socket for the requests of every Orvalen of the session. The
// Orvalen that started the companion made the socket and took the session's lock for it.
class RequestListener : public QObject
{
    Q_OBJECT

public:
    explicit RequestListener(QObject *parent = nullptr);
    ~RequestListener() override;

    // Serves the listening socket, bound at the path, and holds the lock: CompanionNotStartable
    // with the system's error number when either is unusable.
    Result<void> adopt(UniqueFd listeningSocket, UniqueFd sessionLock, const QByteArray &path);

    // Accepts the clients that have connected already, each said by `accepted` with a
    // descriptor that its receiver owns.
    void acceptWaiting();

    // Accepts every client that connects from now on, from the event loop.
    void watch();

    // Stops listening. Clients that have connected already are still accepted; one that
    // comes later is refused and starts a new companion.
    void close();

signals:
    void accepted(int descriptor);

private:
    void pauseAccepting();

    QByteArray socketPath;
    UniqueFd listening;
    UniqueFd lock;
    QSocketNotifier *notifier = nullptr;
};

// One client's stream: its messages come in, the companion's reports go out.
class RequestConnection : public QObject
{
    Q_OBJECT

public:
    // Owns the socket from now on.
    explicit RequestConnection(int socket, QObject *parent = nullptr);
    ~RequestConnection() override;

    // Takes the messages that have arrived. A client that has closed its end only for
    // writing still reads: its requests are taken, and it is answered. The requests that
    // arrive together with the end of a client that has gone are dropped: nobody waits for
    // them. A stream that announces a frame over MaximumFrameSize, or holds a message that
    // no program of ours sends, is closed, with a line on standard error.
    void readAvailable();

    // Reads every message as it arrives, from the event loop.
    void watch();

    // Sends a report. A client that does not take it at once is taken to be gone.
    void send(const ConversionReport &report);

    // Whether the client sends nothing more, but may still be answered.
    bool hasInputEnded() const { return inputEnded; }

    // Serves the client no further: it is told nothing more, and nothing more is read.
    void close();

signals:
    void received(const ProgramMessage &message);
    // The client has closed its end for writing, and still reads.
    void inputClosed();
    void closed();

private:
    bool readSome();
    bool hasClientGone() const;
    void take(const ProgramMessage &message, bool clientGone);
    void refuse(const std::u16string &why);

    UniqueFd descriptor;
    std::string stream;
    QSocketNotifier *notifier = nullptr;
    bool closedByClient = false;
    bool inputEnded = false;
    // A Hello comes first or not at all: a client of the first version says none.
    bool anyMessageTaken = false;
};
