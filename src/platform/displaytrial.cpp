#include "displaytrial.h"

#include "environment.h"
#include "jobs/filenamebytes.h"
#include "unixsocket.h"

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <dirent.h>
#include <dlfcn.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds TrialTime{2'000};

// Whether an X server answers a connection through libxcb, which is loaded only here: the
// command line without a display never loads it. The trial connection stays open until the
// program ends: an X server whose last client leaves resets itself, which would fail the
// clients that come next.
bool xcbConnects()
{
    // Never closed: the connection made through it stays.
    void *xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb)
        return false;
    using Connect = void *(const char *, int *);
    using HasError = int(void *);
    auto *connect = reinterpret_cast<Connect *>(::dlsym(xcb, "xcb_connect"));
    auto *hasError = reinterpret_cast<HasError *>(::dlsym(xcb, "xcb_connection_has_error"));
    return connect && hasError && hasError(connect(nullptr, nullptr)) == 0;
}

// xcb_connect has no time limit of its own, so it runs aside; a trial that hangs is left
// behind.
bool xServerAnswers()
{
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    std::thread([answer] { answer->set_value(xcbConnects()); }).detach();
    return answered.wait_for(TrialTime) == std::future_status::ready && answered.get();
}

std::string waylandSocketPath()
{
    const std::string display = environmentValue("WAYLAND_DISPLAY");
    if (display.starts_with('/'))
        return display;
    return environmentValue("XDG_RUNTIME_DIR") + '/' + (display.empty() ? "wayland-0" : display);
}

// Connects to the compositor and asks for a sync (object 1, request 0, new callback 2);
// a compositor answers at once.
Result<void> waylandCompositorAnswers()
{
    const std::string path = waylandSocketPath();
    const Result<UniqueFd> connected =
        connectUnixSocket(path, Error::What::DisplayNotAnswering, Deadline(TrialTime));
    if (!connected)
        return connected.error();
    const int socket = connected->get();
    const std::uint32_t sync[] = {1, 12u << 16, 2};
    pollfd watched = {socket, POLLIN, 0};
    char reply[8];
    const bool answers = ::send(socket, sync, sizeof sync, MSG_NOSIGNAL) == sizeof sync &&
                         ::poll(&watched, 1, int(TrialTime.count())) == 1 &&
                         ::recv(socket, reply, sizeof reply, 0) > 0;
    if (!answers)
        return Error{Error::What::DisplayNotAnswering, 0, fileNameFromBytes(path)};
    return {};
}

// Looked for where the toolkit the window module was built with keeps its plugins.
bool waylandPluginInstalled()
{
    DIR *platforms = ::opendir(ORVALEN_QT_PLUGINS "/platforms");
    bool found = false;
    while (const dirent *entry = platforms && !found ? ::readdir(platforms) : nullptr) {
        const std::string_view name = entry->d_name;
        found = name.starts_with("libqwayland") && name.ends_with(".so");
    }
    if (platforms)
        ::closedir(platforms);
    return found;
}

// The platforms to try, in order: those QT_QPA_PLATFORM names, or else the sessions that
// the environment announces.
std::vector<std::string> candidatePlatforms()
{
    std::vector<std::string> candidates;
    const std::string chosen = environmentValue("QT_QPA_PLATFORM");
    for (std::size_t start = 0; start < chosen.size();) {
        const std::size_t end = std::min(chosen.find(';', start), chosen.size());
        if (end > start)
            candidates.push_back(chosen.substr(start, end - start));
        start = end + 1;
    }
    if (!chosen.empty())
        return candidates;
    if (isEnvironmentSet("WAYLAND_DISPLAY"))
        candidates.emplace_back("wayland");
    if (isEnvironmentSet("DISPLAY"))
        candidates.emplace_back("xcb");
    return candidates;
}

// Whether windows can be shown on the platform, or what is missing.
Result<void> displayAnswers(const std::string &platform)
{
    const std::string name = platform.substr(0, platform.find(':'));
    if (name == "xcb") {
        if (isEnvironmentSet("DISPLAY") && xServerAnswers())
            return {};
        return Error{Error::What::NoDisplay};
    }
    if (name.starts_with("wayland")) {
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

Result<std::string> findDisplayPlatform()
{
    Error missing{Error::What::NoDisplay};
    for (const std::string &platform : candidatePlatforms()) {
        const Result<void> answers = displayAnswers(platform);
        if (answers)
            return platform;
        // What Wayland lacks says more than that there is no display.
        if (missing.what == Error::What::NoDisplay)
            missing = answers.error();
    }
    return missing;
}
