// The module that the program loads when a window or a message box is due.
#include "form1.h"
#include "platform/desktopwindowpart.h"

#include <QApplication>

namespace {

class WindowModule final : public DesktopWindowPart
{
public:
    using DesktopWindowPart::DesktopWindowPart;

    int runMainWindow(Platform &platform) override
    {
        application();
        Form1 window(platform);
        window.showCentered();
        return QApplication::exec();
    }
};

} // namespace

extern "C" Q_DECL_EXPORT WindowPart *orvalenMakeWindowPart(const char *displayPlatform)
{
    return new WindowModule(QString::fromUtf8(displayPlatform));
}
