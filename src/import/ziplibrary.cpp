// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ziplibrary.h"

#include <dlfcn.h>

namespace varisect {

namespace {

struct Loaded {
    ZipLibrary library;
    std::string problem;  // empty when every function was found
};

template <typename F>
bool find(void* handle, const char* name, F& function, std::string& problem)
{
    function = reinterpret_cast<F>(::dlsym(handle, name));
    if (!function && problem.empty())
        problem = std::string("the zip library has no ") + name;
    return function != nullptr;
}

Loaded load()
{
    Loaded out;
    // Kept for the whole run: the functions are used through it.
    void* handle = ::dlopen(VARISECT_LIBZIP_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        out.problem = std::string("the zip library (" VARISECT_LIBZIP_SONAME ") cannot be loaded")
                      + (why ? std::string(": ") + why : std::string());
        return out;
    }
    ZipLibrary& z = out.library;
    std::string& p = out.problem;
    find(handle, "zip_open", z.open, p);
    find(handle, "zip_discard", z.discard, p);
    find(handle, "zip_error_init_with_code", z.errorInitWithCode, p);
    find(handle, "zip_error_strerror", z.errorText, p);
    find(handle, "zip_error_fini", z.errorFini, p);
    find(handle, "zip_name_locate", z.nameLocate, p);
    find(handle, "zip_fopen", z.fopen, p);
    find(handle, "zip_fread", z.fread, p);
    find(handle, "zip_fclose", z.fclose, p);
    return out;
}

}  // namespace

const ZipLibrary* zipLibrary(std::string& problem)
{
    static const Loaded loaded = load();
    if (!loaded.problem.empty()) {
        problem = loaded.problem;
        return nullptr;
    }
    return &loaded.library;
}

}  // namespace varisect
