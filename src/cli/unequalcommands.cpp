// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/unequalcommands.h"

#include "cli/cli.h"
#include "cli/cliarguments.h"
#include "table/tabletext.h"
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

// The options every unequal-cell-size analysis checks before it reads any data.
void checkModeOptions(const Arguments& a, UnequalAnalysisMode mode)
{
    parseFormat(a.format);
    if (a.effectSizes)
        fail("--effect-sizes is not available with --mode: the unequal-cell-size tables have no effect sizes.");
    checkModeType(a, mode);
}

// `json` as jsonText writes it, with the mode's own figures in front of the rows.
std::string withLeadingKeys(const std::string& json, const std::string& keys)
{
    return "{" + keys + ",\n" + json.substr(1);
}

}  // namespace

int analyzeUnequalFile(const Arguments& a, UnequalAnalysisMode mode, const UnequalFileRead& read, std::ostream& out,
                       std::ostream& err);

int unequalAnalyzeCommand(const Arguments& a, std::ostream& out, std::ostream& err)
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

    return analyzeUnequalFile(a, mode, readUnequalFile(a.dataPath, design, mode, FileRoles::Adopt), out, err);
}

int unequalAnalyzeLayout(const Arguments& a, const Design& design, DataLayout layout, std::ostream& out,
                         std::ostream& err)
{
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
    return analyzeUnequalFile(a, mode, unequalFileFromLayout(std::move(layout), design, mode, FileRoles::Adopt, a.dataPath),
                              out, err);
}

int analyzeUnequalFile(const Arguments& a, UnequalAnalysisMode mode, const UnequalFileRead& read, std::ostream& out,
                       std::ostream& err)
{
    const char* name = unequalModeInfo(mode).name;
    const Format format = parseFormat(a.format);
    if (!read.ok()) {
        const UnequalFileProblem& p = *read.problem;
        if (p.detailSaysAll)
            fail(p.detail);
        failWith(p.message.title, p.message.text, p.detail);
    }
    const UnequalFile& file = *read.file;
    if (a.designate) {
        const int named = resolveFactor(file.design, *a.designate, "--designate " + inQuotes(*a.designate));
        if (named != file.design.designatedFactor)
            fail("--designate " + inQuotes(*a.designate) + ": " + a.dataPath + " names " +
                 factorNamed(file.design, file.design.designatedFactor) + " as the " +
                 (mode == UnequalAnalysisMode::GroupSizes ? "subjects" : "replicates") + " factor.");
    }
    // The scores as read, transformed and screened in the order given.
    std::vector<std::string> applied;
    const Scores scores = applyDataSteps(file.scores, a.steps, &applied);

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
    out << withUnixLineEndings(copyTableText(tableHeading(run.titlePrefix), shown, display))
        << notesText(notesWithSteps(run.table->notes, mode == UnequalAnalysisMode::Attrition
                                                              ? std::vector<std::string>{}  // sizes alone
                                                              : applied),
                     "\n");
    return kExitTable;
}

}  // namespace varisect
