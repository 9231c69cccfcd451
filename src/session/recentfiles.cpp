// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/recentfiles.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>

#include "engine/design.h"
#include "platform/settingsstore.h"

namespace varisect {

namespace {

// Key suffixes of one entry; the key of entry i is i + "Recent_File" + suffix.
constexpr const char* kPathSuffix = "";
constexpr const char* kProblemLabelSuffix = "_Probname";
constexpr const char* kFactorCountSuffix = "_NFactors";
constexpr const char* kFactorNamesSuffix = "_FactorNames";
constexpr const char* kLevelsSuffix = "_Nlevels";
constexpr const char* kLabelsInUseSuffix = "_LevLabels";
constexpr const char* kLabelsWrittenSuffix = "_LevelLabels";
// The reader has always asked for this spelling; keys are compared without regard to case.
constexpr const char* kLabelsReadSuffix = "_Levellabels";

constexpr int kMinRecentFactors = 1;

std::string entryKey(int i, const char* suffix)
{
    return std::to_string(i) + "Recent_File" + suffix;
}

// A damaged entry can hold anything, a megabyte of it too: a problem sentence shows at most the
// first kMaxShownCharacters characters of a value, then "..." when there was more.
constexpr std::size_t kMaxShownCharacters = 80;

std::string shortened(const std::string& text)
{
    std::size_t characters = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        // A character starts at every byte that is not a UTF-8 continuation byte.
        if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80 && characters++ == kMaxShownCharacters)
            return text.substr(0, k) + "...";
    }
    return text;
}

std::string quoted(const std::string& text)
{
    return "\"" + shortened(text) + "\"";
}

// Splits at every comma. "a,,b" gives three fields, the middle one empty; "" gives one.
std::vector<std::string> splitAtCommas(const std::string& text)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

template <typename T>
std::string joinWithCommas(const std::vector<T>& items)
{
    std::string out;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k > 0)
            out += ',';
        if constexpr (std::is_same_v<T, std::string>)
            out += items[k];
        else
            out += std::to_string(items[k]);
    }
    return out;
}

// A whole number written in decimal digits, blanks around it allowed. Values beyond `cap` come
// back as cap + 1 so that a long row of digits cannot overflow.
std::optional<long> parseCount(const std::string& text, long cap)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::nullopt;
    const std::size_t last = text.find_last_not_of(' ');
    long value = 0;
    for (std::size_t k = first; k <= last; ++k) {
        const char c = text[k];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = std::min(cap + 1, value * 10 + (c - '0'));
    }
    return value;
}

// Characters rather than bytes: continuation bytes of UTF-8 are not counted.
std::size_t characterCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Reads the companions of the entry stored under number i. On damage, `why` says what is wrong.
std::optional<RecentFileRecord> readEntry(const SettingsStore& store, int i, std::string path,
                                          std::string& why)
{
    RecentFileRecord r;
    r.path = std::move(path);
    r.problemLabel = store.read(entryKey(i, kProblemLabelSuffix));

    const std::string countText = store.read(entryKey(i, kFactorCountSuffix));
    const auto count = parseCount(countText, kMaxFactors);
    if (!count || *count < kMinRecentFactors || *count > kMaxFactors) {
        why = "its number of factors, " + quoted(countText) + ", is not a whole number from 1 to 8";
        return std::nullopt;
    }
    const auto n = static_cast<std::size_t>(*count);

    const std::string namesText = store.read(entryKey(i, kFactorNamesSuffix));
    r.factorNames = splitAtCommas(namesText);
    if (r.factorNames.size() != n) {
        why = "its factor names, " + quoted(namesText) + ", are not " + std::to_string(n) +
              " names separated by commas";
        return std::nullopt;
    }
    for (std::size_t j = 0; j < n; ++j) {
        if (r.factorNames[j].empty()) {
            why = "factor " + std::to_string(j + 1) + " has no name";
            return std::nullopt;
        }
    }

    const std::string levelsText = store.read(entryKey(i, kLevelsSuffix));
    const std::vector<std::string> levelFields = splitAtCommas(levelsText);
    if (levelFields.size() != n) {
        why = "its numbers of levels, " + quoted(levelsText) + ", are not " + std::to_string(n) +
              " numbers separated by commas";
        return std::nullopt;
    }
    long scores = 1;
    for (std::size_t j = 0; j < n; ++j) {
        const auto levels = parseCount(levelFields[j], kMaxScores);
        if (!levels || *levels < 2) {
            why = "factor " + std::to_string(j + 1) + " has " + quoted(levelFields[j]) +
                  " levels where a whole number of at least 2 is needed";
            return std::nullopt;
        }
        scores = std::min(kMaxScores + 1, scores * *levels);
        r.levels.push_back(static_cast<int>(*levels));
    }
    if (scores > kMaxScores) {
        why = "its design, " + quoted(levelsText) + " levels, has more than 16352 scores";
        return std::nullopt;
    }

    r.labelsInUse = store.read(entryKey(i, kLabelsInUseSuffix)) == "True";
    if (!r.labelsInUse)
        return r;

    const std::string labelsText = store.read(entryKey(i, kLabelsReadSuffix));
    const std::vector<std::string> labels = splitAtCommas(labelsText);
    std::size_t needed = 0;
    for (int levels : r.levels)
        needed += static_cast<std::size_t>(levels);
    if (labels.size() != needed) {
        why = "it uses level labels but holds " +
              (labelsText.empty() ? std::string("none") : std::to_string(labels.size())) +
              " where " + std::to_string(needed) + " are needed";
        return std::nullopt;
    }
    std::size_t next = 0;
    for (std::size_t j = 0; j < n; ++j) {
        std::vector<std::string> factorLabels;
        for (int k = 0; k < r.levels[j]; ++k) {
            const std::string& label = labels[next++];
            if (characterCount(label) > 2) {
                why = "the level label " + quoted(label) + " is longer than two characters";
                return std::nullopt;
            }
            factorLabels.push_back(label);
        }
        r.levelLabels.push_back(std::move(factorLabels));
    }
    return r;
}

