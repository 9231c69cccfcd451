// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/preferences.h"

#include <gtest/gtest.h>

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

    EXPECT_TRUE(storePreference(store, kKeyRunMaximized, true));
    EXPECT_TRUE(storePreference(store, kKeyOutlierCheck, false));
    EXPECT_TRUE(storePreference(store, kKeyShowFs, true));
    EXPECT_TRUE(storePreference(store, kKeyUseLevelLabels, true));
    EXPECT_TRUE(storePreference(store, kKeyExactP, true));
    EXPECT_TRUE(storePreference(store, kKeySphericity, true));
    EXPECT_EQ(store.read("OutlierCheck"), "False");
    EXPECT_EQ(store.read("Use_Level_Labels"), "True");
    EXPECT_EQ(store.read("Exact_P_Values"), "True");
    EXPECT_EQ(store.read("Sphericity_Tests"), "True");
    EXPECT_TRUE(loadPreferences(store) == (Preferences{true, false, true, true, true, true}));

    store.failWrites = true;
    EXPECT_FALSE(storePreference(store, kKeyRunMaximized, false));
}

}  // namespace
}  // namespace varisect
