#pragma once

#include <QString>

#include <memory>

class QApplication;

// The title that the program's windows and message boxes carry.
QString applicationTitle();

// The desktop entry that the program's windows belong to.
inline constexpr char DesktopFileName[] = "org.orvalen.Orvalen";

// Creates the application object on the given toolkit platform, with the program's name,
// version, icon and desktop entry, speaking Japanese in the toolkit's own dialogs and
// buttons whatever the user's locale. The toolkit gets an argument list of its own, never
// the user's file names.
std::unique_ptr<QApplication> makeApplication(const QString &displayPlatform);
