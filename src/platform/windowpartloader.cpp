#include "windowpartloader.h"

#include <dlfcn.h>

MakeWindowPart *loadWindowPartModule(const QByteArray &programDirectory, QString &failure)
{
    const QByteArray path = programDirectory + WindowPartModule;
    // Never closed: the toolkit it loads stays until the program ends.
    void *module = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    auto *make = module
                     ? reinterpret_cast<MakeWindowPart *>(::dlsym(module, MakeWindowPartFunction))
                     : nullptr;
    if (!make)
        failure = QStringLiteral("ウィンドウを表示する部分を読み込めません: %1")
                      .arg(QString::fromLocal8Bit(::dlerror()));
    return make;
}
