// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/datafilewriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <random>
#include <system_error>

#include "engine/numbertext.h"

namespace varisect {

namespace {

constexpr const char* kLineEnd = "\r\n";

void addNumberLine(std::string& text, long value)
{
    text += numberText(static_cast<double>(value));
    text += kLineEnd;
}

WriteResult failure(int systemError, std::string step)
{
    WriteResult r;
    r.problem = classifyWriteError(systemError);
    r.systemError = systemError;
    r.description = std::generic_category().message(systemError);
    r.step = std::move(step);
    return r;
}

// Creates a new file with a name no other file has, beside `target`. Returns its descriptor,
// or -1 with errno set.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& tempPath)
{
    std::random_device seed;
    std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed() ^ static_cast<std::uint64_t>(::getpid()));
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder / ("." + target.filename().string() + "." + std::to_string(random() % 1000000000) + ".tmp");
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {  // no progress and no error: treat as a full device rather than loop
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// After the rename, make the folder entry durable too; a failure here loses nothing that the
// rename has not already put in place, so it is not reported.
void syncFolder(const std::filesystem::path& target)
{
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The file that `path` names: symbolic links followed, relative ones from their own folder, up
// to the first name that is not a link (which need not exist yet).
std::filesystem::path linkTarget(const std::filesystem::path& path)
{
    std::filesystem::path target = path;
    std::error_code ec;
    for (int hop = 0; hop < 40 && std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec)); ++hop) {
        const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

}  // namespace

void ignoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

std::string dataFileText(const DataLayout& layout)
{
    std::string text;
    text.reserve(layout.items.size() * 8 + layout.cellSizes.size() * 8 + 64);
    if (layout.unequalN()) {
        text += kUnequalNMarker;
        text += kLineEnd;
        addNumberLine(text, layout.designatedFactor);
        if (layout.kind == DataLayout::Kind::GroupSizes) {
            addNumberLine(text, layout.groupingFactor);
            addNumberLine(text, layout.crossedFactor);
        }
        addNumberLine(text, static_cast<long>(layout.cellSizes.size()));
        for (const long size : layout.cellSizes)
            addNumberLine(text, size);
    }
    for (const ScoreItem& item : layout.items) {
        text += item.text;
        if (item.imputed)
            text += 'I';
        text += kLineEnd;
    }
    return text;
}

WriteProblem classifyWriteError(int systemError)
{
    switch (systemError) {
    case ENODEV:
    case ENXIO:
    case EIO:
#ifdef ENOMEDIUM
    case ENOMEDIUM:
#endif
    case ENOENT:   // the folder vanished
    case ENOTDIR:  // a part of the path is no folder (any more)
        return WriteProblem::DiskNotReady;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
        return WriteProblem::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return WriteProblem::WriteProtected;
    default:
        return WriteProblem::Other;
    }
}

WriteResult writeDataFile(const std::filesystem::path& path, const DataLayout& layout)
{
    return writeFileSafely(path, dataFileText(layout));
}

WriteResult writeFileSafely(const std::filesystem::path& path, const std::string& text)
{
    const std::filesystem::path target = linkTarget(path);

    // The rename would replace a file its owner protected against writing: ask first.
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing) {
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return failure(errno, "checking");
        if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return failure(EACCES, "checking");
    }

    std::filesystem::path tempPath;
    const int fd = createTemporary(target, tempPath);
    if (fd < 0)
        return failure(errno, "creating");

    // A replaced file keeps its permissions (the new one starts with the umask's).
    if (replacing)
        ::fchmod(fd, old.st_mode & 07777);

    const auto abandon = [&](int err, const char* step) {
        ::unlink(tempPath.c_str());
        return failure(err, step);
    };
    if (!writeAll(fd, text) || ::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        return abandon(err, "writing");
    }
    if (::close(fd) != 0)
        return abandon(errno, "writing");
    std::error_code ec;
    std::filesystem::rename(tempPath, target, ec);
    if (ec)
        return abandon(ec.value(), "replacing");
    syncFolder(target);
    return {};
}

}  // namespace varisect
