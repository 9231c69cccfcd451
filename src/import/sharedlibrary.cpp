// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/sharedlibrary.h"

#include <dlfcn.h>

#include <utility>

namespace varisect {

SharedLibrary::SharedLibrary(const char* soname, std::string what) : what_(std::move(what))
{
    // Never closed: the functions are used through it until the program ends.
    handle_ = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = ::dlerror();
        problem_ = what_ + " (" + soname + ") cannot be loaded" + (why ? std::string(": ") + why : std::string());
    }
}

void* SharedLibrary::symbol(const char* name)
{
    if (!handle_)
        return nullptr;
    void* found = ::dlsym(handle_, name);
    if (!found && problem_.empty())
        problem_ = what_ + " has no " + name;
    return found;
}

}  // namespace varisect
