// The module that the program and its companion load when a window or a message box is due.
#include "conversionwindow.h"
#include "desktopnotification.h"
#include "desktopwindowpart.h"
#include "form1.h"
#include "qttext.h"

#include <QApplication>

namespace {

class WindowModule final : public DesktopWindowPart
{
public:
    using DesktopWindowPart::DesktopWindowPart;

    int runMainWindow(Platform &platform, const TextList &offeredFiles) override
    {
        application();
        Form1 window(platform);
        window.showCentered();
        if (!offeredFiles.empty())
            window.askToConvert(toQStringList(offeredFiles));
        return QApplication::exec();
    }

    void callOnWindowThread(std::function<void()> call) override
    {
        QMetaObject::invokeMethod(qApp, std::move(call), Qt::QueuedConnection);
    }

    // The companion's loop ends when it has nothing left to do, not with its last window.
    void prepareEventLoop() override
    {
        application();
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // Shown once its first rows are in.
    BatchView *showBatch(BatchControl &control) override
    {
        application();
        return new ConversionWindow(control);
    }

    void notifyDesktop(const std::u16string &text, std::function<void()> sent) override
    {
        ::notifyDesktop(toQString(text), &application(), std::move(sent));
    }
};

} // namespace

extern "C" Q_DECL_EXPORT WindowPart *orvalenMakeWindowPart(const char *displayPlatform)
{
    return new WindowModule(QString::fromUtf8(displayPlatform));
}
