#pragma once

#include "jobs/windowpart.h"

#include <memory>

class QApplication;

// The dialogs and message boxes of the desktop. The application object is made on first
// use, unless one exists.
class DesktopWindowPart : public WindowPart
{
public:
    explicit DesktopWindowPart(QString displayPlatform);
    ~DesktopWindowPart() override;

    MessageAnswer messageBox(QWidget *parent, const QString &text, MessageStyle style,
                             int closedBy) override;
    std::optional<QString> chooseFileToOpen(QWidget *parent, const QString &title,
                                            const QString &filter) override;
    void endProgram(int exitStatus) override;

protected:
    QApplication &application();

private:
    QString displayPlatform;
    std::unique_ptr<QApplication> app;
};
