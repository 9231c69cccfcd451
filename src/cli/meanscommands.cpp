// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/meanscommands.h"

#include <algorithm>

#include "cli/cli.h"
#include "cli/cliarguments.h"
#include "cli/importcommands.h"
#include "cli/unequalcommands.h"
#include "means/cellmeans.h"
#include "means/pairselector.h"
#include "means/simpleeffects.h"
#include "table/tabletext.h"
#include "unequal/unequalworkflow.h"

namespace varisect {

using namespace clisupport;

namespace {

// One of the program's refusals: the analysis cannot be completed.
[[noreturn]] void refuse(const Message& message)
{
    throw CliFailure{kExitNoTable, {messageLine(message)}};
}

std::string pairList(const Design& design, const std::vector<FactorPair>& pairs)
{
    std::string s;
    for (const FactorPair& p : pairs)
        s += (s.empty() ? "" : ", ") + design.factor(p.first).name + " x " + design.factor(p.second).name;
    return s.empty() ? "none" : s;
}

// "A,B" as a pair of the design, lower-numbered factor first.
FactorPair parsePair(const Design& design, const std::string& given)
{
    const std::string where = "--pair " + inQuotes(given);
    const auto comma = given.find(',');
    if (comma == std::string::npos || given.find(',', comma + 1) != std::string::npos)
        fail(where + ": write FIRST,SECOND, for example Drug,Time.");
    const int x = resolveFactor(design, given.substr(0, comma), where);
    const int y = resolveFactor(design, given.substr(comma + 1), where);
    if (x == y)
        fail(where + ": name two different factors.");
    return {std::min(x, y), std::max(x, y)};
}

// The pair must be one that the pair selector offers for `purpose`.
FactorPair offeredPair(const Design& design, const std::string& given, const PairSelector& selector,
                       PairPurpose purpose)
{
    const FactorPair pair = parsePair(design, given);
    const std::vector<FactorPair>& offered = selector.pairs();
    if (std::find(offered.begin(), offered.end(), pair) != offered.end())
        return pair;
    if (purpose == PairPurpose::SimpleEffects && isNestedPair(design, pair))
        refuse(Message{"Not Available!",
                       "It is not appropriate to examine simple effects in this case.  Recall that the interaction "
                       "between a nested factor and the factor under which it is nested is not defined."});
    fail("--pair " + inQuotes(given) + ": not one of the pairs offered (" + pairList(design, offered) + ").");
}

// Means need no F-ratios: --type is optional and --designate alone names the factor left out.
void applyMeansDesignation(Design& design, const Arguments& a)
{
    if (a.type) {
        applyTypeAndDesignation(design, a);
    } else if (a.designate) {
        design.designatedFactor = resolveFactor(design, *a.designate, "--designate " + inQuotes(*a.designate));
    }
}

std::string jsonStrings(const std::vector<std::string>& items)
{
    std::string s = "[";
    for (size_t i = 0; i < items.size(); ++i)
        s += (i ? "," : "") + jsonQuoted(items[i]);
    return s + "]";
}

std::string jsonNumbers(const std::vector<double>& values)
{
    std::string s = "[";
    for (size_t i = 0; i < values.size(); ++i)
        s += (i ? "," : "") + jsonNumber(values[i]);
    return s + "]";
}

std::string jsonCounts(const std::vector<long>& values)
{
    std::string s = "[";
    for (size_t i = 0; i < values.size(); ++i)
        s += (i ? "," : "") + std::to_string(values[i]);
    return s + "]";
}

// Unequal cells: the number of scores of every cell and level, and the weighted margins.
std::string weightedJson(const WeightedMargins& w, bool weightedMargins)
{
    std::string counts = "[";
    for (int j = 1; j <= w.levelsB; ++j) {
        std::vector<long> row;
        for (int i = 1; i <= w.levelsA; ++i)
            row.push_back(w.count(i, j));
        counts += (j > 1 ? "," : "") + jsonCounts(row);
    }
    counts += "]";
    std::string out = ",\"cell_n\":" + counts + ",\"row_n\":" + jsonCounts(w.countsB) +
                      ",\"column_n\":" + jsonCounts(w.countsA) + ",\"total_n\":" + std::to_string(w.total);
    if (weightedMargins)
        out += ",\"weighted_row_marginals\":" + jsonNumbers(w.meansB) +
               ",\"weighted_column_marginals\":" + jsonNumbers(w.meansA) +
               ",\"weighted_grand_mean\":" + jsonNumber(w.grandMean);
    return out;
}

// `mode`: the --mode of unequal cells (their means' "n" is then the number of cell means behind
// each; "cell_n" and the rest give the scores).
std::string meansJson(const Design& design, const std::vector<MeansGrid>& grids, const char* mode = nullptr,
                      bool weightedMargins = false)
{
    std::string out = mode ? "{\"mode\":" + jsonQuoted(mode) + ",\"tables\":[" : "{\"tables\":[";
    for (size_t g = 0; g < grids.size(); ++g) {
        const MeansGrid& grid = grids[g];
        const MeansTable& m = grid.means;
        std::vector<std::string> columnLevels(grid.cells[0].begin() + 1, grid.cells[0].begin() + 1 + m.levelsA);
        std::vector<std::string> rowLevels;
        for (int r = 1; r <= m.levelsB; ++r)
            rowLevels.push_back(grid.cells[size_t(r)][0]);
        std::string means = "[";
        for (int j = 1; j <= m.levelsB; ++j) {
            std::vector<double> row;
            for (int i = 1; i <= m.levelsA; ++i)
                row.push_back(m.mean(i, j));
            means += (j > 1 ? "," : "") + jsonNumbers(row);
        }
        means += "]";
        out += g == 0 ? "\n  {" : ",\n  {";
        out += "\"columns\":" + jsonQuoted(grid.columnTitle);
        out += ",\"rows\":" + jsonQuoted(design.factor(grid.shown.rowFactor).name);
        out += std::string(",\"transposed\":") + (grid.shown.transposed ? "true" : "false");
        out += ",\"panel\":" + (grid.panelFactor ? jsonQuoted(design.factor(grid.panelFactor).name) : "null");
        out += ",\"panel_level\":" + (grid.panelFactor ? jsonNumber(grid.panelLevel) : "null");
        out += ",\"heading\":" + jsonQuoted(grid.heading);
        out += ",\"n\":" + jsonNumber(m.n);
        out += ",\"column_levels\":" + jsonStrings(columnLevels);
        out += ",\"row_levels\":" + jsonStrings(rowLevels);
        out += ",\"means\":" + means;
        out += ",\"row_marginals\":" + jsonNumbers(m.marginalB);
        out += ",\"column_marginals\":" + jsonNumbers(m.marginalA);
        out += ",\"grand_mean\":" + jsonNumber(m.grandMean);
        if (grid.weighted)
            out += weightedJson(*grid.weighted, weightedMargins);
        out += "}";
    }
    return out + "\n],\n\"messages\":[]}\n";
}

std::string meansText(const std::vector<MeansGrid>& grids, bool transformed)
{
    std::string out = cellMeansPrintHeading(transformed) + "\n";
    for (const MeansGrid& grid : grids) {
        out += "\n";
        for (const std::string& line : meansTableLines(grid, {}))
            out += line + "\n";
    }
    return out;
}

}  // namespace

// Unequal cells: an "n" column, the number of scores behind each mean (cell, level or all);
// cells left blank (where the plain and the weighted margins cross) have no line.
std::string meansCsv(const Design& design, const std::vector<MeansGrid>& grids, bool unequal)
{
    std::string out = std::string("columns,rows,panel,panel_level,column_level,row_level,mean") +
                      (unequal ? ",n\n" : "\n");
    for (const MeansGrid& grid : grids) {
        const std::string prefix =
            csvCell(grid.columnTitle) + "," + csvCell(design.factor(grid.shown.rowFactor).name) + ","
            + (grid.panelFactor ? csvCell(design.factor(grid.panelFactor).name) + "," + std::to_string(grid.panelLevel)
                                : std::string(","))
            + ",";
        for (size_t r = 1; r < grid.cells.size(); ++r)
            for (size_t c = 1; c < grid.cells[r].size(); ++c) {
                if (unequal && grid.cells[r][c].empty())
                    continue;
                out += prefix + csvCell(grid.cells[0][c]) + "," + csvCell(grid.cells[r][0]) + "," + grid.cells[r][c];
                if (unequal && grid.weighted) {
                    const WeightedMargins& w = *grid.weighted;
                    const int i = static_cast<int>(c), j = static_cast<int>(r);
                    const bool cellColumn = i <= w.levelsA, cellRow = j <= w.levelsB;
                    const long n = cellColumn && cellRow ? w.count(i, j)
                                   : cellColumn         ? w.countsA[size_t(i - 1)]
                                   : cellRow            ? w.countsB[size_t(j - 1)]
                                                        : w.total;
                    out += "," + std::to_string(n);
                }
                out += "\n";
            }
    }
    return out;
}

int meansCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const std::optional<Arguments> given = dataCommandArguments(args, out);
    if (!given)
        return kExitTable;
    const Arguments& a = *given;
    if (a.effectSizes)
        fail("--effect-sizes belongs to the analyze command.");
    if (a.sphericity)
        fail("--sphericity belongs to the analyze command.");
    if (!a.trends.empty() || !a.contrasts.empty())
        fail("--trend and --contrast belong to the analyze command.");
    const Format format = parseFormat(a.format);
    std::optional<ImportedData> imported;
    std::optional<UnequalMeansInput> unequal;
    if (a.mode) {
        if (importRequested(a))
            fail("--mode reads an \"Unequal N\" data file, not a researcher's table.");
        unequal = unequalMeansInput(a);
    } else if (importRequested(a)) {
        imported = importData(a, err);
        if (imported->data.unequalN())
            fail("the cells of " + a.dataPath + " hold different numbers of scores; their means are shown with "
                 "--mode (write them as an \"Unequal N\" file with export).");
    }
    Design design = unequal ? unequal->design : imported ? imported->design : buildDesign(a.factors);
    if (!imported && !unequal) {
        applyMeansDesignation(design, a);
        applyNesting(design, a.nests);
    }

