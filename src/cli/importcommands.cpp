// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/importcommands.h"

#include <algorithm>

#include "cli/cli.h"
#include "cli/cliarguments.h"
#include "cli/unequalcommands.h"
#include "data/datafilewriter.h"
#include "design/nesting.h"
#include "import/export.h"
#include "import/importtable.h"
#include "import/layout.h"

namespace varisect {

using namespace clisupport;

namespace {

bool anyLayoutOption(const Arguments& a)
{
    return a.scoreColumn || !a.factorColumns.empty() || a.subjectColumn || !a.subjectGroups.empty() ||
           !a.cellColumns.empty() ||
           !a.betweenColumns.empty() || !a.withinFactors.empty() || a.sheet || a.separator || a.dropIncomplete;
}

std::vector<std::string> splitCommas(const std::vector<std::string>& given)
{
    std::vector<std::string> out;
    for (const std::string& g : given) {
        std::string part;
        for (const char c : g + ",") {
            if (c == ',') {
                if (!part.empty())
                    out.push_back(part);
                part.clear();
            } else {
                part += c;
            }
        }
    }
    return out;
}

std::string columnNames(const ImportTable& table)
{
    std::string s;
    for (const ImportColumn& c : table.columns)
        s += (s.empty() ? "\"" : ", \"") + c.name + "\"";
    return s;
}

// A column by its name (exactly, then in any case) or by "#N", its 1-based position.
int column(const ImportTable& table, const std::string& ref, const std::string& option)
{
    if (ref.size() > 1 && ref[0] == '#' && ref.size() < 8 && ref.find_first_not_of("0123456789", 1) == std::string::npos) {
        const int n = std::stoi(ref.substr(1));
        if (n >= 1 && n <= table.columnCount())
            return n - 1;
    }
    const int c = table.columnIndex(ref);
    if (c < 0)
        fail(option + " " + inQuotes(ref) + ": " + table.sourceName + " has no such column (its columns: " +
             columnNames(table) + ").");
    return c;
}

ImportTable readTable(const Arguments& a)
{
    ImportOptions options;
    if (a.sheet)
        options.sheet = *a.sheet;
    if (a.separator) {
        const std::string s = lowered(*a.separator);
        if (s == "comma" || s == ",")
            options.delimiter = ',';
        else if (s == "semicolon" || s == ";")
            options.delimiter = ';';
        else if (s == "tab" || s == "\\t" || s == "\t")
            options.delimiter = '\t';
        else
            fail("--separator " + inQuotes(*a.separator) + ": choose comma, semicolon or tab.");
    }
    ImportResult result = importFormatOf(a.dataPath) == ImportFormat::Unknown ? readCsvFile(a.dataPath, options)
                                                                             : readTableFile(a.dataPath, options);
    if (!result.ok())
        fail(result.error->message);
    return std::move(*result.table);
}

std::string namesOf(const ImportTable& table, const std::vector<int>& columns)
{
    std::string s;
    for (const int c : columns)
        s += (s.empty() ? "\"" : ", \"") + table.columns[static_cast<std::size_t>(c)].name + "\"";
    return s.empty() ? "none" : s;
}

ImportProposal propose(const Arguments& a, const ImportTable& table, std::ostream& err)
{
    ProposalOptions options;
    options.dropIncompleteRows = a.dropIncomplete;
    const bool wide = !a.cellColumns.empty() || !a.betweenColumns.empty() || !a.withinFactors.empty();
    if (wide && (a.scoreColumn || !a.factorColumns.empty() || !a.subjectGroups.empty()))
        fail("--score, --factor-column and --subjects-within describe long data, --cells, --between and --within "
             "wide data: give one layout.");
    // Subjects numbered within groups: the group columns are factors, and the subject column is needed.
    const auto numberedWithin = [&](LongMapping& m) {
        for (const std::string& ref : splitCommas(a.subjectGroups)) {
            const int c = column(table, ref, "--subjects-within");
            if (m.subjectColumn < 0)
                fail("--subjects-within needs the subject column: name it with --subject.");
            if (std::find(m.factorColumns.begin(), m.factorColumns.end(), c) == m.factorColumns.end())
                m.factorColumns.push_back(c);
            m.subjectGroupColumns.push_back(c);
        }
    };
    if (wide) {
        if (a.cellColumns.empty())
            fail("--cells is missing: name the columns that hold the within-subject cells.");
        WideMapping m;
        for (const std::string& ref : splitCommas(a.cellColumns))
            m.cellColumns.push_back(column(table, ref, "--cells"));
        for (const std::string& ref : splitCommas(a.betweenColumns))
            m.betweenColumns.push_back(column(table, ref, "--between"));
        if (a.subjectColumn)
            m.subjectColumn = column(table, *a.subjectColumn, "--subject");
        std::vector<std::string> headers;
        for (const int c : m.cellColumns)
            headers.push_back(table.columns[static_cast<std::size_t>(c)].name);
        if (!a.withinFactors.empty()) {
            std::vector<std::pair<std::string, int>> factors;
            for (const std::string& w : a.withinFactors) {
                const auto eq = w.rfind('=');
                const std::string levels = eq == std::string::npos ? "" : w.substr(eq + 1);
                if (eq == std::string::npos || eq == 0 || levels.empty() || levels.size() > 5 ||
                    levels.find_first_not_of("0123456789") != std::string::npos)
                    fail("--within " + inQuotes(w) + ": write NAME=LEVELS, for example Time=3.");
                factors.emplace_back(w.substr(0, eq), std::stoi(levels));
            }
            const auto split = withinByOrder(factors, static_cast<int>(m.cellColumns.size()));
            if (!split)
                fail("--within: the levels of the within-subject factors must multiply to the " +
                     std::to_string(m.cellColumns.size()) + " cell columns (each factor 2 levels or more).");
            m.within = *split;
        } else {
            const auto split = splitCellHeaders(headers);
            if (!split)
                fail("--cells: name at least 2 different cell columns.");
            m.within = *split;
        }
        return proposeFromWide(table, m, options);
    }
    if (a.scoreColumn || !a.factorColumns.empty()) {
        if (!a.scoreColumn)
            fail("--score is missing: name the column that holds the scores.");
        LongMapping m;
        m.scoreColumn = column(table, *a.scoreColumn, "--score");
        for (const std::string& ref : splitCommas(a.factorColumns))
            m.factorColumns.push_back(column(table, ref, "--factor-column"));
        if (m.factorColumns.empty())
            fail("--factor-column is missing: name the columns that hold the factors.");
        if (a.subjectColumn)
            m.subjectColumn = column(table, *a.subjectColumn, "--subject");
        numberedWithin(m);
        return proposeFromLong(table, m, options);
    }
    // Nothing named: the layout the table seems to have, said on the error stream.
    LayoutGuess guess = guessLayout(table);
    if (a.subjectColumn) {
        guess.longMapping.subjectColumn = guess.wideMapping.subjectColumn = column(table, *a.subjectColumn, "--subject");
        auto& f = guess.longMapping.factorColumns;
        f.erase(std::remove(f.begin(), f.end(), guess.longMapping.subjectColumn), f.end());
        auto& b = guess.wideMapping.betweenColumns;
        b.erase(std::remove(b.begin(), b.end(), guess.wideMapping.subjectColumn), b.end());
    }
    if (!a.subjectGroups.empty())
        guess.shape = DataShape::Long;  // only long data number subjects within groups
    if (guess.shape == DataShape::Wide) {
        err << kProgram << ": reading " << table.sourceName << " as wide data: cells " << namesOf(table, guess.wideMapping.cellColumns)
            << ", between-subject factors " << namesOf(table, guess.wideMapping.betweenColumns) << ", subjects "
            << (guess.wideMapping.subjectColumn < 0 ? std::string("one per row")
                                                    : namesOf(table, {guess.wideMapping.subjectColumn}))
            << " (name them with --cells, --between and --subject).\n";
        return proposeFromWide(table, guess.wideMapping, options);
    }
    if (guess.longMapping.scoreColumn < 0)
        fail(table.sourceName + ": no column holds numbers only; name the score column with --score.");
    numberedWithin(guess.longMapping);
    err << kProgram << ": reading " << table.sourceName << " as long data: scores "
        << namesOf(table, {guess.longMapping.scoreColumn}) << ", factors " << namesOf(table, guess.longMapping.factorColumns)
        << ", subjects "
        << (guess.longMapping.subjectColumn < 0 ? std::string("none") : namesOf(table, {guess.longMapping.subjectColumn}))
        << " (name them with --score, --factor-column and --subject).\n";
    return proposeFromLong(table, guess.longMapping, options);
}

}  // namespace

Scores scoresOf(const DataLayout& data)
{
    Scores scores;
    scores.reserve(data.items.size());
    for (const ScoreItem& item : data.items)
        scores.push_back(item.value);
    return scores;
}

bool importRequested(const Arguments& a)
{
    if (anyLayoutOption(a))
        return true;
    const ImportFormat format = importFormatOf(a.dataPath);
    if (format == ImportFormat::Unknown)
        return false;
    if (format == ImportFormat::Csv) {
        std::string ext = a.dataPath.size() >= 4 ? lowered(a.dataPath.substr(a.dataPath.size() - 4)) : "";
        return ext != ".txt";  // a .txt file may be a score file
    }
    return true;
}

ImportedData importData(const Arguments& a, std::ostream& err)
{
    if (!a.factors.empty())
        fail("--factor describes a score file; the factors and levels of " + a.dataPath +
             " come from its columns (see --score, --factor-column, --cells).");
    const ImportTable table = readTable(a);
    const ImportProposal proposal = propose(a, table, err);
    for (const std::string& note : proposal.notes)
        err << kProgram << ": " << note << '\n';
    for (const ImportIssue& issue : proposal.issues)
        err << kProgram << ": " << table.sourceName << ": " << issue.text << '\n';
    if (proposal.refusal)
        fail(table.sourceName + ": " + *proposal.refusal);
    if (!proposal.ready()) {
        const bool independent = proposal.mayDropIncomplete;
        fail(table.sourceName + ": the data are not complete (" + std::to_string(proposal.issues.size()) +
             (proposal.issues.size() == 1 ? " problem" : " problems") + " listed above)" +
             (independent
                  ? "; for independent groups, --drop-incomplete leaves out the rows with a missing value."
                  : "."));
    }
    ImportedData imported;
    imported.design = proposal.design;
    imported.data = *proposal.data;
    for (const ProposedFactor& f : proposal.factors)
        imported.labels.push_back(f.fullLabels);

    Design& design = imported.design;
    if (a.type) {
        const std::string t = lowered(*a.type);
        if (t == "independent")
            design.anovaType = AnovaType::IndependentGroups;
        else if (t == "repeated")
            design.anovaType = AnovaType::RepeatedMeasures;
        else if (t == "none")
            design.anovaType = AnovaType::NoFRatios;
        else
            fail("--type " + inQuotes(*a.type) + ": choose independent, repeated or none.");
    }
    if (a.designate)
        design.designatedFactor = resolveFactor(design, *a.designate, "--designate " + inQuotes(*a.designate));
    if (design.anovaType != AnovaType::NoFRatios && design.designatedFactor == 0)
        fail("--designate is missing: every cell holds one score, so name the replicates or subjects factor.");
    if (!a.nests.empty()) {
        std::vector<NestRelation> selected = design.nestingMatrix;
        for (const std::string& given : a.nests) {
            const std::string where = "--nest " + inQuotes(given);
            const auto colon = given.find(':');
            if (colon == std::string::npos)
                fail(where + ": write NESTED:OUTER, for example Subjects:Drug.");
            const int inner = resolveFactor(design, given.substr(0, colon), where);
            const int outer = resolveFactor(design, given.substr(colon + 1), where);
            const NestRelation r{design.factor(inner).tableLabel, design.factor(outer).tableLabel};
            if (std::find(selected.begin(), selected.end(), r) == selected.end())
                selected.push_back(r);
        }
        const NestingOutcome outcome = closeNesting(tableLabelsOf(design), selected, false);
        if (!outcome.ok())
            failWith(outcome.error->title, outcome.error->text);
        design.nested = true;
        design.nestingMatrix = outcome.matrix;
    }
    return imported;
}

int importedUnequalAnalyze(const Arguments& a, const ImportedData& imported, std::ostream& out, std::ostream& err)
{
    if (!a.mode) {
        const bool groups = imported.data.kind == DataLayout::Kind::GroupSizes;
        std::string sizes;
        for (const long n : imported.data.cellSizes)
            sizes += (sizes.empty() ? "" : ", ") + std::to_string(n);
        fail(a.dataPath + ": the " + (groups ? "groups" : "cells") + " hold different numbers of " +
             (groups ? "subjects" : "scores") + " (" + sizes + "); choose " +
             (groups ? "--mode groupsizes" : "--mode unweighted, proportional or attrition") +
             " for an analysis of unequal cell sizes.");
    }
    return unequalAnalyzeLayout(a, imported.design, imported.data, out, err);
}

namespace {

std::string typeWord(AnovaType t)
{
    switch (t) {
    case AnovaType::IndependentGroups: return "independent";
    case AnovaType::RepeatedMeasures: return "repeated";
    case AnovaType::NoFRatios: break;
    }
    return "none";
}

// The design as varisect-cli's options for the score file, and the level labels.
std::string designSummary(const Design& design, const DataLayout& data, const std::vector<std::vector<std::string>>& labels,
                          const std::string& scoreFile)
{
    std::string out;
    for (int k = 1; k <= design.factorCount(); ++k) {
        const Factor& f = design.factor(k);
        out += "Factor " + std::to_string(k) + ": " + f.name + ", " + std::to_string(f.levels) + " levels";
        if (k == design.designatedFactor)
            out += std::string(" (the ") +
                   (design.anovaType == AnovaType::RepeatedMeasures ? "subjects" : "replicates") + " factor)";
        else if (static_cast<std::size_t>(k) <= labels.size()) {
            out += ":";
            for (std::size_t i = 0; i < labels[static_cast<std::size_t>(k - 1)].size(); ++i)
                out += " " + labels[static_cast<std::size_t>(k - 1)][i] +
                       (i < f.levelLabels.size() && f.levelLabels[i] != labels[static_cast<std::size_t>(k - 1)][i]
                            ? " [" + f.levelLabels[i] + "]"
                            : "");
        }
        out += "\n";
    }
    if (data.unequalN()) {
        out += "Cell sizes:";
        for (const long n : data.cellSizes)
            out += " " + std::to_string(n);
        out += "\n";
    }
    std::string command = kProgram + " analyze " + (scoreFile.empty() ? std::string("SCORES.dat") : scoreFile);
    for (const Factor& f : design.factors)
        command += " --factor " + f.name + "=" + std::to_string(f.levels);
    if (data.unequalN()) {
        command += data.kind == DataLayout::Kind::GroupSizes ? " --mode groupsizes" : " --mode unweighted";
    } else {
        command += " --type " + typeWord(design.anovaType);
        if (design.designatedFactor > 0)
            command += " --designate " + design.factor(design.designatedFactor).name;
        for (const NestRelation& r : design.nestingMatrix)
            command += std::string(" --nest ") + r.nested + ":" + r.nesting;
    }
    bool quoted = false;
    for (const Factor& f : design.factors)
        quoted = quoted || f.name.find_first_of(" '\"") != std::string::npos;
    return out + (quoted ? "Analyse with (quote the names with blanks):\n  " : "Analyse with:\n  ") + command + "\n";
}

}  // namespace

int exportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const std::optional<Arguments> given = dataCommandArguments(args, out);
    if (!given)
        return kExitTable;
    const Arguments& a = *given;
    if (!a.writeScores && !a.writeCsv)
        fail("nothing to write: give --write-scores FILE (the score file in design order) or --write-csv FILE (long "
             "CSV), or both.");
    ImportedData imported;
    if (importRequested(a)) {
        imported = importData(a, err);
    } else {
        // A score file with its design on the command line.
        imported.design = buildDesign(a.factors);
        if (a.type)
            applyTypeAndDesignation(imported.design, a);
        else if (a.designate)
            imported.design.designatedFactor =
                resolveFactor(imported.design, *a.designate, "--designate " + inQuotes(*a.designate));
        const PlainDataResult data = readPlainDataFile(a.dataPath);
        if (!data.ok())
            fail(data.error->message);
        if (static_cast<long>(data.items.size()) != imported.design.scoreCount())
            fail(a.dataPath + " holds " + std::to_string(data.items.size()) + " scores; the design calls for " +
                 std::to_string(imported.design.scoreCount()) + ".");
        imported.data.items = data.items;
    }
    if (a.writeScores) {
        const WriteResult r = writeDataFile(*a.writeScores, imported.data);
        if (!r.ok())
            fail(*a.writeScores + ": the file could not be written (" + r.description + ").");
    }
    if (a.writeCsv) {
        const WriteResult r =
            writeFileSafely(*a.writeCsv, longCsvText(imported.design, imported.data, imported.labels));
        if (!r.ok())
            fail(*a.writeCsv + ": the file could not be written (" + r.description + ").");
    }
    out << designSummary(imported.design, imported.data, imported.labels, a.writeScores.value_or(""));
    return kExitTable;
}

}  // namespace varisect
