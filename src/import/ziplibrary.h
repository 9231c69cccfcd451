// SPDX-License-Identifier: GPL-3.0-or-later
// libzip, loaded the first time a zip package is read rather than when the program starts: the
// library brings its cryptography library along, whose loading would otherwise be paid by every
// run of the command-line program, most of which never read a spreadsheet.
#pragma once

#include <zip.h>

#include <string>

namespace varisect {

struct ZipLibrary {
    decltype(&::zip_open) open = nullptr;
    decltype(&::zip_discard) discard = nullptr;
    decltype(&::zip_error_init_with_code) errorInitWithCode = nullptr;
    decltype(&::zip_error_strerror) errorText = nullptr;
    decltype(&::zip_error_fini) errorFini = nullptr;
    decltype(&::zip_name_locate) nameLocate = nullptr;
    decltype(&::zip_fopen) fopen = nullptr;
    decltype(&::zip_fread) fread = nullptr;
    decltype(&::zip_fclose) fclose = nullptr;
};

// The loaded library, or nullptr with `problem` saying why it could not be loaded.
const ZipLibrary* zipLibrary(std::string& problem);

}  // namespace varisect
