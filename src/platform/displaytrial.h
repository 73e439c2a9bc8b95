#pragma once

#include "jobs/error.h"

#include <string>

// The toolkit platform that windows can be shown on ("xcb", "wayland", or what
// QT_QPA_PLATFORM names), once its display has answered a trial connection. A display that
// does not answer within 2 seconds counts as none: one left over from a closed ssh session,
// an X server that hangs, or a Wayland socket without a compositor. Otherwise, what is
// missing: where the session announces Wayland, the compositor's answer or the toolkit's
// Wayland plugin; or else any display.
Result<std::string> findDisplayPlatform();
