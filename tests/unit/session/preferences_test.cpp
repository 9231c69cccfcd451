// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/preferences.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "support/memorysettingsstore.h"

namespace varisect {
namespace {

bool operator==(const Preferences& a, const Preferences& b)
{
    return a.runMaximized == b.runMaximized && a.outlierCheck == b.outlierCheck &&
           a.showFsBelowOne == b.showFsBelowOne && a.useLevelLabels == b.useLevelLabels &&
           a.exactPValues == b.exactPValues && a.sphericityTests == b.sphericityTests;
}

TEST(Preferences, DefaultsExactWordsAndWrites)
{
    MemorySettingsStore store;
    const Preferences defaults{false, true, false, false, false, false};
    EXPECT_TRUE(loadPreferences(store) == defaults);

    // Only the exact words count ("false" keeps the outlier check on).
    for (const char* other : {"false", "true", "TRUE", " True", "False ", "1"}) {
        for (const char* key : {kKeyRunMaximized, kKeyOutlierCheck, kKeyShowFs, kKeyUseLevelLabels, kKeyExactP, kKeySphericity})
            store.values[key] = other;
        EXPECT_TRUE(loadPreferences(store) == defaults) << other;
    }

    // Every preference flipped from its default, written under the names the settings keep.
    using Flip = std::tuple<const char*, bool, const char*>;
    for (const auto& [key, value, stored] : std::vector<Flip>{{"Run_Maximized", true, "True"}, {"OutlierCheck", false, "False"},
                                                              {"ShowFsCheck", true, "True"}, {"Use_Level_Labels", true, "True"},
                                                              {"Exact_P_Values", true, "True"}, {"Sphericity_Tests", true, "True"}}) {
        EXPECT_TRUE(storePreference(store, key, value)) << key;
        EXPECT_EQ(store.read(key), stored);
    }
    EXPECT_TRUE(loadPreferences(store) == (Preferences{true, false, true, true, true, true}));

    store.failWrites = true;
    EXPECT_FALSE(storePreference(store, kKeyRunMaximized, false));
}

}  // namespace
}  // namespace varisect