    const PairSelector selector(design, PairPurpose::Means);
    std::vector<FactorPair> pairs;
    for (const std::string& given : a.pairs) {
        const FactorPair pair = offeredPair(design, given, selector, PairPurpose::Means);
        if (std::find(pairs.begin(), pairs.end(), pair) == pairs.end())
            pairs.push_back(pair);
    }
    if (pairs.empty())
        pairs = selector.pairs();
    int panelFactor = 0;
    if (a.panels)
        panelFactor = resolveFactor(design, *a.panels, "--panels " + inQuotes(*a.panels));
    const Scores scores = unequal ? unequal->means
                                  : applyDataSteps(imported ? scoresOf(imported->data) : readScores(design, a.dataPath),
                                                   a.steps);

    // Walk the pairs (and the levels of the panel factor) as the window's buttons do.
    CellMeansBrowser browser(design, scores, pairs, CellMeansMode::Means, false,
                             unequal ? std::make_optional(unequal->weights) : std::nullopt);
    std::vector<MeansGrid> grids;
    for (;;) {
        if (panelFactor != 0) {
            const std::vector<int> choices = browser.panelFactorChoices();
            if (std::find(choices.begin(), choices.end(), panelFactor) == choices.end())
                fail("--panels " + inQuotes(*a.panels) + ": the panels need a substantive factor that is not in "
                     "the pair " + pairList(design, {pairs[size_t(browser.pairNumber() - 1)]}) + ".");
            browser.showPanels(panelFactor);
            while (browser.panelsShown()) {
                grids.push_back(browser.grid());
                browser.nextLevel();
            }
        } else {
            grids.push_back(browser.grid());
        }
        if (browser.nextSet())
            break;
    }

