// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/unequalcommands.h"

#include "cli/cli.h"
#include "cli/cliarguments.h"
#include "data/datafile.h"
#include "data/datafilemessages.h"
#include "engine/numbertext.h"
#include "table/tabletext.h"
#include "unequal/attrition.h"
#include "unequal/cellsizes.h"
#include "unequal/groupsizes.h"
#include "unequal/proportional.h"
#include "unequal/unweightedmeans.h"

namespace varisect {

using namespace clisupport;

namespace {

struct ModeInfo {
    const char* name;
    AnalysisMode mode;
    UnequalAnalysis fileKind;
    const char* titlePrefix;
};

const ModeInfo kModes[] = {
    {"attrition", AnalysisMode::Attrition, UnequalAnalysis::UnweightedMeans, "Attrition "},
    {"unweighted", AnalysisMode::UnweightedMeans, UnequalAnalysis::UnweightedMeans, "Unweighted Means "},
    {"proportional", AnalysisMode::Proportional, UnequalAnalysis::ProportionalCellSizes, "Proportional Cell Size "},
    {"groupsizes", AnalysisMode::UnequalGroupSizes, UnequalAnalysis::UnequalGroupSizes, "Unequal Group Size "},
};

const ModeInfo& parseMode(const std::string& value)
{
    for (const ModeInfo& m : kModes)
        if (lowered(value) == m.name)
            return m;
    fail("--mode " + inQuotes(value) + ": choose attrition, unweighted, proportional or groupsizes.");
}

std::string factorNamed(const Design& design, int k)
{
    return "factor " + std::to_string(k) + " (" + design.factor(k).name + ")";
}

// The type the mode analyses; --type, when given, must name it.
void applyModeType(Design& design, const Arguments& a, const ModeInfo& mode)
{
    const bool repeated = mode.mode == AnalysisMode::UnequalGroupSizes;
    design.anovaType = repeated ? AnovaType::RepeatedMeasures : AnovaType::IndependentGroups;
    const char* wanted = repeated ? "repeated" : "independent";
    if (a.type && lowered(*a.type) != wanted)
        fail("--type " + inQuotes(*a.type) + " does not fit --mode " + mode.name + ", which analyses " +
             (repeated ? "repeated measures" : "independent groups") + ".");
}

// The roles the file's header gives the factors, checked against --designate and put into the
// design: the designated factor, and for unequal group sizes the subjects nested under the
// grouping factor.
void applyFileRoles(Design& design, const Arguments& a, const DataLayout& layout, const ModeInfo& mode,
                    const std::string& path)
{
    design.designatedFactor = layout.designatedFactor;
    if (a.designate) {
        const int named = resolveFactor(design, *a.designate, "--designate " + inQuotes(*a.designate));
        if (named != layout.designatedFactor)
            fail("--designate " + inQuotes(*a.designate) + ": " + path + " names " +
                 factorNamed(design, layout.designatedFactor) + " as the " +
                 (mode.mode == AnalysisMode::UnequalGroupSizes ? "subjects" : "replicates") + " factor.");
    }
    if (mode.mode != AnalysisMode::UnequalGroupSizes) {
        applyNesting(design, a.nests);
        return;
    }
    // The reader has made sure that the three factor numbers differ.
    design.nested = true;
    design.nestingMatrix = {
        {design.factor(layout.designatedFactor).tableLabel, design.factor(layout.groupingFactor).tableLabel}};
}

// `json` as jsonText writes it, with the mode's own figures in front of the rows.
std::string withLeadingKeys(const std::string& json, const std::string& keys)
{
    return "{" + keys + ",\n" + json.substr(1);
}

}  // namespace

int unequalAnalyzeCommand(const Arguments& a, std::ostream& out, std::ostream& err)
{
    const ModeInfo& mode = parseMode(*a.mode);
    const Format format = parseFormat(a.format);
    if (a.effectSizes)
        fail("--effect-sizes is not available with --mode: the unequal-cell-size tables have no effect sizes.");
    const bool twoSubstantive = mode.mode == AnalysisMode::Proportional || mode.mode == AnalysisMode::UnequalGroupSizes;
    if (twoSubstantive && !a.nests.empty())
        fail(std::string("--nest does not apply to --mode ") + mode.name +
             (mode.mode == AnalysisMode::Proportional ? ": the two substantive factors are crossed."
                                                      : ": the data file says under which factor the subjects are "
                                                        "nested."));

    Design design = buildDesign(a.factors);
    applyModeType(design, a, mode);
    if (twoSubstantive && design.factorCount() != 3)
        fail(std::string("--mode ") + mode.name + " needs three factors: two substantive factors and the " +
             (mode.mode == AnalysisMode::Proportional ? "replicates" : "subjects") + " factor.");

    const DataLayoutResult data = readUnequalNDataFile(a.dataPath, mode.fileKind);
    if (!data.ok()) {
        if (data.error->kind == DataReadError::Kind::NotUnequalNFile) {
            const Message m = notSavedForAnalysisMessage(mode.fileKind);
            failWith(m.title, m.text, data.error->message);
        }
        fail(data.error->message);
    }
    const DataLayout& layout = data.layout;
    if (const auto mismatch = checkLayoutAgainstDesign(layout, design, a.dataPath))
        fail(mismatch->message);
    applyFileRoles(design, a, layout, mode, a.dataPath);
    const long expected = expectedScoreCount(layout, design);
    if (static_cast<long>(layout.items.size()) != expected) {
        const Message m = scoreCountMismatchMessage(false);
        failWith(m.title, m.text,
                 a.dataPath + " holds " + std::to_string(layout.items.size()) + " scores; its header calls for " +
                     std::to_string(expected) + ".");
    }

    std::vector<double> values(layout.cellSizes.begin(), layout.cellSizes.end());
    const CellSizeCheck check = checkCellSizes(values, design, mode.mode);
    if (!check.ok())
        failWith(check.message->title, check.message->text,
                 check.failedEntry == 0
                     ? a.dataPath + ":"
                     : a.dataPath + ", " + (mode.mode == AnalysisMode::UnequalGroupSizes ? "group " : "cell ") +
                           std::to_string(check.failedEntry) + " (line " +
                           std::to_string(layout.headerLineCount() - static_cast<long>(layout.cellSizes.size()) +
                                          check.failedEntry) +
                           "):");

    Scores scores;
    int imputed = 0;
    for (const ScoreItem& item : layout.items) {
        scores.push_back(item.value);
        imputed += item.imputed ? 1 : 0;
    }

    CliPrompts prompts(err);
    std::optional<AnovaTable> table;
    std::string keys = "\"mode\":" + jsonQuoted(mode.name);
    Design shown = design;  // the design the table's legend describes
    shown.imputedCount = 0;
    switch (mode.mode) {
    case AnalysisMode::Attrition: {
        const AttritionOutcome o = runAttritionTest(design, check.sizes, prompts);
        table = o.table;
        keys += std::string(",\"attrition_significant\":") + (o.significant ? "true" : "false");
        break;
    }
    case AnalysisMode::UnweightedMeans: {
        const UnweightedMeansOutcome o = unweightedMeansAnalysis(design, check.sizes, scores, prompts);
        table = o.table;
        keys += ",\"harmonic_mean_cell_size\":" + jsonNumber(o.harmonicMeanCellSize);
        break;
    }
    case AnalysisMode::Proportional:
        table = proportionalAnalysis(design, check.sizes, scores, prompts).table;
        break;
    case AnalysisMode::UnequalGroupSizes:
        table = unequalGroupSizesAnalysis(design, check.sizes, scores, imputed, prompts).table;
        shown.imputedCount = imputed;
        break;
    case AnalysisMode::Ordinary:
        break;
    }
    if (!table) {
        err << kProgram << ": the analysis cannot be completed; no table.\n";
        return kExitNoTable;
    }

    if (format == Format::Json) {
        out << withLeadingKeys(jsonText(*table, std::nullopt, prompts.messages), keys);
        return kExitTable;
    }
    const std::vector<DisplayRow> display = formatTableCells(*table, false);
    if (format == Format::Csv)
        out << csvText(display, exactTails(*table));
    else
        out << withUnixLineEndings(copyTableText(tableHeading(mode.titlePrefix), shown, display));
    return kExitTable;
}

}  // namespace varisect
