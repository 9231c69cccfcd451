// SPDX-License-Identifier: GPL-3.0-or-later
// The keys of a score grid as the entry rules of scoreentry.h take them. Both data grids (the
// data entry grid and the cell-size grid) type through these.
#pragma once

#include <optional>

#include "data/scoreentry.h"

class QEvent;
class QKeyEvent;

namespace varisect {

// The entry key a key press stands for: Backspace, Enter or one typed character. Nothing for
// keys with Ctrl, Alt or Meta and for keys that move through the grid (arrows, page keys).
std::optional<EntryKey> entryKeyOf(const QKeyEvent& event);

// A shortcut-override event for a character typed into the grid: accepted here, so the grid
// gets the character even when a menu shortcut shares the key. True when it was.
bool keepTypedCharacter(QEvent& event);

}  // namespace varisect
