// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user settings store: string values under application "Varisect_Setup", section
// "Settings". Keys are looked up without regard to case; a missing key reads as "".
#pragma once

#include <string>

namespace varisect {

inline constexpr const char* kSettingsApplication = "Varisect_Setup";
inline constexpr const char* kSettingsSection = "Settings";

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string read(const std::string& key) const = 0;
    // False when the value could not be written (read-only or full disk, ...).
    virtual bool write(const std::string& key, const std::string& value) = 0;
};

}  // namespace varisect
