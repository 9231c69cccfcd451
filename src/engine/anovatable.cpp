// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/anovatable.h"

#include <algorithm>
#include <cmath>

#include "engine/numbertext.h"

namespace varisect {

namespace {

// The number kept for a cell whose text is still the one it was kept with.
const AnovaTable::KeptNumber* keptFor(const AnovaTable& table, int row, int column)
{
    const auto r = static_cast<size_t>(row - 1);
    if (r >= table.kept.size())
        return nullptr;
    const AnovaTable::KeptNumber& k = table.kept[r][static_cast<size_t>(column - 1)];
    return k.size != 0 && k.text() == table.cell(row, column) ? &k : nullptr;
}

}  // namespace

double AnovaTable::number(int row, int column) const
{
    if (const KeptNumber* k = keptFor(*this, row, column))
        return k->value;
    return parseNumber(cell(row, column));
}

std::optional<double> AnovaTable::cellNumber(int row, int column) const
{
    if (const KeptNumber* k = keptFor(*this, row, column))
        return k->value;
    double value = 0;
    if (!parseWholeNumber(cell(row, column), value) || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double AnovaTable::setNumber(int row, int column, double value)
{
    std::string& text = cell(row, column);
    double shown = 0;
    text = numberText(value, shown);
    const auto r = static_cast<size_t>(row - 1);
    if (kept.size() < rows.size())
        kept.resize(rows.size());
    KeptNumber& k = kept[r][static_cast<size_t>(column - 1)];
    k = KeptNumber{};
    if (std::isfinite(value) && text.size() <= k.characters.size()) {  // else read from the text
        k.value = shown;
        k.size = static_cast<std::uint8_t>(text.size());
        std::copy(text.begin(), text.end(), k.characters.begin());
    }
    return shown;
}

int AnovaTable::appendRow(const std::string& label, std::optional<double> df, std::optional<double> ss,
                          std::optional<double> ms)
{
    rows.push_back({label, "", "", "", "", ""});
    const int at = rowCount();
    if (df)
        setNumber(at, ColDf, *df);
    if (ss)
        setNumber(at, ColSS, *ss);
    if (ms)
        setNumber(at, ColMS, *ms);
    return at;
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
