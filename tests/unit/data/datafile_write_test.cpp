// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/datafilewriter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <random>
#include <sstream>

namespace varisect {
namespace {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path = fs::temp_directory_path() / ("varisect-write-" + std::to_string(::getpid()) + "-" +
                                                 std::to_string(std::random_device{}()));
    TempFolder() { fs::create_directories(path); }
    ~TempFolder()
    {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
    long entries() const { return std::distance(fs::directory_iterator(path), {}); }
};

std::string contents(const fs::path& path)
{
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

// Score texts, "*" behind the imputed ones.
std::vector<ScoreItem> items(std::initializer_list<std::string> texts)
{
    std::vector<ScoreItem> out;
    for (std::string text : texts) {
        ScoreItem item;
        item.imputed = text.ends_with('*');
        item.text = item.imputed ? text.substr(0, text.size() - 1) : text;
        out.push_back(item);
    }
    return out;
}

std::vector<std::string> flagged(const std::vector<ScoreItem>& list)
{
    std::vector<std::string> out;
    for (const ScoreItem& item : list)
        out.push_back(item.text + (item.imputed ? "*" : ""));
    return out;
}

TEST(DataFileWriting, BothLayoutsRoundTripWithCrLfAndImputedMarks)
{
    TempFolder folder;
    DataLayout plain;
    plain.items = items({"12.5*", "-3", ".25", "1E2*"});
    ASSERT_TRUE(writeDataFile(folder.path / "plain.dat", plain).ok());
    EXPECT_EQ(contents(folder.path / "plain.dat"), "12.5I\r\n-3\r\n.25\r\n1E2I\r\n");
    const PlainDataResult plainBack = readPlainDataFile(folder.path / "plain.dat");
    ASSERT_TRUE(plainBack.ok()) << plainBack.error->message;
    EXPECT_EQ(flagged(plainBack.items), flagged(plain.items));

    DataLayout cells;
    cells.kind = DataLayout::Kind::CellSizes;
    cells.designatedFactor = 3;
    cells.cellSizes = {2, 0, 1};
    cells.items = items({"4", "5.5*", "-6"});
    DataLayout groups;
    groups.kind = DataLayout::Kind::GroupSizes;
    groups.designatedFactor = 1;
    groups.groupingFactor = 3;
    groups.crossedFactor = 2;
    groups.cellSizes = {1, 2};
    groups.items = items({"1", "2", "3*", "4", "5", "6*"});
    const std::vector<std::pair<const DataLayout*, std::string>> written = {
        {&cells, "Unequal N\r\n 3\r\n 3\r\n 2\r\n 0\r\n 1\r\n4\r\n5.5I\r\n-6\r\n"},
        {&groups, "Unequal N\r\n 1\r\n 3\r\n 2\r\n 2\r\n 1\r\n 2\r\n1\r\n2\r\n3I\r\n4\r\n5\r\n6I\r\n"},
    };
    for (const auto& [layout, text] : written) {
        const fs::path path = folder.path / (layout == &cells ? "cells.dat" : "groups.dat");
        ASSERT_TRUE(writeDataFile(path, *layout).ok());
        EXPECT_EQ(contents(path), text);
        const auto analysis = layout == &cells ? UnequalAnalysis::ProportionalCellSizes
                                               : UnequalAnalysis::UnequalGroupSizes;
        // Read back as written, and after an editor turned every CR LF into LF.
        std::string lf = text;
        std::erase(lf, '\r');
        std::istringstream lfOnly(lf);
        for (const DataLayoutResult& back :
             {readUnequalNDataFile(path, analysis), readUnequalNData(lfOnly, "lf.dat", analysis)}) {
            ASSERT_TRUE(back.ok()) << back.error->message;
            EXPECT_EQ(dataFileText(back.layout), text);
            EXPECT_EQ(flagged(back.layout.items), flagged(layout->items));
        }
    }
    EXPECT_EQ(folder.entries(), 3) << "a temporary file was left behind";
}

TEST(DataFileWriting, ReplacingKeepsPermissionsAndFollowsLinks)
{
    TempFolder folder;
    const fs::path target = folder.path / "scores.dat";
    std::ofstream(target) << "old\r\n";
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, mode);
    fs::create_symlink(target, folder.path / "link.dat");
    DataLayout layout;
    layout.items = items({"8*"});
    ASSERT_TRUE(writeDataFile(folder.path / "link.dat", layout).ok());
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder.path / "link.dat")));
    EXPECT_EQ(contents(target), "8I\r\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, mode);
    EXPECT_EQ(folder.entries(), 2);

    // A link that points nowhere yet, by a relative path through a second link: the file is
    // created where the chain ends and both links stay.
    fs::create_directory(folder.path / "sub");
    fs::create_symlink("sub/new.dat", folder.path / "next.dat");
    fs::create_symlink("next.dat", folder.path / "first.dat");
    ASSERT_TRUE(writeDataFile(folder.path / "first.dat", layout).ok());
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder.path / "first.dat")));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder.path / "next.dat")));
    EXPECT_EQ(contents(folder.path / "sub" / "new.dat"), "8I\r\n");

    // A read-only file in a writable folder is write-protected, for root as well, through a
    // link too; it keeps its contents and no temporary file is left.
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
    for (const fs::path& path : {target, folder.path / "link.dat"}) {
        const WriteResult refused = writeDataFile(path, DataLayout{});
        EXPECT_EQ(refused.problem, WriteProblem::WriteProtected) << path;
        EXPECT_EQ(refused.systemError, EACCES);
    }
    EXPECT_EQ(contents(target), "8I\r\n");
    EXPECT_EQ(folder.entries(), 5);
}

