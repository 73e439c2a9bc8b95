#pragma once

#include "platform.h"

#include <memory>

class QApplication;

// The platform services of a Linux desktop. The application object is created only when a
// window or a message box is really shown, so the command-line road runs without a display.
class DesktopPlatform final : public Platform
{
public:
    DesktopPlatform(int &argc, char **argv);
    ~DesktopPlatform() override;

    QString commandLine() const override;
    QString programDirectory() const override;
    LaunchResult launch(const ProcessCommand &command) override;
    int messageBox(const QString &text, int style) override;
    void endProgram(int exitStatus) override;
    std::optional<QString> chooseFileToOpen(const QString &title, const QString &filter) override;

    // Whether there is a display that windows and message boxes can be shown on.
    bool canShowWindows();

    // The application object, made on first use (unless one exists) with its name, version,
    // icon and the toolkit's Japanese translation.
    QApplication &application();

private:
    int &argc;
    char **argv;
    std::unique_ptr<QApplication> app;
    std::optional<bool> canShow;
};
