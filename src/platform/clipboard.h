// SPDX-License-Identifier: GPL-3.0-or-later
// The system clipboard.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varisect {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // False when the clipboard could not be written (busy).
    virtual bool setText(const std::string& text) = 0;
    // Empty when the clipboard holds no text or cannot be read.
    virtual std::optional<std::string> text() = 0;
    // A picture, as PNG bytes (the plots).
    virtual bool setImage(const std::vector<unsigned char>& png) = 0;
};

}  // namespace varisect