// A soft file-size limit makes writes past it fail with EFBIG, even for root, once
// ignoreFileSizeSignal has run; without it the signal would end this test program.
struct FileSizeLimit {
    rlimit saved{};
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_DFL);
    explicit FileSizeLimit(rlim_t bytes)
    {
        ignoreFileSizeSignal();
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }
};

TEST(DataFileWriting, FailedSavesLeaveTheOldFileAndNoTemporaryFile)
{
    TempFolder folder;
    const fs::path target = folder.path / "scores.dat";
    const std::string old = "1\r\n2\r\n3\r\n";
    std::ofstream(target, std::ios::binary) << old;
    DataLayout big;
    big.items.assign(2000, items({"123.456"}).front());
    {
        FileSizeLimit limit(1000);
        const WriteResult full = writeDataFile(target, big);
        EXPECT_EQ(full.systemError, EFBIG);
        EXPECT_EQ(full.problem, WriteProblem::DiskFull);
    }
    EXPECT_EQ(contents(target), old);
    EXPECT_EQ(folder.entries(), 1);

    // A folder on the path that is really a file; a folder no one may create files in.
    EXPECT_EQ(writeDataFile(target / "x.dat", big).problem, WriteProblem::DiskNotReady);
    const std::string version = contents("/proc/version");
    EXPECT_FALSE(writeDataFile("/proc/version", big).ok());
    EXPECT_EQ(contents("/proc/version"), version);

    // A folder in the target's place: the rename is refused and the folder stays as it was.
    fs::create_directory(folder.path / "sub");
    std::ofstream(folder.path / "sub" / "in.dat") << "9";
    const WriteResult onFolder = writeDataFile(folder.path / "sub", big);
    EXPECT_EQ(onFolder.problem, WriteProblem::Other);
    EXPECT_FALSE(onFolder.description.empty());
    EXPECT_EQ(contents(folder.path / "sub" / "in.dat"), "9");
    EXPECT_EQ(folder.entries(), 2);

    if (::geteuid() != 0) {  // a read-only folder does not stop root
        fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(writeDataFile(target, big).problem, WriteProblem::WriteProtected);
        fs::permissions(folder.path, fs::perms::owner_all);
        EXPECT_EQ(contents(target), old);
    }
}

TEST(DataFileWriting, SystemErrorsFallIntoTheFourKinds)
{
    const std::vector<std::pair<WriteProblem, std::vector<int>>> kinds = {
        {WriteProblem::DiskNotReady, {ENODEV, ENXIO, EIO, ENOMEDIUM, ENOENT, ENOTDIR}},
        {WriteProblem::DiskFull, {ENOSPC, EDQUOT, EFBIG}},
        {WriteProblem::WriteProtected, {EACCES, EPERM, EROFS}},
        {WriteProblem::Other, {EISDIR, ENAMETOOLONG, EINVAL}},
    };
    for (const auto& [problem, errors] : kinds)
        for (const int err : errors)
            EXPECT_EQ(classifyWriteError(err), problem) << err;
}

}  // namespace
}  // namespace varisect
