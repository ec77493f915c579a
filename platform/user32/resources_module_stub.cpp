// Stand-in for kernel32's FindModuleSymbol until the module table provides it; the strong
// definition there replaces this weak one.
#include "kernel32/modules.h"

#include <dlfcn.h>

namespace platform {

[[gnu::weak]] void* FindModuleSymbol(HMODULE module, const char* name) {
    void* handle = module ? static_cast<void*>(module) : dlopen(nullptr, RTLD_LAZY);
    return handle ? dlsym(handle, name) : nullptr;
}

} // namespace platform
