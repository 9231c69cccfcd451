// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/anovatable.h"

#include "engine/numbertext.h"

namespace varisect {

double AnovaTable::number(int row, int column) const
{
    return parseNumber(cell(row, column));
}

void AnovaTable::chooseDisplayDecimals(int throughRow)
{
    displayDecimals = 2;
    for (int r = 2; r <= throughRow; ++r)
        if (!cell(r, ColMS).empty() && number(r, ColMS) < 1.0) {
            displayDecimals = 3;
            return;
        }
}

}  // namespace varisect
