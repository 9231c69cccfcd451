// SPDX-License-Identifier: GPL-3.0-or-later
// The preferences, kept in the settings store and written the moment they are toggled.
#pragma once

#include "engine/analysis.h"

namespace varisect {

class SettingsStore;

inline constexpr const char* kKeyRunMaximized = "Run_Maximized";
inline constexpr const char* kKeyOutlierCheck = "OutlierCheck";
inline constexpr const char* kKeyShowFs = "ShowFsCheck";
inline constexpr const char* kKeyUseLevelLabels = "Use_Level_Labels";
inline constexpr const char* kKeyExactP = "Exact_P_Values";
inline constexpr const char* kKeySphericity = "Sphericity_Tests";

struct Preferences {
    bool runMaximized = false;     // only "True" switches it on
    bool outlierCheck = true;      // only "False" switches it off
    bool showFsBelowOne = false;   // only "True" switches it on
    bool useLevelLabels = false;   // only "True" switches it on
    bool exactPValues = false;     // "Exact p-values": every table's p column holds the exact
                                   // upper tail of F; only "True" switches it on
    bool sphericityTests = false;  // the table window's "&Sphericity Tests"; only "True" switches it on
};

Preferences loadPreferences(const SettingsStore& store);

// The options an analysis takes from the preferences: the exact p-values.
AnalysisOptions analysisOptions(const Preferences& preferences);

// Stores one preference as "True"/"False"; false when the store refused the write.
bool storePreference(SettingsStore& store, const char* key, bool on);

}  // namespace varisect
