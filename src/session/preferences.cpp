// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/preferences.h"

#include "platform/settingsstore.h"

namespace varisect {

// The stored values are compared exactly: "true" or "FALSE" count as neither word, so each
// preference then keeps its default.
Preferences loadPreferences(const SettingsStore& store)
{
    Preferences p;
    p.runMaximized = store.read(kKeyRunMaximized) == "True";
    p.outlierCheck = store.read(kKeyOutlierCheck) != "False";
    p.showFsBelowOne = store.read(kKeyShowFs) == "True";
    p.useLevelLabels = store.read(kKeyUseLevelLabels) == "True";
    p.exactPValues = store.read(kKeyExactP) == "True";
    p.sphericityTests = store.read(kKeySphericity) == "True";
    return p;
}

AnalysisOptions analysisOptions(const Preferences& preferences)
{
    AnalysisOptions options;
    options.exactP = preferences.exactPValues;
    return options;
}

bool storePreference(SettingsStore& store, const char* key, bool on)
{
    return store.write(key, on ? "True" : "False");
}

}  // namespace varisect
