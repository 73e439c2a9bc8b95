#pragma once

#include <QString>

#include <optional>

// The toolkit platform that windows can be shown on ("xcb", "wayland", or what
// QT_QPA_PLATFORM names), once its display has answered a trial connection. Nothing when
// no display answers within 2 seconds: a display left over from a closed ssh session, an
// X server that hangs, or a Wayland socket without a compositor counts as none.
std::optional<QString> findDisplayPlatform();
