#pragma once

#include "platform/windowpart.h"

#include <memory>

// Loads the window part from its module beside the program, for the given toolkit
// platform. Nothing, and why in failure, when the module cannot be loaded.
std::unique_ptr<WindowPart> loadWindowPart(const QByteArray &programDirectory,
                                           const QString &displayPlatform, QString &failure);
