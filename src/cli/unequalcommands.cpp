// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/unequalcommands.h"

#include <algorithm>
#include <stdexcept>

#include "cli/cli.h"
#include "cli/cliarguments.h"
#include "means/pairselector.h"
#include "table/tabletext.h"
#include "unequal/unequalsimpleeffects.h"
#include "unequal/unequalworkflow.h"

namespace varisect {

using namespace clisupport;

namespace {

UnequalAnalysisMode parseMode(const std::string& value)
{
    if (const std::optional<UnequalAnalysisMode> mode = unequalModeNamed(value))
        return *mode;
    fail("--mode " + inQuotes(value) + ": choose attrition, unweighted, proportional or groupsizes.");
}

std::string factorNamed(const Design& design, int k)
{
    return "factor " + std::to_string(k) + " (" + design.factor(k).name + ")";
}

// The type the mode analyses; --type, when given, must name it.
void checkModeType(const Arguments& a, UnequalAnalysisMode mode)
{
    const bool repeated = mode == UnequalAnalysisMode::GroupSizes;
    const char* wanted = repeated ? "repeated" : "independent";
    if (a.type && lowered(*a.type) != wanted)
        fail("--type " + inQuotes(*a.type) + " does not fit --mode " + unequalModeInfo(mode).name +
             ", which analyses " + (repeated ? "repeated measures" : "independent groups") + ".");
}

// `json` as jsonText writes it, with the mode's own figures in front of the rows.
std::string withLeadingKeys(const std::string& json, const std::string& keys)
{
    return "{" + keys + ",\n" + json.substr(1);
}

// The file of --mode read for its design and checked, and its scores after --transform and
// --screen.
struct UnequalInput {
    UnequalAnalysisMode mode;
    UnequalFile file;
    Scores scores;
    std::vector<std::string> applied;
};

// The options every unequal-cell-size analysis checks before it reads any data.
void checkModeOptions(const Arguments& a, UnequalAnalysisMode mode)
{
    parseFormat(a.format);
    checkModeType(a, mode);
}

// `read` checked: its scores after --transform and --screen.
UnequalInput inputFromRead(const Arguments& a, UnequalAnalysisMode mode, UnequalFileRead read)
{
    if (!read.ok()) {
        const UnequalFileProblem& p = *read.problem;
        if (p.detailSaysAll)
            fail(p.detail);
        failWith(p.message.title, p.message.text, p.detail);
    }
    UnequalInput input{mode, std::move(*read.file), {}, {}};
    const UnequalFile& file = input.file;
    if (a.designate) {
        const int named = resolveFactor(file.design, *a.designate, "--designate " + inQuotes(*a.designate));
        if (named != file.design.designatedFactor)
            fail("--designate " + inQuotes(*a.designate) + ": " + a.dataPath + " names " +
                 factorNamed(file.design, file.design.designatedFactor) + " as the " +
                 (mode == UnequalAnalysisMode::GroupSizes ? "subjects" : "replicates") + " factor.");
    }
    // The scores as read, transformed and screened in the order given.
    input.scores = applyDataSteps(file.scores, a.steps, &input.applied);
    return input;
}

UnequalInput readUnequalInput(const Arguments& a)
{
    const UnequalAnalysisMode mode = parseMode(*a.mode);
    const char* name = unequalModeInfo(mode).name;
    checkModeOptions(a, mode);
    const bool twoSubstantive = mode == UnequalAnalysisMode::Proportional || mode == UnequalAnalysisMode::GroupSizes;
    if (twoSubstantive && !a.nests.empty())
        fail(std::string("--nest does not apply to --mode ") + name +
             (mode == UnequalAnalysisMode::Proportional ? ": the two substantive factors are crossed."
                                                : ": the data file says under which factor the subjects are "
                                                  "nested."));

    Design design = buildDesign(a.factors);
    if (twoSubstantive && design.factorCount() != 3)
        fail(std::string("--mode ") + name + " needs three factors: two substantive factors and the " +
             (mode == UnequalAnalysisMode::Proportional ? "replicates" : "subjects") + " factor.");
    applyNesting(design, a.nests);
    return inputFromRead(a, mode, readUnequalFile(a.dataPath, design, mode, FileRoles::Adopt));
}

// The modes whose tables have cell means and simple effects.
void requireCells(UnequalAnalysisMode mode, const char* what)
{
    if (mode == UnequalAnalysisMode::Attrition)
        fail(std::string("--mode attrition has no ") + what + ": the test reads the cell sizes alone.");
}

}  // namespace

namespace {

void refuseEffectSizes(const Arguments& a)
{
    if (a.effectSizes)
        fail("--effect-sizes is not available with --mode: the unequal-cell-size tables have no effect sizes.");
}

int analyzeInput(const Arguments& a, const UnequalInput& input, std::ostream& out, std::ostream& err)
{
    const Format format = parseFormat(a.format);
    const UnequalAnalysisMode mode = input.mode;
    const char* name = unequalModeInfo(mode).name;
    const UnequalFile& file = input.file;
    const Scores& scores = input.scores;
    const std::vector<std::string>& applied = input.applied;

    CliPrompts prompts(err);
    const UnequalRun run = runUnequalAnalysis(mode, file.design, file.sizes, scores, file.imputed, prompts, false);
    if (run.refusal)
        failWith(run.refusal->title, run.refusal->text, a.dataPath + ":");
    if (!run.table) {
        err << kProgram << ": the analysis cannot be completed; no table.\n";
        return kExitNoTable;
    }

    std::string keys = "\"mode\":" + jsonQuoted(name);
    if (mode == UnequalAnalysisMode::Attrition)
        keys += std::string(",\"attrition_significant\":") + (run.attritionSignificant ? "true" : "false");
    if (mode == UnequalAnalysisMode::UnweightedMeans)
        keys += ",\"harmonic_mean_cell_size\":" + jsonNumber(run.harmonicMeanCellSize);
    if (format == Format::Json) {
        out << withLeadingKeys(jsonText(*run.table, std::nullopt, prompts.messages), keys);
        return kExitTable;
    }
    const std::vector<DisplayRow> display = formatTableCells(*run.table, false);
    if (format == Format::Csv) {
        out << csvText(display, exactTails(*run.table));
        return kExitTable;
    }
    // The legend names every factor of the file, the replicates (subjects) factor too.
    Design shown = file.design;
    shown.imputedCount = mode == UnequalAnalysisMode::GroupSizes ? file.imputedCount : 0;
    // The cells hold different numbers of scores: the legend gives no level counts.
    out << withUnixLineEndings(copyTableText(tableHeading(run.titlePrefix), shown, display, false, false))
        << notesText(notesWithSteps(run.table->notes, mode == UnequalAnalysisMode::Attrition
                                                              ? std::vector<std::string>{}  // sizes alone
                                                              : applied),
                     "\n");
    return kExitTable;
}

}  // namespace

int unequalAnalyzeCommand(const Arguments& a, std::ostream& out, std::ostream& err)
{
    refuseEffectSizes(a);
    return analyzeInput(a, readUnequalInput(a), out, err);
}

int unequalAnalyzeLayout(const Arguments& a, const Design& design, DataLayout layout, std::ostream& out,
                         std::ostream& err)
{
    refuseEffectSizes(a);
    const UnequalAnalysisMode mode = parseMode(*a.mode);
    checkModeOptions(a, mode);
    const bool groups = layout.kind == DataLayout::Kind::GroupSizes;
    if (groups != (mode == UnequalAnalysisMode::GroupSizes))
        fail(a.dataPath + ": " +
             (groups ? std::string("the data are groups of subjects of unequal sizes; choose --mode groupsizes.")
                     : std::string("the data are independent groups of unequal cell sizes; choose --mode unweighted, "
                                   "proportional or attrition.")));
    if (mode == UnequalAnalysisMode::Proportional && design.factorCount() != 3)
        fail("--mode proportional needs three factors: two substantive factors and the replicates factor.");
    return analyzeInput(
        a, inputFromRead(a, mode, unequalFileFromLayout(std::move(layout), design, mode, FileRoles::Adopt, a.dataPath)),
        out, err);
}

UnequalMeansInput unequalMeansInput(const Arguments& a)
{
    const UnequalInput input = readUnequalInput(a);
    requireCells(input.mode, "cell means");
    UnequalMeansInput out{input.mode, {}, {}, {}, !input.applied.empty()};
    try {
        UnequalCells cells = unequalCells(input.mode, input.file.design, input.file.sizes, input.scores);
        out.design = std::move(cells.cellDesign);
        for (double m : cells.means)
            out.means.push_back(static_cast<float>(m));
        out.weights = CellWeights{std::move(cells.counts), input.mode != UnequalAnalysisMode::UnweightedMeans,
                                  std::move(cells.means)};
    } catch (const std::invalid_argument&) {
        const Message m = missingEntryMessage();  // a cell (group) without scores
        failWith(m.title, m.text, a.dataPath + ":");
    }
    return out;
}

int unequalSimpleEffectsCommand(const Arguments& a, std::ostream& out, std::ostream& err)
{
    const Format format = parseFormat(a.format);
    const UnequalInput input = readUnequalInput(a);
    requireCells(input.mode, "simple effects");
    const UnequalTableData data{input.mode, input.file.design, input.file.sizes, input.scores, input.file.imputed};
    const Design cellDesign = substantiveDesign(input.file.design);
    const PairSelector selector(cellDesign, PairPurpose::SimpleEffects);
    if (selector.pairs().empty())
        throw CliFailure{kExitNoTable, {messageLine(*selector.unavailable())}};
    FactorPair pair = selector.pairs().front();
    if (!a.pairs.empty()) {
        const std::string& given = a.pairs.front();
        const auto comma = given.find(',');
        if (comma == std::string::npos || given.find(',', comma + 1) != std::string::npos)
            fail("--pair " + inQuotes(given) + ": write FIRST,SECOND, for example Drug,Time.");
        const std::string where = "--pair " + inQuotes(given);
        const int x = resolveFactor(cellDesign, given.substr(0, comma), where);
        const int y = resolveFactor(cellDesign, given.substr(comma + 1), where);
        pair = {std::min(x, y), std::max(x, y)};
        const std::vector<FactorPair>& offered = selector.pairs();
        if (x == y || std::find(offered.begin(), offered.end(), pair) == offered.end())
            fail(where + ": not one of the pairs of the factors other than the " +
                 (input.mode == UnequalAnalysisMode::GroupSizes ? "subjects" : "replicates") + " factor.");
    } else if (selector.pairs().size() > 1) {
        std::string list;
        for (const FactorPair& p : selector.pairs())
            list += (list.empty() ? "" : ", ") + cellDesign.factor(p.first).name + " x " + cellDesign.factor(p.second).name;
        fail("--pair is missing: choose one of " + list + ".");
    }

    const ShownPair shown = showPair(cellDesign, pair);
    CliPrompts prompts(err);
    SimpleEffectsOutcome outcome;
    try {
        outcome = data.simpleEffects(shown.columnFactor, shown.rowFactor, prompts, false);
    } catch (const std::invalid_argument&) {
        const Message m = missingEntryMessage();  // a cell (group) without scores
        failWith(m.title, m.text, a.dataPath + ":");
    }
    if (!outcome.table) {
        err << kProgram << ": the simple effects cannot be shown; no table.\n";
        return kExitNoTable;
    }
    if (format == Format::Json) {
        out << withLeadingKeys(jsonText(*outcome.table, std::nullopt, prompts.messages),
                               "\"mode\":" + jsonQuoted(unequalModeInfo(input.mode).name));
        return kExitTable;
    }
    const std::vector<DisplayRow> display = formatTableCells(*outcome.table, false);
    if (format == Format::Csv)
        out << csvText(display, exactTails(*outcome.table));
    else
        out << withUnixLineEndings(copyTableText(tableHeading("Simple Effects "), data.tableDesign(), display, false,
                                                 false))
            << notesText(notesWithSteps(outcome.table->notes, input.applied), "\n");
    return kExitTable;
}

}  // namespace varisect
