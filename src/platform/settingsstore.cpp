// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/settingsstore.h"

#include <algorithm>
#include <cctype>

namespace varisect {

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

std::string MemorySettingsStore::read(const std::string& key) const
{
    const auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
}

bool MemorySettingsStore::write(const std::string& key, const std::string& value)
{
    if (failWrites)
        return false;
    values[key] = value;
    return true;
}

}  // namespace varisect
