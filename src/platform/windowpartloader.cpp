#include "windowpartloader.h"

#include "jobs/filenamebytes.h"

#include <dlfcn.h>

Result<MakeWindowPart *> loadWindowPartModule(const std::string &programDirectory)
{
    const std::string path = programDirectory + WindowPartModule;
    // Never closed: the toolkit it loads stays until the program ends.
    void *module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto *make = module
                     ? reinterpret_cast<MakeWindowPart *>(::dlsym(module, MakeWindowPartFunction))
                     : nullptr;
    if (!make)
        return Error{Error::What::WindowModuleNotLoaded, 0, fileNameFromBytes(::dlerror())};
    return make;
}
