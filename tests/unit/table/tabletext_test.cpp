// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/tabletext.h"

#include <gtest/gtest.h>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/effectsize.h"

using namespace varisect;

namespace {

// Repeated measures Drug (2) x Subjects (5) with one implanted score on the error row.
AnovaTable repeatedTable()
{
    AnovaTable t;
    t.rows = {
        {"Source", "df", "SS", "MS", "F", "  p"}, {"S", " 4", " 10.5", "", "", ""},
        {"D", " 1", " 20", " 20", " 6.66666666666667", " .0812"},
        {"  SxD", " 3", " 9", " 3", "", ""},      {"Total", " 8", " 39.5", "", "", ""},
    };
    t.lastRow = 4;
    t.imputedErrorRow = 4;
    t.displayDecimals = 2;
    return t;
}

Design drugDesign()
{
    Design d;
    d.factors = {{"Drug", 'D', 2, {}}, {"Time", 'T', 3, {}}, {"Subjects", 'S', 5, {}}};
    d.designatedFactor = 3;
    d.labelsTruncated = true;
    d.imputedCount = 1;
    return d;
}

}  // namespace

TEST(TableCells, NumberFormatsAndEndsOfRows)
{
    AnovaTable t;
    t.rows = {
        {"Source", "df", "SS", "MS", "F", "  p"},
        {"A", " 1", " 12.345", " 12.345", " .75", " .41"},
        {"B", " 2", " .0004", " .0002", " 2.5", " .0004"},
        {"C", " 1", " 1E-09", " 1E-09", " 1", " 1"},
        {"D", " 1", "defined", "", " 9", " .5"},
        {"  Within", " 20", " 3.3", " .165", "", " .5"},
    };
    t.lastRow = 6;
    t.displayDecimals = 3;
    const auto d = formatTableCells(t, false);
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(d[1], (DisplayRow{"A", " 1", "12.345", "12.345", "<1", ".410"}));
    // Places widen until the value no longer reads as 0.
    EXPECT_EQ(d[2], (DisplayRow{"B", " 2", ".0004", ".0002", "2.50", "<.001"}));
    // An SS below 1E-8 is shown as 0; a positive MS keeps widening instead.
    EXPECT_EQ(d[3], (DisplayRow{"C", " 1", "0", "1E-09", "1.00", " 1. "}));
    // A word stays; a blank MS or F ends the row.
    EXPECT_EQ(d[4], (DisplayRow{"D", " 1", "defined", "", "", ""}));
    EXPECT_EQ(d[5], (DisplayRow{"  Within", " 20", "3.3", ".165", "", ""}));
    EXPECT_EQ(formatTableCells(t, true)[1][4], ".75");

    const auto r = formatTableCells(repeatedTable(), false);
    EXPECT_EQ(r[2], (DisplayRow{"D", " 1", "20.00", "20.00", "6.67", ".081"}));
    EXPECT_EQ(r[3][1], " 3*");
    EXPECT_EQ(r[4][1], " 8");
}

TEST(TableLegend, FactorsNestingAndImplantedScores)
{
    Design d = drugDesign();
    EXPECT_EQ(legendLines(d), (std::vector<std::string>{"  Factors", "   Drug         2", "   Time         3",
                                                        "  (Subjects)    5",
                                                        "  There was 1 implanted score.  (* = df subtracted)."}));
    d.imputedCount = 3;
    d.nested = true;
    d.nestingMatrix = {{'S', 'D'}};
    EXPECT_EQ(legendLines(d, false),
              (std::vector<std::string>{"  Factors", "   Drug", "   Time", "  (Subjects)", "  S nested under D",
                                        "  There were 3 implanted scores.  (* = df subtracted)."}));
    // One-letter names are shown by their table labels.
    Design letters;
    letters.factors = {{"a", 'A', 2, {}}, {"s", 'S', 12, {}}};
    letters.designatedFactor = 2;
    EXPECT_EQ(legendLines(letters), (std::vector<std::string>{"  Factors", "   A     2", "  (S)    12"}));
}

TEST(TableLegend, ExactPValuesAndTheImplantedScoresOfATableWithoutF)
{
    Design d = drugDesign();
    d.anovaType = AnovaType::RepeatedMeasures;
    const std::vector<std::string> lines = legendLines(d, true, true);
    EXPECT_EQ(lines.back(), "  p = exact upper-tail probability of F.");
    EXPECT_EQ(lines.size(), legendLines(d).size() + 1);
    EXPECT_NE(copyTableText(tableHeading(), d, formatTableCells(repeatedTable(), false), true)
                  .find("  (* = df subtracted).\r\n  p = exact upper-tail probability of F.\r\n\r\n"),
              std::string::npos);
    // A table without F-ratios has no p to speak of; its "*" stands on the total.
    d.anovaType = AnovaType::NoFRatios;
    EXPECT_EQ(legendLines(d, true, true), legendLines(d));
    AnovaTable t;
    t.rows = {{"Source", "df", "SS", "MS", "", ""}, {"D", " 1", " 20", " 20", "", ""}, {"Total", " 8", " 39.5", "", "", ""}};
    t.lastRow = 2;
    t.imputedErrorRow = 3;
    EXPECT_EQ(formatTableCells(t, false)[2][1], " 8*");
}

TEST(TableCopy, FixedWidthTextAndSelectedRows)
{
    const auto display = formatTableCells(repeatedTable(), false);
    EXPECT_EQ(copyTableText(tableHeading(), drugDesign(), display),
              "     Analysis of Variance Table\r\n"
              "  Factors\r\n"
              "   Drug         2\r\n"
              "   Time         3\r\n"
              "  (Subjects)    5\r\n"
              "  There was 1 implanted score.  (* = df subtracted).\r\n"
              "\r\n"
              "Source  df      SS     MS     F     p\r\n"
              "S        4   10.50\r\n"
              "D        1   20.00  20.00  6.67  .081\r\n"
              "  SxD    3*   9.00   3.00\r\n"
              "Total    8   39.50\r\n");
    // The table's notes follow it after a blank line, in the line ends asked for.
    EXPECT_EQ(notesText({}), "");
    EXPECT_EQ(notesText({"  a", "  b"}), "\r\n  a\r\n  b\r\n");
    EXPECT_EQ(notesText({"  a"}, "\n"), "\n  a\n");

    // Effect sizes take the MS and F columns; "Omega²" counts as six characters when aligning.
    auto sized = display;
    EffectSizes e;
    e.column3 = {"Omega\u00B2", "", ".376", "", ""};
    e.column4 = {"P-h Pwr", "", ".91", "", ""};
    applyEffectSizeColumns(sized, e);
    const std::string text = copyTableText(tableHeading(), drugDesign(), sized);
    EXPECT_NE(text.find("Source  df      SS  Omega\u00B2  P-h Pwr     p\r\n"), std::string::npos);
    EXPECT_NE(text.find("D        1   20.00    .376      .91  .081\r\n"), std::string::npos);

    // Selected rows are tab-separated; out-of-range selections are cut to the rows there are.
    EXPECT_EQ(copyRowsText(display, 3, 9), "  SxD\t 3*\t9.00\t3.00\t\t\t\n"
                                           "Total\t 8\t39.50\t\t\t\t\n\n");
    EXPECT_EQ(copyRowsText(display, 3, 2), "\n");
}