    if (format == Format::Json) {
        out << meansJson(design, grids, unequal ? unequalModeInfo(unequal->mode).name : nullptr,
                         unequal && unequal->weights.weightedMargins);
    } else if (format == Format::Csv) {
        out << meansCsv(design, grids, unequal.has_value());
    } else {
        // The Cell Means window's title marks the means of an unweighted-means analysis.
        if (unequal && unequal->mode == UnequalAnalysisMode::UnweightedMeans)
            out << cellMeansTitle(false, true) << "\n";
        out << meansText(grids, !a.steps.empty());
    }
    return kExitTable;
}

int simpleEffectsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const std::optional<Arguments> given = dataCommandArguments(args, out);
    if (!given)
        return kExitTable;
    const Arguments& a = *given;
    if (a.effectSizes)
        fail("--effect-sizes belongs to the analyze command.");
    if (a.sphericity)
        fail("--sphericity belongs to the analyze command.");
    if (!a.trends.empty() || !a.contrasts.empty())
        fail("--trend and --contrast belong to the analyze command.");
    if (a.panels)
        fail("--panels belongs to the means command.");
    if (a.pairs.size() > 1)
        fail("--pair is given more than once: simple effects are shown for one pair at a time.");
    if (a.mode) {
        if (importRequested(a))
            fail("--mode reads an \"Unequal N\" data file, not a researcher's table.");
        return unequalSimpleEffectsCommand(a, out, err);
    }
    const Format format = parseFormat(a.format);
    std::optional<ImportedData> imported;
    if (importRequested(a)) {
        imported = importData(a, err);
        if (imported->data.unequalN())
            fail("the cells of " + a.dataPath + " hold different numbers of scores; simple effects need one score "
                 "per cell.");
    }
    Design design = imported ? imported->design : buildDesign(a.factors);
    if (!imported) {
        applyTypeAndDesignation(design, a);
        applyNesting(design, a.nests);
    }
    if (design.anovaType == AnovaType::NoFRatios)
        fail("simple effects need F-ratios: choose --type independent or repeated.");

    const PairSelector selector(design, PairPurpose::SimpleEffects);
    if (a.pairs.empty() && selector.unavailable())
        refuse(*selector.unavailable());
    FactorPair pair;
    if (!a.pairs.empty())
        pair = offeredPair(design, a.pairs.front(), selector, PairPurpose::SimpleEffects);
    else if (selector.pairs().size() == 1)
        pair = selector.pairs().front();
    else
        fail("--pair is missing: choose one of " + pairList(design, selector.pairs()) + ".");
    std::vector<std::string> applied;
    const Scores scores =
        applyDataSteps(imported ? scoresOf(imported->data) : readScores(design, a.dataPath), a.steps, &applied);

    const ShownPair shown = showPair(design, pair);
    CliPrompts prompts(err);
    const SimpleEffectsOutcome outcome =
        computeSimpleEffects(design, scores, shown.columnFactor, shown.rowFactor, prompts);
    if (!outcome.table) {
        err << kProgram << ": the simple effects cannot be shown; no table.\n";
        return kExitNoTable;
    }
    if (format == Format::Json) {
        out << jsonText(*outcome.table, std::nullopt, prompts.messages);
        return kExitTable;
    }
    const std::vector<DisplayRow> display = formatTableCells(*outcome.table, false);
    if (format == Format::Csv)
        out << csvText(display, exactTails(*outcome.table));
    else
        out << withUnixLineEndings(copyTableText(tableHeading(), design, display))
            << notesText(notesWithSteps(outcome.table->notes, applied), "\n");
    return kExitTable;
}

}  // namespace varisect
