#include "conversionhost.h"
#include "platform/applicationsetup.h"
#include "platform/linux/requestsocket.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace {

// A session companion that no Orvalen reaches in this time leaves again.
constexpr int FirstRequestMilliseconds = 10'000;

// The conversions of one command line without a display: requests come on standard input
// until that Orvalen has ended; failures go to the standard error it shared with us.
int runBatch()
{
    static int argc = 1;
    static char name[] = "orvalen-conversion";
    static char *argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    ConversionHost host(ConversionHost::Presentation::StandardError);
    QObject::connect(&host, &ConversionHost::idle, &application, &QCoreApplication::quit);
    host.serve(STDIN_FILENO);
    return QCoreApplication::exec();
}

// The conversions of a display's whole session, each in a window of its own, requested on
// the listening socket that the Orvalen which started us made, under the session's lock.
int serveSession(const QString &displayPlatform, int listeningSocket, int sessionLock)
{
    // The application first: the listener watches its socket through the event loop.
    const std::unique_ptr<QApplication> application = makeApplication(displayPlatform);
    QApplication::setQuitOnLastWindowClosed(false);
    RequestListener listener;
    if (!listener.adopt(listeningSocket, sessionLock))
        return 2;
    ConversionHost host(ConversionHost::Presentation::Windows);
    QObject::connect(&listener, &RequestListener::accepted, &host, &ConversionHost::serve);
    // Closing the listener takes the requests still queued in it, which keep us busy.
    QObject::connect(&host, &ConversionHost::idle, &listener, [&listener, &host] {
        listener.close();
        if (host.isIdle())
            QCoreApplication::quit();
    });
    QTimer::singleShot(FirstRequestMilliseconds, &host, &ConversionHost::leaveIfIdle);
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // Reports go to a standard error whose reader may be gone; that must not end us.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 2 && std::strcmp(argv[1], "--batch") == 0)
        return runBatch();
    if (argc == 5 && std::strcmp(argv[1], "--session") == 0)
        return serveSession(QString::fromUtf8(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    std::fputs("orvalen-conversion: Orvalen が起動するプログラムです。\n"
               "使い方: orvalen-conversion --batch | "
               "--session <プラットフォーム> <待ち受けソケット> <ロック>\n",
               stderr);
    return 2;
}
