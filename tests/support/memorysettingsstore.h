// SPDX-License-Identifier: GPL-3.0-or-later
// A settings store in memory, for the tests: keys looked up without regard to case, as the
// real store does, and writes that can be made to fail.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <string>

#include "platform/settingsstore.h"

namespace varisect {

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const
    {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
        });
    }
};

class MemorySettingsStore : public SettingsStore {
public:
    std::string read(const std::string& key) const override
    {
        const auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    }
    bool write(const std::string& key, const std::string& value) override
    {
        if (failWrites)
            return false;
        values[key] = value;
        return true;
    }

    std::map<std::string, std::string, CaseInsensitiveLess> values;
    bool failWrites = false;  // every write fails
};

}  // namespace varisect
