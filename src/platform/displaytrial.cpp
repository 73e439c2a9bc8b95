#include "displaytrial.h"

#include "jobs/filenamebytes.h"
#include "unixsocket.h"

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>

#include <chrono>
#include <future>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

constexpr std::chrono::milliseconds TrialTime{2'000};

// The trial connection stays open until the program ends: an X server whose last client
// leaves resets itself, which would fail the clients that come next. xcb_connect has no
// time limit of its own, so it runs aside; a trial that hangs is left behind.
bool xServerAnswers()
{
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    std::thread([answer] {
        xcb_connection_t *const connection = xcb_connect(nullptr, nullptr);
        answer->set_value(xcb_connection_has_error(connection) == 0);
    }).detach();
    return answered.wait_for(TrialTime) == std::future_status::ready && answered.get();
}

QByteArray waylandSocketPath()
{
    const QByteArray display = qgetenv("WAYLAND_DISPLAY");
    if (display.startsWith('/'))
        return display;
    return qgetenv("XDG_RUNTIME_DIR") + '/' + (display.isEmpty() ? "wayland-0" : display);
}

// Connects to the compositor and asks for a sync (object 1, request 0, new callback 2);
// a compositor answers at once.
Result<void> waylandCompositorAnswers()
{
    const QByteArray path = waylandSocketPath();
    const Result<UniqueFd> connected =
        connectUnixSocket(path, Error::What::DisplayNotAnswering, QDeadlineTimer(TrialTime));
    if (!connected)
        return connected.error();
    const int socket = connected->get();
    const quint32 sync[] = {1, 12u << 16, 2};
    pollfd watched = {socket, POLLIN, 0};
    char reply[8];
    const bool answers = ::send(socket, sync, sizeof sync, MSG_NOSIGNAL) == sizeof sync &&
                         ::poll(&watched, 1, int(TrialTime.count())) == 1 &&
                         ::recv(socket, reply, sizeof reply, 0) > 0;
    if (!answers)
        return Error{Error::What::DisplayNotAnswering, 0, fileNameFromBytes(path)};
    return {};
}

bool waylandPluginInstalled()
{
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                         QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty();
}

// The platforms to try, in order: those QT_QPA_PLATFORM names, or else the sessions that
// the environment announces.
QStringList candidatePlatforms()
{
    if (const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM"); !chosen.isEmpty())
        return chosen.split(u';', Qt::SkipEmptyParts);
    QStringList candidates;
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        candidates.append(QStringLiteral("wayland"));
    if (qEnvironmentVariableIsSet("DISPLAY"))
        candidates.append(QStringLiteral("xcb"));
    return candidates;
}

// Whether windows can be shown on the platform, or what is missing.
Result<void> displayAnswers(const QString &platform)
{
    const QString name = platform.section(u':', 0, 0);
    if (name == QLatin1String("xcb")) {
        if (qEnvironmentVariableIsSet("DISPLAY") && xServerAnswers())
            return {};
        return Error{Error::What::NoDisplay};
    }
    if (name.startsWith(QLatin1String("wayland"))) {
        // Without a compositor the plugin would not help: that is told first.
        if (Result<void> answers = waylandCompositorAnswers(); !answers)
            return answers;
        if (!waylandPluginInstalled())
            return Error{Error::What::WaylandPluginMissing};
        return {};
    }
    // Platforms without a display server to ask (offscreen, vnc, eglfs) are trusted.
    return {};
}

} // namespace

Result<QString> findDisplayPlatform()
{
    Error missing{Error::What::NoDisplay};
    for (const QString &platform : candidatePlatforms()) {
        const Result<void> answers = displayAnswers(platform);
        if (answers)
            return platform;
        // What Wayland lacks says more than that there is no display.
        if (missing.what == Error::What::NoDisplay)
            missing = answers.error();
    }
    return missing;
}
