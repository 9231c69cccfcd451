// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/tabletext.h"

#include <algorithm>
#include <numeric>
#include <string_view>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/effectsize.h"
#include "engine/numbertext.h"

namespace varisect {

namespace {

bool isBlankText(const std::string& s)
{
    return s.find_first_not_of(' ') == std::string::npos;
}

// Characters on screen: UTF-8 continuation bytes do not count ("Omega²").
size_t displayWidth(std::string_view s)
{
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string padRight(std::string s, size_t width)
{
    const size_t w = displayWidth(s);
    if (w < width)
        s.append(width - w, ' ');
    return s;
}

std::string factorName(const Design& design, const Factor& f)
{
    return design.labelsTruncated ? f.name : std::string(1, f.tableLabel);
}

// "  Factors", one line per factor (the designated one in parentheses, the others behind a
// blank so the names line up), the nesting lines, the implanted-scores note and the note on
// exact p-values.
std::vector<std::string> factorLines(const Design& design, bool showLevels, bool exactP)
{
    std::vector<std::string> lines{"  Factors"};
    size_t longest = 0;
    for (const Factor& f : design.factors)
        longest = std::max(longest, displayWidth(factorName(design, f)));
    for (int k = 1; k <= design.factorCount(); ++k) {
        const Factor& f = design.factor(k);
        const std::string name = factorName(design, f);
        std::string line = "  " + (k == design.designatedFactor ? "(" + name + ")" : " " + name);
        if (showLevels)
            line = padRight(line, longest + 7) + numberText(f.levels);
        lines.push_back(line);
    }
    if (design.nested)
        for (const NestRelation& rel : design.nestingMatrix)
            lines.push_back(std::string("  ") + rel.nested + " nested under " + rel.nesting);
    if (design.imputedCount > 0) {
        const int k = design.imputedCount;
        lines.push_back(std::string("  ") + "There " + (k == 1 ? "was" : "were") + numberText(k)
                        + " implanted " + (k == 1 ? "score" : "scores") + ".  (* " + "="
                        + " df subtracted).");
    }
    if (exactP && design.anovaType != AnovaType::NoFRatios)
        lines.push_back(kExactPLegend);
    return lines;
}

}  // namespace

std::vector<DisplayRow> formatTableCells(const AnovaTable& table, bool showFsBelowOne)
{
    std::vector<DisplayRow> out;
    if (table.rows.empty())
        return out;
    out.reserve(table.rows.size());
    out.push_back(table.rows.front());
    const int places = table.displayDecimals;

    for (int r = 2; r <= table.rowCount(); ++r) {
        const AnovaTable::Row& row = table.rows[static_cast<size_t>(r - 1)];
        DisplayRow d;
        d[ColSource - 1] = row[ColSource - 1];
        d[ColDf - 1] = row[ColDf - 1];
        if (r == table.imputedErrorRow)
            d[ColDf - 1] += "*";

        const std::string& ss = row[ColSS - 1];
        if (isBlankText(ss)) {
            d[ColSS - 1] = "";
        } else if (static_cast<unsigned char>(ss[0]) >= 65 && static_cast<unsigned char>(ss[0]) <= 122) {
            d[ColSS - 1] = ss;  // a word, not a number
        } else {
            const double v = table.number(r, ColSS);
            d[ColSS - 1] = v < 1e-8 ? "0" : widenedFixed(v, places);
        }

        const std::string& ms = row[ColMS - 1];
        if (!isBlankText(ms)) {
            const double v = table.number(r, ColMS);
            d[ColMS - 1] = meanSquareText(v, places);
            const std::string& f = row[ColF - 1];
            if (!isBlankText(f)) {
                const double fv = table.number(r, ColF);
                d[ColF - 1] = fv < 1 && !showFsBelowOne ? "<1" : FormatFixed(fv, 2, true);
                const std::string& p = row[ColP - 1];
                if (!isBlankText(p))
                    d[ColP - 1] = FormatFixed(table.number(r, ColP), 3, true);
            }
        }
        out.push_back(d);
    }
    return out;
}

void applyEffectSizeColumns(std::vector<DisplayRow>& display, const EffectSizes& sizes)
{
    // The effect sizes take the places of the MS and F columns.
    for (size_t i = 0; i < display.size(); ++i) {
        display[i][ColMS - 1] = i < sizes.column3.size() ? sizes.column3[i] : std::string();
        display[i][ColF - 1] = i < sizes.column4.size() ? sizes.column4[i] : std::string();
    }
}

std::string tableHeading(const std::string& prefix)
{
    return prefix + "Analysis of Variance Table";
}

std::vector<std::string> legendLines(const Design& design, bool showLevels, bool exactP)
{
    return factorLines(design, showLevels, exactP);
}

std::string notesText(const std::vector<std::string>& notes, const char* lineEnd)
{
    if (notes.empty())
        return {};
    std::string text = lineEnd;
    for (const std::string& line : notes)
        text += line + lineEnd;
    return text;
}

std::string copyTableText(const std::string& heading, const Design& design,
                          const std::vector<DisplayRow>& display, bool exactP, bool showLevels)
{
    // Lines are written straight into the text, each one's trailing blanks cut at its end.
    std::string text;
    std::size_t lineStart = 0;
    const auto endLine = [&] {
        const auto last = text.find_last_not_of(' ');
        text.resize(last == std::string::npos || last < lineStart ? lineStart : last + 1);
        text += "\r\n";
        lineStart = text.size();
    };
    text += "     ";
    text += heading;
    endLine();
    for (const std::string& l : factorLines(design, showLevels, exactP)) {
        text += l;
        endLine();
    }
    endLine();

    // A trailing "*" (the reduced error df) hangs to the right of its column so the numbers
    // stay aligned.
    auto marked = [](const std::string& cell) { return !cell.empty() && cell.back() == '*'; };
    std::array<bool, 6> hasMark{};
    for (const DisplayRow& row : display)
        for (size_t c = 1; c < row.size(); ++c)
            hasMark[c] = hasMark[c] || marked(row[c]);
    auto body = [&](const std::string& cell, size_t c) {
        return std::string_view(cell).substr(0, cell.size() - (hasMark[c] && marked(cell) ? 1 : 0));
    };
    std::array<size_t, 6> width{};
    for (const DisplayRow& row : display)
        for (size_t c = 0; c < row.size(); ++c)
            width[c] = std::max(width[c], displayWidth(body(row[c], c)));
    text.reserve(text.size() + display.size() * (width[0] + 2 + 2 * width.size() + 2 +
                                                   std::accumulate(width.begin() + 1, width.end(), size_t{0})));
    for (const DisplayRow& row : display) {
        text += row[0];
        text.append(width[0] + 2 - std::min(width[0] + 2, displayWidth(row[0])), ' ');
        for (size_t c = 1; c < row.size(); ++c) {
            if (c > 1)
                text += "  ";
            const std::string_view cell = body(row[c], c);
            text.append(width[c] - std::min(width[c], displayWidth(cell)), ' ');
            text += cell;
            if (hasMark[c])
                text += marked(row[c]) ? '*' : ' ';
        }
        endLine();
    }
    return text;
}

std::string copyRowsText(const std::vector<DisplayRow>& display, int firstRow, int lastRow)
{
    std::string text;
    const int first = std::max(firstRow, 0);
    const int last = std::min(lastRow, static_cast<int>(display.size()) - 1);
    for (int r = first; r <= last; ++r) {
        for (const std::string& cell : display[static_cast<size_t>(r)]) {
            text += cell;
            text += '\t';
        }
        text += '\n';
    }
    text += '\n';
    return text;
}

}  // namespace varisect
