#include "conversionhost.h"
#include "platform/applicationsetup.h"
#include "platform/linux/requestsocket.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
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
    host.serve(STDIN_FILENO, false);
    return QCoreApplication::exec();
}

// The conversions of a display's whole session, each in a window of its own. Only one
// companion serves a session; a second one leaves at once.
int serveSession(const QString &displayPlatform)
{
    const std::unique_ptr<QApplication> application = makeApplication(displayPlatform);
    QApplication::setQuitOnLastWindowClosed(false);
    RequestListener listener;
    if (!listener.listen(sessionAddress(displayPlatform)))
        return 0;
    ConversionHost host(ConversionHost::Presentation::Windows);
    QObject::connect(&listener, &RequestListener::accepted, &host,
                     [&host](int descriptor) { host.serve(descriptor, true); });
    QObject::connect(&host, &ConversionHost::idle, &listener, [&listener] {
        listener.close();
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
    if (argc == 3 && std::strcmp(argv[1], "--session") == 0)
        return serveSession(QString::fromUtf8(argv[2]));
    std::fputs("orvalen-conversion: Orvalen が起動するプログラムです。\n"
               "使い方: orvalen-conversion --batch | --session <プラットフォーム>\n",
               stderr);
    return 2;
}
