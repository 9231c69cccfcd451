// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/anovatable.h"

#include "engine/numbertext.h"

namespace varisect {

double AnovaTable::number(int row, int column) const
{
    return parseNumber(cell(row, column));
}

}  // namespace varisect