// All labels of the entry, factor by factor, each factor's levels in order. A factor without
// labels (the replicates or subjects factor of the unequal-cell-size analyses) gives empty fields,
// so the number of fields always matches the design.
std::string joinedLabels(const RecentFileRecord& r)
{
    std::vector<std::string> all;
    for (std::size_t j = 0; j < r.levels.size(); ++j) {
        for (int k = 0; k < r.levels[j]; ++k) {
            const auto level = static_cast<std::size_t>(k);
            const bool present = j < r.levelLabels.size() && level < r.levelLabels[j].size();
            all.push_back(present ? r.levelLabels[j][level] : std::string());
        }
    }
    return joinWithCommas(all);
}

bool writeEntry(SettingsStore& store, int i, const RecentFileRecord& r)
{
    const bool ok = store.write(entryKey(i, kPathSuffix), r.path) &&
                    store.write(entryKey(i, kProblemLabelSuffix), r.problemLabel) &&
                    store.write(entryKey(i, kFactorCountSuffix), std::to_string(r.factorCount())) &&
                    store.write(entryKey(i, kFactorNamesSuffix), joinWithCommas(r.factorNames)) &&
                    store.write(entryKey(i, kLevelsSuffix), joinWithCommas(r.levels)) &&
                    store.write(entryKey(i, kLabelsInUseSuffix), r.labelsInUse ? "True" : "False");
    if (!ok)
        return false;
    return !r.labelsInUse || store.write(entryKey(i, kLabelsWrittenSuffix), joinedLabels(r));
}

}  // namespace

RecentFileList RecentFileList::read(const SettingsStore& store, std::vector<std::string>* problems)
{
    RecentFileList list;
    for (int i = 1; i <= kMaxRecentFiles; ++i) {
        std::string path = store.read(entryKey(i, kPathSuffix));
        if (path.empty())
            break;
        std::string why;
        const std::string shownPath = path;
        if (auto entry = readEntry(store, i, std::move(path), why))
            list.entries.push_back(std::move(*entry));
        else if (problems)
            problems->push_back("The recent file " + std::to_string(i) + ", " + shortened(shownPath) +
                                ", was left out of the list because " + why + ".");
    }
    return list;
}

bool RecentFileList::write(SettingsStore& store) const
{
    std::vector<const RecentFileRecord*> written;
    for (const RecentFileRecord& r : entries) {
        if (written.size() == static_cast<std::size_t>(kMaxRecentFiles))
            break;
        if (r.path.empty())
            continue;
        const bool repeat = std::any_of(written.begin(), written.end(),
                                        [&](const RecentFileRecord* w) { return w->path == r.path; });
        if (repeat)
            continue;
        if (!writeEntry(store, static_cast<int>(written.size()) + 1, r))
            return false;
        written.push_back(&r);
    }
    for (int i = static_cast<int>(written.size()) + 1; i <= kMaxRecentFiles; ++i) {
        if (!store.write(entryKey(i, kPathSuffix), ""))
            return false;
    }
    return true;
}

void RecentFileList::lastFileToTop(const RecentFileRecord& current, int recentIndex)
{
    if (current.path.empty())
        return;
    if (!entries.empty() && entries.front().path == current.path) {
        entries.front() = current;
        return;
    }
    // Chosen from the menu: the entry leaves its place, those below it stay. The index is only
    // trusted when it points at this very file.
    const bool chosen = recentIndex >= 1 && recentIndex <= kMaxRecentFiles &&
                        static_cast<std::size_t>(recentIndex) <= entries.size() &&
                        entries[static_cast<std::size_t>(recentIndex - 1)].path == current.path;
    if (chosen)
        entries.erase(entries.begin() + (recentIndex - 1));
    entries.insert(entries.begin(), current);
    if (entries.size() > static_cast<std::size_t>(kMaxRecentFiles))
        entries.resize(static_cast<std::size_t>(kMaxRecentFiles));
}

int RecentFileList::indexOf(const std::string& path) const
{
    for (std::size_t i = entries.size(); i > 0; --i)
        if (entries[i - 1].path == path)
            return static_cast<int>(i);
    return kNewRecentIndex;
}

std::vector<std::string> RecentFileList::menuCaptions() const
{
    std::vector<std::string> captions;
    for (std::size_t i = 0; i < entries.size(); ++i)
        captions.push_back("&" + std::to_string(i + 1) + " " + entries[i].path);
    return captions;
}

}  // namespace varisect
