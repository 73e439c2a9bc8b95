#pragma once

#include "platform/windowpart.h"

#include <memory>

class QApplication;

// The dialogs and message boxes of the desktop. The application object is made on first
// use, unless one exists.
class DesktopWindowPart : public WindowPart
{
public:
    explicit DesktopWindowPart(QString displayPlatform);
    ~DesktopWindowPart() override;

    MessageAnswer messageBox(const BoxOwner *owner, const std::u16string &text, MessageStyle style,
                             int closedBy) override;
    std::optional<std::u16string> chooseFileToOpen(const BoxOwner *owner,
                                                   const std::u16string &title,
                                                   const std::u16string &filter) override;
    void endProgram(int exitStatus) override;

protected:
    QApplication &application();

private:
    QString displayPlatform;
    std::unique_ptr<QApplication> app;
};
