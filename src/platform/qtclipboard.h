// SPDX-License-Identifier: GPL-3.0-or-later
// The system clipboard through QClipboard.
#pragma once

#include "platform/clipboard.h"

namespace varisect {

class QtClipboard : public Clipboard {
public:
    // False when there is no clipboard or it did not take the text.
    bool setText(const std::string& text) override;
    std::optional<std::string> text() override;
    // False when the bytes are not a PNG picture or there is no clipboard.
    bool setImage(const std::vector<unsigned char>& png) override;
};

}  // namespace varisect
