// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/importsession.h"

#include <algorithm>

#include "analysis/analysisservice.h"
#include "design/levellabels.h"

namespace varisect {

namespace {

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The within factors of the cell headers, or one factor over all the cells.
WithinSplit headerSplit(const ImportTable& table, const std::vector<int>& cells)
{
    std::vector<std::string> headers;
    for (const int c : cells)
        if (c >= 0 && c < table.columnCount())
            headers.push_back(table.columns[static_cast<std::size_t>(c)].name);
    if (auto split = splitCellHeaders(headers))
        return *split;
    WithinSplit one;
    one.factorNames = {"Condition"};
    for (std::size_t i = 0; i < cells.size(); ++i)
        one.cellLevels.push_back({std::to_string(i + 1)});
    return one;
}

}  // namespace

std::optional<std::string> ImportSession::open(const std::filesystem::path& path, const std::string& sheet)
{
    const SheetList sheets = listSheets(path);
    if (sheets.error)
        return sheets.error->message;
    ImportOptions options;
    options.sheet = sheet;
    ImportResult read = readTableFile(path, options);
    if (!read.ok())
        return read.error->message;
    path_ = path;
    sheets_ = sheets.names;
    sheet_ = sheet.empty() && !sheets_.empty() ? sheets_.front() : sheet;
    table_ = std::move(*read.table);
    const LayoutGuess guess = guessLayout(*table_);
    shape_ = guess.shape;
    long_ = guess.longMapping;
    wide_ = guess.wideMapping;
    if (wide_.within.cellLevels.size() != wide_.cellColumns.size())
        wide_.within = headerSplit(*table_, wide_.cellColumns);
    dropIncomplete_ = false;
    propose();
    return std::nullopt;
}

std::vector<std::vector<std::string>> ImportSession::preview(long count) const
{
    std::vector<std::vector<std::string>> rows;
    if (!table_)
        return rows;
    for (long r = 0; r < std::min(count, table_->rowCount()); ++r) {
        std::vector<std::string> row;
        for (const ImportCell& cell : table_->rows[static_cast<std::size_t>(r)])
            row.push_back(cell.shown());
        rows.push_back(std::move(row));
    }
    return rows;
}

void ImportSession::setShape(DataShape shape)
{
    shape_ = shape;
    propose();
}

void ImportSession::setLongMapping(LongMapping mapping)
{
    long_ = std::move(mapping);
    propose();
}

void ImportSession::setWideMapping(WideMapping mapping)
{
    if (mapping.cellColumns != wide_.cellColumns || mapping.within.cellLevels.size() != mapping.cellColumns.size())
        mapping.within = table_ ? headerSplit(*table_, mapping.cellColumns) : WithinSplit{};
    wide_ = std::move(mapping);
    propose();
}

std::optional<std::string> ImportSession::setWithinFactors(const std::string& text)
{
    if (trimmed(text).empty()) {
        wide_.within = table_ ? headerSplit(*table_, wide_.cellColumns) : WithinSplit{};
        propose();
        return std::nullopt;
    }
    const std::string example = "Write each within-subject factor as NAME=LEVELS, separated by commas, for example "
                                "\"Drug=2, Time=3\".";
    std::vector<std::pair<std::string, int>> factors;
    std::string rest = text + ",";
    for (auto comma = rest.find(','); comma != std::string::npos; comma = rest.find(',')) {
        const std::string part = trimmed(rest.substr(0, comma));
        rest.erase(0, comma + 1);
        if (part.empty())
            continue;
        const auto eq = part.find('=');
        const std::string name = eq == std::string::npos ? "" : trimmed(part.substr(0, eq));
        const std::string levels = eq == std::string::npos ? "" : trimmed(part.substr(eq + 1));
        if (name.empty() || levels.empty() || levels.size() > 5 ||
            levels.find_first_not_of("0123456789") != std::string::npos)
            return "\"" + part + "\" is not a factor with its levels. " + example;
        factors.emplace_back(name, std::stoi(levels));
    }
    if (factors.empty())
        return example;
    const auto split = withinByOrder(factors, static_cast<int>(wide_.cellColumns.size()));
    if (!split)
        return "The levels of the within-subject factors must multiply to the " +
               std::to_string(wide_.cellColumns.size()) + " cell columns, each factor with 2 levels or more.";
    wide_.within = *split;
    propose();
    return std::nullopt;
}

std::string ImportSession::withinFactorsText() const
{
    std::string out;
    for (std::size_t k = 0; k < wide_.within.factorNames.size(); ++k) {
        std::vector<std::string> levels;
        for (const auto& cell : wide_.within.cellLevels)
            if (k < cell.size() && std::find(levels.begin(), levels.end(), cell[k]) == levels.end())
                levels.push_back(cell[k]);
        out += (out.empty() ? "" : ", ") + wide_.within.factorNames[k] + "=" + std::to_string(levels.size());
    }
    return out;
}

void ImportSession::setDropIncomplete(bool drop)
{
    dropIncomplete_ = drop;
    propose();
}

void ImportSession::propose()
{
    if (!table_) {
        proposal_ = {};
        return;
    }
    ProposalOptions options;
    options.dropIncompleteRows = dropIncomplete_;
    proposal_ = shape_ == DataShape::Long ? proposeFromLong(*table_, long_, options)
                                          : proposeFromWide(*table_, wide_, options);
}

ImportSession::Outcome ImportSession::accept(const std::vector<std::string>& names,
                                             const std::vector<std::vector<std::string>>& labels) const
{
    return applyImportEdits(proposal_, names, labels, table_ ? table_->sourceName : std::string());
}

ImportSession::Outcome applyImportEdits(const ImportProposal& proposal, const std::vector<std::string>& names,
                                        const std::vector<std::vector<std::string>>& labels,
                                        const std::string& sourceName)
{
    ImportSession::Outcome out;
    if (proposal.refusal) {
        out.problem = *proposal.refusal;
        return out;
    }
    if (!proposal.ready()) {
        out.problem = "The data are not complete: settle the problems listed first.";
        return out;
    }
    Design design = proposal.design;
    const auto count = static_cast<std::size_t>(design.factorCount());
    if (names.size() != count || labels.size() != count) {
        out.problem = "Every factor needs its name and level labels.";
        return out;
    }
    const std::vector<char> oldLabels = [&] {
        std::vector<char> v;
        for (const Factor& f : design.factors)
            v.push_back(f.tableLabel);
        return v;
    }();
    for (std::size_t k = 0; k < count; ++k) {
        Factor& f = design.factors[k];
        f.name = trimmed(names[k]);
        if (f.name.empty()) {
            out.problem = "Factor " + std::to_string(k + 1) + " has no name.";
            return out;
        }
        if (const auto m = checkNameStart(f.name)) {
            out.problem = "\"" + f.name + "\": " + m->text + ".";
            return out;
        }
        if (const auto comma = commaRefusal(f.name, "factor name")) {
            out.problem = *comma;
            return out;
        }
        if (static_cast<int>(k + 1) == design.designatedFactor)
            continue;  // the subjects or replicates take no labels
        if (labels[k].size() != static_cast<std::size_t>(f.levels)) {
            out.problem = "The factor " + f.name + " needs one label for each of its " + std::to_string(f.levels) +
                          " levels.";
            return out;
        }
        std::vector<std::string> given;
        for (std::size_t i = 0; i < labels[k].size(); ++i) {
            const std::string label = trimmed(labels[k][i]);
            const std::string where = "Level " + std::to_string(i + 1) + " of " + f.name;
            if (label.empty()) {
                out.problem = where + " has no label.";
                return out;
            }
            if (characterCount(label) > static_cast<std::size_t>(kMaxLevelLabelLength)) {
                out.problem = where + ": the label \"" + label + "\" is longer than " +
                              std::to_string(kMaxLevelLabelLength) + " characters.";
                return out;
            }
            if (const auto comma = commaRefusal(label, "level label")) {
                out.problem = where + ": " + *comma;
                return out;
            }
            if (std::find(given.begin(), given.end(), label) != given.end()) {
                out.problem = where + ": the label \"" + label + "\" is already the label of another level.";
                return out;
            }
            given.push_back(label);
        }
        f.levelLabels = std::move(given);
    }
    if (const auto twice = checkUniqueInitials(design)) {
        out.problem = twice->message.text;
        return out;
    }
    setTableLabelsFromNames(design);
    // The nesting is kept by table label: it follows the factors' new initials.
    for (NestRelation& r : design.nestingMatrix)
        for (std::size_t k = 0; k < count; ++k) {
            if (r.nested == oldLabels[k]) {
                r.nested = design.factors[k].tableLabel;
                break;
            }
        }
    for (NestRelation& r : design.nestingMatrix)
        for (std::size_t k = 0; k < count; ++k) {
            if (r.nesting == oldLabels[k]) {
                r.nesting = design.factors[k].tableLabel;
                break;
            }
        }
    ImportedDesign imported;
    imported.design = std::move(design);
    imported.data = *proposal.data;
    for (const ProposedFactor& f : proposal.factors)
        imported.labels.push_back(f.fullLabels);
    imported.sourceName = sourceName;
    out.design = std::move(imported);
    return out;
}

}  // namespace varisect
