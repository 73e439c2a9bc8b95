#include "conversionhost.h"
#include "journal.h"
#include "partialrecord.h"
#include "platform/programlocation.h"
#include "platform/runtimedirectory.h"
#include "platform/standarderror.h"
#include "platform/toolkitarguments.h"
#include "platform/windowpartloader.h"
#include "qtnames.h"
#include "requestlistener.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace {

// A session companion that no Orvalen reaches in this time leaves again.
constexpr int FirstRequestMilliseconds = 10'000;

// The event loop's application object where no window part made one.
std::unique_ptr<QCoreApplication> coreApplication()
{
    const ToolkitArguments toolkit = toolkitArguments({"orvalen-conversion"});
    return std::make_unique<QCoreApplication>(toolkit.count, toolkit.values);
}

// What conversions of companions killed before they ended left behind goes, beside the
// conversions that start meanwhile.
void removeWhatKilledCompanionsLeft()
{
    if (const Result<std::string> runtime = privateRuntimeDirectory()) {
        QThreadPool::globalInstance()->start([directory = QByteArray::fromStdString(*runtime)] {
            removeAbandonedOutputs(directory);
        });
    }
}

// The conversions of one command line without a display: requests come on standard input
// until that Orvalen has ended; failures go to the standard error it shared with us.
int runBatch()
{
    std::unique_ptr<QCoreApplication> application;
    ConversionHost host(ConversionHost::Presentation::StandardError);
    host.serve(STDIN_FILENO);
    removeWhatKilledCompanionsLeft();
    application = coreApplication();
    QObject::connect(&host, &ConversionHost::idle, application.get(), &QCoreApplication::quit);
    host.watch(nullptr);
    QTimer::singleShot(0, &host, &ConversionHost::leaveIfIdle);
    return QCoreApplication::exec();
}

// The window part, with its application object on the display; nothing when its module
// cannot be loaded, which is told as the failures that follow will be (see ConversionHost).
std::unique_ptr<WindowPart> loadWindowPart(const QByteArray &programDirectory,
                                           const QString &displayPlatform)
{
    const Result<MakeWindowPart *> make = loadWindowPartModule(programDirectory.toStdString());
    if (!make) {
        const std::u16string line = u"orvalen-conversion: " + errorText(make.error());
        writeLineToStandardError(line);
        writeToJournal(toQString(line));
        return nullptr;
    }
    std::unique_ptr<WindowPart> part((*make)(displayPlatform.toUtf8().constData()));
    part->prepareEventLoop();
    return part;
}

// The conversions of a display's whole session, each in a window of its own, requested on
// the listening socket that the Orvalen which started us made, under the session's lock.
// The encoders of the requests already waiting start before the window toolkit loads.
int serveSession(const QByteArray &programDirectory, const QString &displayPlatform,
                 const QByteArray &socketPath, UniqueFd listeningSocket, UniqueFd sessionLock)
{
    // Made once the first encoders run; they outlive what works in their event loop.
    std::unique_ptr<WindowPart> windows;
    std::unique_ptr<QCoreApplication> application;
    RequestListener listener;
    if (!listener.adopt(std::move(listeningSocket), std::move(sessionLock), socketPath))
        return 2;
    ConversionHost host(ConversionHost::Presentation::Windows);
    QObject::connect(&listener, &RequestListener::accepted, &host, &ConversionHost::serve);
    listener.acceptWaiting();
    removeWhatKilledCompanionsLeft();

    windows = loadWindowPart(programDirectory, displayPlatform);
    if (!windows)
        application = coreApplication();
    listener.watch();
    host.watch(windows.get());
    // Closing the listener takes the requests still queued in it, which keep us busy.
    QObject::connect(&host, &ConversionHost::idle, &listener, [&listener, &host] {
        listener.close();
        if (host.isIdle())
            QCoreApplication::quit();
    });
    QTimer::singleShot(FirstRequestMilliseconds, &host, &ConversionHost::leaveIfIdle);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // Reports go to a standard error whose reader may be gone; that must not end us.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 2 && std::strcmp(argv[1], "--batch") == 0)
        return runBatch();
    if (argc == 6 && std::strcmp(argv[1], "--session") == 0) {
        // The window module lies beside us.
        const Result<std::string> directory = locateProgramDirectory();
        if (!directory) {
            std::fputs("orvalen-conversion: プログラムのあるフォルダーがわかりません。\n", stderr);
            return 2;
        }
        return serveSession(QByteArray::fromStdString(*directory), QString::fromUtf8(argv[2]),
                            argv[3], UniqueFd(std::atoi(argv[4])), UniqueFd(std::atoi(argv[5])));
    }
    std::fputs("orvalen-conversion: Orvalen が起動するプログラムです。\n"
               "使い方: orvalen-conversion --batch | "
               "--session <プラットフォーム> <ソケットのパス> <待ち受けソケット> <ロック>\n",
               stderr);
    return 2;
}
