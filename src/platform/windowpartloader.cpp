#include "windowpartloader.h"

#include <dlfcn.h>

Result<MakeWindowPart *> loadWindowPartModule(const QByteArray &programDirectory)
{
    const QByteArray path = programDirectory + WindowPartModule;
    // Never closed: the toolkit it loads stays until the program ends.
    void *module = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    auto *make = module
                     ? reinterpret_cast<MakeWindowPart *>(::dlsym(module, MakeWindowPartFunction))
                     : nullptr;
    if (!make)
        return Error{Error::What::WindowModuleNotLoaded, 0, QString::fromLocal8Bit(::dlerror())};
    return make;
}
