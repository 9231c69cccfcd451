// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/ziplibrary.h"

#include "import/sharedlibrary.h"

namespace varisect {

namespace {

struct Loaded {
    ZipLibrary library;
    std::string problem;  // empty when every function was found
};

Loaded load()
{
    Loaded out;
    SharedLibrary library(VARISECT_LIBZIP_SONAME, "the zip library");
    ZipLibrary& z = out.library;
    library.find("zip_open", z.open);
    library.find("zip_discard", z.discard);
    library.find("zip_error_init_with_code", z.errorInitWithCode);
    library.find("zip_error_strerror", z.errorText);
    library.find("zip_error_fini", z.errorFini);
    library.find("zip_name_locate", z.nameLocate);
    library.find("zip_fopen", z.fopen);
    library.find("zip_fread", z.fread);
    library.find("zip_fclose", z.fclose);
    out.problem = library.problem();
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
