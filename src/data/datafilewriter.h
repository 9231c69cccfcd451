// SPDX-License-Identifier: GPL-3.0-or-later
// Writing data files of both layouts (see datafile.h), safely: the text goes to a new file in
// the target's folder, is flushed to the disk, and only then renamed over the target, so a save
// that fails part way leaves the previous file as it was.
#pragma once

#include <filesystem>
#include <string>

#include "data/datafile.h"

namespace varisect {

// The complete file text, every line ended by CR LF: for an unequal-N layout the marker, the
// factor numbers, C and the C cell sizes (numbers with a blank in front of a non-negative
// value), then one score per line, an imputed one with "I" behind its text.
std::string dataFileText(const DataLayout& layout);

// What kind of trouble a failed save ran into; each has its own message.
enum class WriteProblem {
    None,
    DiskNotReady,    // the device or the folder is not there (any more)
    DiskFull,        // no room, or a quota reached
    WriteProtected,  // no permission, or a read-only file system
    Other,
};

// The kind of trouble behind a system error number (errno).
WriteProblem classifyWriteError(int systemError);

struct WriteResult {
    WriteProblem problem = WriteProblem::None;
    int systemError = 0;      // errno of the failed step
    std::string description;  // the system's description of that error
    std::string step;         // what was being done: "creating", "writing", "replacing" ...

    bool ok() const { return problem == WriteProblem::None; }
};

// Writes `layout` to `path` by way of a temporary file in the same folder (a unique hidden
// name beside the target), flushed and synced before it is renamed over the target. When the
// target is a symbolic link (or a chain of them), the file it points to is written and the link
// stays; a link that points nowhere yet creates that file. An existing target keeps its
// permission bits; one that may not be written (no write permission for the user, or none for
// anyone when the user is root, or a read-only file system) is refused as WriteProtected before
// anything is written, although its folder would let a new file take its place. On any failure
// the temporary file is removed and the target is untouched.
WriteResult writeDataFile(const std::filesystem::path& path, const DataLayout& layout);

// The same with the text already made.
WriteResult writeFileSafely(const std::filesystem::path& path, const std::string& text);

// Lets a write past the file-size limit of the process (ulimit -f) fail with EFBIG, which a
// save reports as a full disk and cleans up after, instead of the program being killed by
// SIGXFSZ part way through. Every program that saves files calls it once at start-up.
void ignoreFileSizeSignal();

}  // namespace varisect
