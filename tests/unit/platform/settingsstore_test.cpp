// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "support/memorysettingsstore.h"

namespace varisect {
namespace {

// The recent-file reader asks for "_Levellabels" where the writer wrote "_LevelLabels": one
// value, whatever the case, and writing under another spelling replaces it rather than adding a
// second key.
TEST(MemorySettingsStore, KeysIgnoreCaseAndMissingKeysReadEmpty)
{
    MemorySettingsStore store;
    EXPECT_EQ(store.read("1Recent_File_LevelLabels"), "");

    ASSERT_TRUE(store.write("1Recent_File_LevelLabels", "a,b"));
    EXPECT_EQ(store.read("1recent_file_levellabels"), "a,b");
    EXPECT_EQ(store.read("1Recent_File_Levellabels"), "a,b");

    ASSERT_TRUE(store.write("1RECENT_FILE_LEVELLABELS", "c,d"));
    EXPECT_EQ(store.values.size(), 1u);
    EXPECT_EQ(store.read("1Recent_File_LevelLabels"), "c,d");

    // Keys that differ only beyond their common prefix stay apart.
    ASSERT_TRUE(store.write("1Recent_File", "/data/a.dat"));
    EXPECT_EQ(store.read("1recent_file"), "/data/a.dat");
    EXPECT_EQ(store.read("1Recent_File_LevelLabels"), "c,d");

    store.failWrites = true;
    EXPECT_FALSE(store.write("Run_Maximized", "True"));
    EXPECT_EQ(store.read("Run_Maximized"), "");
}

}  // namespace
}  // namespace varisect
