#pragma once

#include <QString>

#include <memory>

class QApplication;

// The title that the window and every message box carry.
QString applicationTitle();

// Creates the application object with the program's name, version and icon, speaking
// Japanese in the toolkit's own dialogs and buttons whatever the user's locale.
std::unique_ptr<QApplication> makeApplication(int &argc, char **argv);
