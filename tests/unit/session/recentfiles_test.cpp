// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/recentfiles.h"

#include <gtest/gtest.h>

#include "support/memorysettingsstore.h"

namespace varisect {
namespace {

RecentFileRecord record(const std::string& path, std::vector<int> levels = {2, 3})
{
    RecentFileRecord r;
    r.path = path;
    for (std::size_t j = 0; j < levels.size(); ++j)
        r.factorNames.push_back(std::string(1, static_cast<char>('A' + j)) + "name");
    r.levels = std::move(levels);
    return r;
}

RecentFileList listOf(const std::vector<const char*>& paths)
{
    RecentFileList list;
    for (const char* p : paths)
        list.entries.push_back(record(p));
    return list;
}

std::vector<std::string> paths(const RecentFileList& list)
{
    std::vector<std::string> out;
    for (const auto& e : list.entries)
        out.push_back(e.path);
    return out;
}

// One well-formed entry under number i, in the form the program writes it.
void storeEntry(MemorySettingsStore& store, int i, const std::string& path)
{
    const std::string k = std::to_string(i) + "Recent_File";
    store.values[k] = path;
    store.values[k + "_NFactors"] = "2";
    store.values[k + "_FactorNames"] = "Drug,Time";
    store.values[k + "_Nlevels"] = "2,3";
    store.values[k + "_LevLabels"] = "False";
}

using Paths = std::vector<std::string>;

TEST(RecentFiles, LastFileToTopWalk)
{
    RecentFileList list;
    list.lastFileToTop(record("/d/a.dat"), kNewRecentIndex);
    EXPECT_EQ(paths(list), Paths({"/d/a.dat"}));

    // Entry 1 again: overwritten with the new design, nothing moves.
    list = listOf({"/d/a.dat", "/d/b.dat"});
    list.lastFileToTop(record("/d/a.dat", {4, 5}), kNewRecentIndex);
    EXPECT_EQ(paths(list), Paths({"/d/a.dat", "/d/b.dat"}));
    EXPECT_EQ(list.entries[0].levels, std::vector<int>({4, 5}));

    struct Case {
        const char* what;
        std::vector<const char*> before;
        const char* path;
        int index;
        Paths after;
    };
    for (const Case& c : std::vector<Case>{
             {"a fifth file: the fourth falls off", {"/1", "/2", "/3", "/4"}, "/new", kNewRecentIndex,
              {"/new", "/1", "/2", "/3"}},
             {"entry 3 from the menu: 1 and 2 move down, 4 stays", {"/1", "/2", "/3", "/4"}, "/3", 3,
              {"/3", "/1", "/2", "/4"}},
             {"a short list does not grow", {"/1", "/2"}, "/2", 2, {"/2", "/1"}},
             {"an index not pointing at the file removes nothing", {"/1", "/2", "/3"}, "/x", 2,
              {"/x", "/1", "/2", "/3"}}}) {
        list = listOf(c.before);
        list.lastFileToTop(record(c.path, {6, 2}), c.index);
        EXPECT_EQ(paths(list), c.after) << c.what;
        EXPECT_EQ(list.entries[0].levels, std::vector<int>({6, 2})) << c.what;
    }

    EXPECT_EQ(list.menuCaptions(), Paths({"&1 /x", "&2 /1", "&3 /2", "&4 /3"}));
}

TEST(RecentFiles, RoundTripThroughTheStore)
{
    RecentFileRecord labelled = record("C:\\data\\drug.dat", {2, 3});
    labelled.problemLabel = "Drug study, 2nd run";
    labelled.factorNames = {"Drug", "Time"};
    labelled.labelsInUse = true;
    labelled.levelLabels = {{"P", "Dr"}, {"1h", "2h", "é"}};
    RecentFileRecord single = record("/one.dat", {16352});
    RecentFileList list;
    list.entries = {labelled, single};

    MemorySettingsStore store;
    ASSERT_TRUE(list.write(store));
    for (const auto& [key, value] : std::vector<std::pair<const char*, const char*>>{
             {"1Recent_File", "C:\\data\\drug.dat"}, {"1Recent_File_Probname", "Drug study, 2nd run"},
             {"1Recent_File_NFactors", "2"}, {"1Recent_File_FactorNames", "Drug,Time"}, {"1Recent_File_Nlevels", "2,3"},
             {"1Recent_File_LevLabels", "True"}, {"1Recent_File_LevelLabels", "P,Dr,1h,2h,é"},
             {"2Recent_File_LevLabels", "False"}})
        EXPECT_EQ(store.read(key), value) << key;
    EXPECT_EQ(store.values.count("2Recent_File_LevelLabels"), 0u);

    EXPECT_EQ(RecentFileList::read(store).entries, list.entries);

    // A factor that takes no labels is written as empty fields and read back as such.
    labelled.levelLabels = {{"P", "Dr"}};
    list.entries = {labelled};
    ASSERT_TRUE(list.write(store));
    EXPECT_EQ(store.read("1Recent_File_LevelLabels"), "P,Dr,,,");
    EXPECT_EQ(RecentFileList::read(store).entries[0].levelLabels,
              (std::vector<std::vector<std::string>>{{"P", "Dr"}, {"", "", ""}}));
}

TEST(RecentFiles, WritingLeavesNoRepeatsOrStaleEntries)
{
    MemorySettingsStore store;
    RecentFileList list = listOf({"/1", "/2", "/3", "/4"});
    ASSERT_TRUE(list.write(store));

    // Saving /3 as a new file puts it on top while it is still further down.
    list.lastFileToTop(record("/3"), kNewRecentIndex);
    ASSERT_EQ(paths(list), Paths({"/3", "/1", "/2", "/3"}));
    ASSERT_TRUE(list.write(store));
    EXPECT_EQ(paths(RecentFileList::read(store)), Paths({"/3", "/1", "/2"}));
    EXPECT_EQ(store.read("4Recent_File"), "");

    store.failWrites = true;
    EXPECT_FALSE(list.write(store));
}

TEST(RecentFiles, ReadingStopsAtAGapAndSkipsDamage)
{
    MemorySettingsStore store;
    storeEntry(store, 1, "/1");
    storeEntry(store, 2, "/2");
    storeEntry(store, 4, "/4");
    EXPECT_EQ(paths(RecentFileList::read(store)), Paths({"/1", "/2"}));

    struct Damage {
        const char* suffix;
        const char* value;
    };
    const std::vector<Damage> damages = {
        {"_NFactors", "9"},           {"_NFactors", "two"},      {"_FactorNames", "Drug"},
        {"_FactorNames", "Drug,Time,Dose"}, {"_FactorNames", ",Time"}, {"_Nlevels", "2,1"},
        {"_Nlevels", "2,-3"},         {"_Nlevels", "128,128"},   {"_Nlevels", "2,99999999999999999999"},
    };
    for (const Damage& d : damages) {
        storeEntry(store, 3, "/3");
        storeEntry(store, 4, "/4");
        store.values[std::string("2Recent_File") + d.suffix] = d.value;
        std::vector<std::string> problems;
        const RecentFileList list = RecentFileList::read(store, &problems);
        EXPECT_EQ(paths(list), Paths({"/1", "/3", "/4"})) << d.suffix << "=" << d.value;
        ASSERT_EQ(problems.size(), 1u) << d.suffix << "=" << d.value;
        EXPECT_NE(problems[0].find("recent file 2, /2,"), std::string::npos) << problems[0];
        storeEntry(store, 2, "/2");
    }

    const std::vector<const char*> badLabels = {"", "a,b,c,d", "a,b,c,d,e,f", "a,b,c,d,abc"};
    for (const char* labels : badLabels) {
        store.values["2Recent_File_LevLabels"] = "True";
        store.values["2Recent_File_LevelLabels"] = labels;
        EXPECT_EQ(paths(RecentFileList::read(store)), Paths({"/1", "/3", "/4"})) << labels;
    }
    store.values["2Recent_File_LevelLabels"] = "a,b,c,d,ée";
    EXPECT_EQ(paths(RecentFileList::read(store)), Paths({"/1", "/2", "/3", "/4"}));
    // Labels are only looked at when the entry says they are in use.
    store.values["2Recent_File_LevLabels"] = "true";
    store.values["2Recent_File_LevelLabels"] = "garbage";
    const RecentFileList list = RecentFileList::read(store);
    ASSERT_EQ(list.entries.size(), 4u);
    EXPECT_FALSE(list.entries[1].labelsInUse);
}

// A damaged value of a megabyte is quoted by its first 80 characters only (whole characters, so
// a cut never splits one), as is a path that long; short values are quoted whole.
TEST(RecentFiles, ProblemSentencesQuoteAtMostEightyCharacters)
{
    MemorySettingsStore store;
    storeEntry(store, 1, "/1");
    const std::string huge = "2," + std::string(1000000, 'x');
    store.values["1Recent_File_Nlevels"] = huge;
    std::vector<std::string> problems;
    EXPECT_TRUE(RecentFileList::read(store, &problems).entries.empty());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "The recent file 1, /1, was left out of the list because factor 2 has \"" +
                               std::string(80, 'x') + "...\" levels where a whole number of at least 2 is needed.");

    // 80 characters of two bytes each, then more; and a path of a megabyte.
    const std::string accented = "\xC3\xA9";
    std::string names;
    for (int k = 0; k < 100; ++k)
        names += accented;
    const std::string longPath = "/" + std::string(1000000, 'p');
    storeEntry(store, 1, longPath);
    store.values["1Recent_File_FactorNames"] = names;
    problems.clear();
    RecentFileList::read(store, &problems);
    ASSERT_EQ(problems.size(), 1u);
    std::string shown;
    for (int k = 0; k < 80; ++k)
        shown += accented;
    EXPECT_EQ(problems[0], "The recent file 1, /" + std::string(79, 'p') + "..., was left out of the list because "
                           "its factor names, \"" + shown + "...\", are not 2 names separated by commas.");

    storeEntry(store, 1, "/1");
    store.values["1Recent_File_NFactors"] = std::string(80, '9');
    problems.clear();
    RecentFileList::read(store, &problems);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("\"" + std::string(80, '9') + "\", is not"), std::string::npos) << problems[0];
}

}  // namespace
}  // namespace varisect
