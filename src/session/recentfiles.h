// SPDX-License-Identifier: GPL-3.0-or-later
// The list of the four most recently used data files, each with the design that belongs to it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varisect {

class SettingsStore;

inline constexpr int kMaxRecentFiles = 4;
inline constexpr int kNewRecentIndex = 5;  // the recent index of a file that is not in the list

struct RecentFileRecord {
    std::string path;
    std::string problemLabel;
    std::vector<std::string> factorNames;  // factor 1 first
    std::vector<int> levels;
    bool labelsInUse = false;
    std::vector<std::vector<std::string>> levelLabels;  // [factor][level], when labels are in use

    int factorCount() const { return static_cast<int>(factorNames.size()); }
    bool operator==(const RecentFileRecord&) const = default;
};

struct RecentFileList {
    std::vector<RecentFileRecord> entries;  // entry 1 first, at most four

    // Reads keys "1Recent_File" .. "4Recent_File" and their companions; stops at the first empty
    // path. A damaged entry (a factor count outside 1..8, too few or too many fields, a level
    // count below 2, more than 16352 scores, labels missing or longer than two characters, an
    // empty factor name) is skipped and the rest of the list kept; the entries after it move up.
    // When `problems` is given, one sentence per skipped entry is added to it; it quotes at most the
    // first 80 characters of the path and of the damaged value.
    static RecentFileList read(const SettingsStore& store, std::vector<std::string>* problems = nullptr);

    // Writes every entry whose path is not empty and does not repeat an earlier entry's path,
    // numbered 1, 2, ... in list order without gaps; the numbers after the last one written get an
    // empty path, so no older entry stays readable behind them. False when the store refused a
    // write.
    bool write(SettingsStore& store) const;

    // Puts `current` at the top. `recentIndex` is the current file's position in the list
    // (1..4) when it was chosen from the recent-file menu, kNewRecentIndex otherwise. A chosen
    // entry leaves its old place and the entries below it stay; a new file pushes the others
    // down and the fourth falls off. A current file without a path changes nothing.
    void lastFileToTop(const RecentFileRecord& current, int recentIndex);
    // The recent index of `path`: its 1-based place in the list, kNewRecentIndex when absent.
    int indexOf(const std::string& path) const;

    // "&1 C:\path\file.dat" ... one caption per entry.
    std::vector<std::string> menuCaptions() const;
};

}  // namespace varisect
