#include "windowpartloader.h"

#include "platform/filenamebytes.h"

#include <dlfcn.h>

std::unique_ptr<WindowPart> loadWindowPart(const QByteArray &programDirectory,
                                           const QString &displayPlatform, QString &failure)
{
    const QByteArray path = programDirectory + WindowPartModule;
    // Never closed: the toolkit it loads stays until the program ends.
    void *module = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    auto *make = module
                     ? reinterpret_cast<MakeWindowPart *>(::dlsym(module, MakeWindowPartFunction))
                     : nullptr;
    if (!make) {
        failure = QStringLiteral("ウィンドウを表示する部分を読み込めません: %1")
                      .arg(QString::fromLocal8Bit(::dlerror()));
        return nullptr;
    }
    return std::unique_ptr<WindowPart>(make(displayPlatform.toUtf8().constData()));
}
