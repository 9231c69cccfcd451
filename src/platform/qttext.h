// SPDX-License-Identifier: GPL-3.0-or-later
// Our texts (UTF-8 std::string) as Qt shows them.
#pragma once

#include <string>

#include <QString>

namespace varisect {

inline QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace varisect
