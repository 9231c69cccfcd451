// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/layout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <set>

#include "design/levellabels.h"
#include "design/nesting.h"

namespace varisect {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string lowered(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string rowList(const std::vector<long>& rows, const ImportTable& table)
{
    const bool cases = table.source == ImportTable::Source::StatisticsFile;
    std::string out = rows.size() == 1 ? (cases ? "case " : "row ") : (cases ? "cases " : "rows ");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == 8 && rows.size() > 9) {
            out += " and " + std::to_string(rows.size() - 8) + " more";
            break;
        }
        out += (i == 0 ? "" : i + 1 == rows.size() ? " and " : ", ") + std::to_string(rows[i]);
    }
    return out;
}

// The shortest text of a score that reads back as the same single-precision value.
std::string scoreText(float value)
{
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

// The distinct values of a column among `rows`: numbers sorted when every value is a number,
// else in order of first appearance; each with its value label or its text.
struct LevelSet {
    std::vector<ImportCell> values;
    std::vector<std::string> labels;

    int indexOf(const ImportCell& cell) const
    {
        for (std::size_t i = 0; i < values.size(); ++i)
            if (values[i].kind == cell.kind &&
                (cell.isNumber() ? values[i].number == cell.number : values[i].text == cell.text))
                return static_cast<int>(i);
        return -1;
    }
};

LevelSet collectLevels(const ImportTable& table, int column, const std::vector<std::size_t>& rows)
{
    LevelSet set;
    std::set<double> numbers;
    std::set<std::string> texts;
    bool allNumbers = true;
    for (const std::size_t r : rows) {
        const ImportCell& cell = table.rows[r][static_cast<std::size_t>(column)];
        if (cell.isMissing())
            continue;
        if (cell.isNumber() ? numbers.insert(cell.number).second : texts.insert(cell.text).second) {
            set.values.push_back(cell);
            allNumbers = allNumbers && cell.isNumber();
        }
    }
    if (allNumbers)
        std::sort(set.values.begin(), set.values.end(),
                  [](const ImportCell& a, const ImportCell& b) { return a.number < b.number; });
    const ImportColumn& info = table.columns[static_cast<std::size_t>(column)];
    for (const ImportCell& v : set.values) {
        const std::string* label = info.labelOf(v);
        set.labels.push_back(label && !label->empty() ? *label : v.shown());
    }
    return set;
}

// Level texts in order of first appearance, or sorted as numbers when they all are numbers.
std::vector<std::string> orderedLevelTexts(const std::vector<std::string>& seen)
{
    std::vector<std::string> out;
    for (const std::string& s : seen)
        if (std::find(out.begin(), out.end(), s) == out.end())
            out.push_back(s);
    bool allNumbers = true;
    for (const std::string& s : out)
        allNumbers = allNumbers && parseImportNumber(s).has_value();
    if (allNumbers)
        std::stable_sort(out.begin(), out.end(),
                         [](const std::string& a, const std::string& b) { return *parseImportNumber(a) < *parseImportNumber(b); });
    return out;
}

// Cells without a score listed one by one; past this many, one line counts the rest.
constexpr long kListedEmptyCells = 50;

struct Observation {
    std::vector<int> levels;  // per substantive factor, 0-based
    int subject = -1;         // index into the subject keys, -1 without subjects
    long row = 0;             // the file's row number
    float value = 0;
};

struct Frame {
    const ImportTable* table = nullptr;
    std::vector<std::string> names;                     // substantive factors
    std::vector<std::vector<std::string>> fullLabels;   // per substantive factor
    std::vector<int> columns;                           // source column or -1
    std::vector<bool> within;                           // per substantive factor
    bool subjectsGiven = false;                         // observations carry subject keys
    std::string designatedName;
    std::vector<std::string> subjectKeys;
    std::vector<std::vector<long>> subjectRows;         // per subject, its rows
    std::vector<Observation> observations;
};

// A score cell: a number within single precision. Sets `refusal` for text or a number the
// scores cannot hold; false for a missing score.
bool readScore(const ImportTable& table, std::size_t r, int column, float& value, std::optional<std::string>& refusal)
{
    const ImportCell& cell = table.rows[r][static_cast<std::size_t>(column)];
    if (cell.isMissing())
        return false;
    const std::string where = table.cellReference(static_cast<long>(r), column);
    if (!cell.isNumber()) {
        refusal = where + ": " + quotedForMessage(cell.text) + " is not a number.";
        return false;
    }
    const auto single = static_cast<float>(cell.number);
    if (!std::isfinite(single)) {
        refusal = where + ": " + cell.shown() + " is too large for a score (about 3.4E+38 at most).";
        return false;
    }
    if (single == 0 && cell.number != 0) {
        refusal = where + ": " + cell.shown() + " is too close to 0 to be held as a score.";
        return false;
    }
    value = single;
    return true;
}

bool rowIsEmpty(const std::vector<ImportCell>& row)
{
    return std::all_of(row.begin(), row.end(), [](const ImportCell& c) { return c.isMissing(); });
}

std::string cellName(const Frame& f, const std::vector<int>& levels, const std::vector<int>& which)
{
    std::string out;
    for (const int k : which) {
        const auto ks = static_cast<std::size_t>(k);
        out += (out.empty() ? "" : ", ") + f.names[ks] + " " + f.fullLabels[ks][static_cast<std::size_t>(levels[ks])];
    }
    return out;
}

void finishDesign(ImportProposal& p, const Frame& f, int designatedLevels, bool withDesignated)
{
    std::vector<std::string> wanted = f.names;
    if (withDesignated)
        wanted.push_back(f.designatedName);
    const std::vector<std::string> names = proposeFactorNames(wanted, p.notes);
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        Factor factor;
        factor.name = names[k];
        ProposedFactor proposed;
        proposed.sourceName = wanted[k];
        proposed.name = names[k];
        if (k < f.names.size()) {
            factor.levels = static_cast<int>(f.fullLabels[k].size());
            factor.levelLabels = proposeLevelLabels(f.fullLabels[k], names[k], p.notes);
            proposed.fullLabels = f.fullLabels[k];
            proposed.column = f.columns[k];
        } else {
            factor.levels = designatedLevels;
            for (int i = 1; i <= designatedLevels; ++i)
                proposed.fullLabels.push_back(std::to_string(i));
        }
        factor.tableLabel = factor.name.empty() ? 'A' : upper(factor.name[0]);
        p.design.factors.push_back(std::move(factor));
        p.factors.push_back(std::move(proposed));
    }
    setTableLabelsFromNames(p.design);
    if (withDesignated)
        p.design.designatedFactor = p.design.factorCount();
}

std::optional<std::string> limitsProblem(const Design& design)
{
    if (design.factorCount() > kMaxFactors)
        return "The data call for " + std::to_string(design.factorCount()) +
               " factors (the subjects or replicates included); the program analyses at most 8.";
    if (design.factorCount() < kMinFactors)
        return "The data call for only one factor; a design needs at least 2 (the subjects or replicates included).";
    long n = 1;
    for (const Factor& factor : design.factors) {
        n *= factor.levels;
        if (n > kMaxScores)
            return "The design the data call for has more than " + std::to_string(kMaxScores) +
                   " cells; the program holds at most " + std::to_string(kMaxScores) + " scores.";
    }
    return std::nullopt;
}

ScoreItem itemOf(float value)
{
    ScoreItem item;
    item.value = value;
    item.text = scoreText(value);
    return item;
}

void repeatedMeasures(ImportProposal& p, Frame& f)
{
    const ImportTable& table = *f.table;
    std::vector<int> between, within;
    for (std::size_t k = 0; k < f.names.size(); ++k)
        (f.within[k] ? within : between).push_back(static_cast<int>(k));

    // The cells of the within factors, per subject.
    long withinCells = 1;
    for (const int k : within)
        withinCells *= static_cast<long>(f.fullLabels[static_cast<std::size_t>(k)].size());
    if (withinCells > kMaxScores) {
        p.refusal = "The within-subject factors have more than " + std::to_string(kMaxScores) + " cells.";
        return;
    }
    auto withinIndex = [&](const std::vector<int>& levels) {
        long index = 0, stride = 1;
        for (const int k : within) {
            index += levels[static_cast<std::size_t>(k)] * stride;
            stride *= static_cast<long>(f.fullLabels[static_cast<std::size_t>(k)].size());
        }
        return index;
    };
    const std::size_t subjects = f.subjectKeys.size();
    std::vector<std::vector<const Observation*>> bySubject(subjects, std::vector<const Observation*>(
                                                                         static_cast<std::size_t>(withinCells), nullptr));
    std::vector<const Observation*> firstOf(subjects, nullptr);
    for (const Observation& o : f.observations) {
        const auto s = static_cast<std::size_t>(o.subject);
        const Observation*& slot = bySubject[s][static_cast<std::size_t>(withinIndex(o.levels))];
        if (slot) {
            p.issues.push_back({ImportIssue::Kind::DuplicateCell, {slot->row, o.row},
                                rowList({slot->row, o.row}, table) + " hold two scores for " + f.designatedName + " " +
                                    f.subjectKeys[s] + " in the cell " + cellName(f, o.levels, within) + "."});
            continue;
        }
        slot = &o;
        if (!firstOf[s])
            firstOf[s] = &o;
    }
    // Every subject needs a score in every within cell.
    std::vector<int> levels(f.names.size(), 0);
    long emptyCells = 0;
    for (std::size_t s = 0; s < subjects; ++s) {
        if (!firstOf[s])
            continue;  // a subject whose every row was listed already
        for (long c = 0; c < withinCells; ++c) {
            if (bySubject[s][static_cast<std::size_t>(c)])
                continue;
            long rest = c;
            for (const int k : within) {
                const auto size = static_cast<long>(f.fullLabels[static_cast<std::size_t>(k)].size());
                levels[static_cast<std::size_t>(k)] = static_cast<int>(rest % size);
                rest /= size;
            }
            std::vector<long> rows = f.subjectRows[s];
            if (++emptyCells <= kListedEmptyCells)
                p.issues.push_back({ImportIssue::Kind::EmptyCell, rows,
                                    f.designatedName + " " + f.subjectKeys[s] + " (" + rowList(rows, table) +
                                        ") has no score in the cell " + cellName(f, levels, within) + "."});
        }
    }
    if (emptyCells > kListedEmptyCells)
        p.issues.push_back({ImportIssue::Kind::EmptyCell, {},
                            std::to_string(emptyCells - kListedEmptyCells) + " more cells of subjects have no score."});
    if (!p.issues.empty())
        return;

    // The subjects of each between cell, in order of first appearance.
    long betweenCells = 1;
    for (const int k : between)
        betweenCells *= static_cast<long>(f.fullLabels[static_cast<std::size_t>(k)].size());
    if (betweenCells > kMaxScores) {
        p.refusal = "The between-subject factors have more than " + std::to_string(kMaxScores) + " cells.";
        return;
    }
    auto betweenIndex = [&](const std::vector<int>& lv) {
        long index = 0, stride = 1;
        for (const int k : between) {
            index += lv[static_cast<std::size_t>(k)] * stride;
            stride *= static_cast<long>(f.fullLabels[static_cast<std::size_t>(k)].size());
        }
        return index;
    };
    std::vector<std::vector<std::size_t>> groups(static_cast<std::size_t>(betweenCells));
    std::vector<std::size_t> subjectOrder;
    for (const Observation& o : f.observations) {
        const auto s = static_cast<std::size_t>(o.subject);
        if (firstOf[s] == &o)
            subjectOrder.push_back(s);
    }
    std::sort(subjectOrder.begin(), subjectOrder.end(),
              [&](std::size_t a, std::size_t b) { return firstOf[a]->row < firstOf[b]->row; });
    for (const std::size_t s : subjectOrder)
        groups[static_cast<std::size_t>(betweenIndex(firstOf[s]->levels))].push_back(s);
    for (long g = 0; g < betweenCells; ++g) {
        if (!groups[static_cast<std::size_t>(g)].empty())
            continue;
        long rest = g;
        for (const int k : between) {
            const auto size = static_cast<long>(f.fullLabels[static_cast<std::size_t>(k)].size());
            levels[static_cast<std::size_t>(k)] = static_cast<int>(rest % size);
            rest /= size;
        }
        p.issues.push_back({ImportIssue::Kind::EmptyCell, {},
                            "No " + f.designatedName + " belong to the group " + cellName(f, levels, between) + "."});
    }
    if (!p.issues.empty())
        return;

    std::size_t smallest = groups.front().size(), largest = smallest;
    for (const auto& g : groups) {
        smallest = std::min(smallest, g.size());
        largest = std::max(largest, g.size());
    }
    p.design.anovaType = AnovaType::RepeatedMeasures;
    if (smallest == largest) {
        if (smallest < 2) {
            p.refusal = between.empty() ? "The data hold only one " + f.designatedName +
                                              "; repeated measures need at least 2."
                                        : "Each group holds only one " + f.designatedName +
                                              "; repeated measures need at least 2 in each group.";
            return;
        }
        finishDesign(p, f, static_cast<int>(smallest), true);
        if ((p.refusal = limitsProblem(p.design)))
            return;
        DataLayout layout;
        layout.items.resize(static_cast<std::size_t>(p.design.scoreCount()));
        std::vector<int> cell(p.design.factors.size());
        for (const auto& g : groups)
            for (std::size_t i = 0; i < g.size(); ++i)
                for (const Observation* o : bySubject[g[i]]) {
                    for (std::size_t k = 0; k < o->levels.size(); ++k)
                        cell[k] = o->levels[k] + 1;
                    cell.back() = static_cast<int>(i) + 1;
                    layout.items[static_cast<std::size_t>(flatPosition(p.design, cell) - 1)] = itemOf(o->value);
                }
        p.data = std::move(layout);
    } else {
        if (between.size() != 1 || within.size() != 1) {
            std::string sizes;
            for (const auto& g : groups)
                sizes += (sizes.empty() ? "" : ", ") + std::to_string(g.size());
            p.refusal = "The groups hold different numbers of " + f.designatedName + " (" + sizes +
                        ").  Unequal group sizes can be analysed with one grouping factor and one factor crossed "
                        "with " + f.designatedName + " only.";
            return;
        }
        finishDesign(p, f, static_cast<int>(largest), true);
        if ((p.refusal = limitsProblem(p.design)))
            return;
        // Subjects nested under the grouping factor, crossed with the other.
        DataLayout layout;
        layout.kind = DataLayout::Kind::GroupSizes;
        layout.designatedFactor = p.design.factorCount();
        layout.groupingFactor = between.front() + 1;
        layout.crossedFactor = within.front() + 1;
        const auto crossedLevels = static_cast<int>(f.fullLabels[static_cast<std::size_t>(within.front())].size());
        for (const auto& g : groups) {
            layout.cellSizes.push_back(static_cast<long>(g.size()));
            for (int level = 0; level < crossedLevels; ++level)
                for (const std::size_t s : g)
                    layout.items.push_back(itemOf(bySubject[s][static_cast<std::size_t>(level)]->value));
        }
        p.data = std::move(layout);
    }
    // The subjects are nested under every between-subject factor.
    if (!between.empty()) {
        std::vector<NestRelation> relations;
        const char subjects = p.design.factors.back().tableLabel;
        for (const int k : between)
            relations.push_back({subjects, p.design.factors[static_cast<std::size_t>(k)].tableLabel});
        const NestingOutcome nesting =
            closeNesting(tableLabelsOf(p.design), relations, p.unequal());
        if (nesting.ok()) {
            p.design.nested = true;
            p.design.nestingMatrix = nesting.matrix;
        }
    }
}

void independentGroups(ImportProposal& p, Frame& f)
{
    const ImportTable& table = *f.table;
    if (f.subjectsGiven) {
        std::vector<const Observation*> seen(f.subjectKeys.size(), nullptr);
        for (const Observation& o : f.observations) {
            const Observation*& first = seen[static_cast<std::size_t>(o.subject)];
            if (first)
                p.issues.push_back({ImportIssue::Kind::DuplicateCell, {first->row, o.row},
                                    rowList({first->row, o.row}, table) + " hold two scores for " + f.designatedName +
                                        " " + f.subjectKeys[static_cast<std::size_t>(o.subject)] + "."});
            else
                first = &o;
        }
    }
    long cellCount = 1;
    for (const auto& labels : f.fullLabels) {
        cellCount *= static_cast<long>(labels.size());
        if (cellCount > kMaxScores) {
            p.refusal = "The factors have more than " + std::to_string(kMaxScores) + " cells.";
            return;
        }
    }
    std::vector<std::vector<const Observation*>> cells(static_cast<std::size_t>(cellCount));
    for (const Observation& o : f.observations) {
        long index = 0, stride = 1;
        for (std::size_t k = 0; k < o.levels.size(); ++k) {
            index += o.levels[k] * stride;
            stride *= static_cast<long>(f.fullLabels[k].size());
        }
        cells[static_cast<std::size_t>(index)].push_back(&o);
    }
    std::vector<int> all(f.names.size());
    for (std::size_t k = 0; k < all.size(); ++k)
        all[k] = static_cast<int>(k);
    std::vector<int> levels(f.names.size());
    long emptyCells = 0;
    for (long c = 0; c < cellCount; ++c) {
        if (!cells[static_cast<std::size_t>(c)].empty())
            continue;
        long rest = c;
        for (std::size_t k = 0; k < levels.size(); ++k) {
            levels[k] = static_cast<int>(rest % static_cast<long>(f.fullLabels[k].size()));
            rest /= static_cast<long>(f.fullLabels[k].size());
        }
        if (++emptyCells <= kListedEmptyCells)
            p.issues.push_back(
                {ImportIssue::Kind::EmptyCell, {}, "The cell " + cellName(f, levels, all) + " has no score."});
    }
    if (emptyCells > kListedEmptyCells)
        p.issues.push_back({ImportIssue::Kind::EmptyCell, {},
                            std::to_string(emptyCells - kListedEmptyCells) + " more cells have no score."});
    if (!p.issues.empty())
        return;
    std::size_t smallest = cells.front().size(), largest = smallest;
    for (const auto& c : cells) {
        smallest = std::min(smallest, c.size());
        largest = std::max(largest, c.size());
    }
    if (smallest == largest && largest == 1) {
        // One score per cell: the factors are the whole design, and no factor is designated.
        finishDesign(p, f, 0, false);
        p.design.anovaType = AnovaType::NoFRatios;
        p.notes.push_back("Every cell holds one score, so no factor holds replicates: the table has no F-ratios "
                          "unless one of the factors is designated.");
        if ((p.refusal = limitsProblem(p.design)))
            return;
        DataLayout layout;
        for (const auto& c : cells)
            layout.items.push_back(itemOf(c.front()->value));
        p.data = std::move(layout);
        return;
    }
    p.design.anovaType = AnovaType::IndependentGroups;
    finishDesign(p, f, static_cast<int>(largest), true);
    if ((p.refusal = limitsProblem(p.design)))
        return;
    DataLayout layout;
    if (smallest == largest) {
        layout.items.resize(static_cast<std::size_t>(p.design.scoreCount()));
        for (std::size_t c = 0; c < cells.size(); ++c)
            for (std::size_t i = 0; i < cells[c].size(); ++i)
                layout.items[c + i * cells.size()] = itemOf(cells[c][i]->value);
    } else {
        layout.kind = DataLayout::Kind::CellSizes;
        layout.designatedFactor = p.design.factorCount();
        for (const auto& c : cells) {
            layout.cellSizes.push_back(static_cast<long>(c.size()));
            for (const Observation* o : c)
                layout.items.push_back(itemOf(o->value));
        }
    }
    p.data = std::move(layout);
}

ImportProposal finish(Frame& f, ImportProposal p)
{
    if (f.names.size() > static_cast<std::size_t>(kMaxFactors)) {
        p.refusal = "The data call for " + std::to_string(f.names.size()) +
                    " factors; the program analyses at most 8 (the subjects or replicates included).";
        p.issues.clear();
        return p;
    }
    for (std::size_t k = 0; k < f.names.size(); ++k)
        if (f.fullLabels[k].size() < 2 && !f.observations.empty()) {
            p.refusal = "The factor " + f.names[k] + " has only one level in the data (" +
                        (f.fullLabels[k].empty() ? std::string("none") : f.fullLabels[k].front()) +
                        "); a factor needs at least 2.";
            return p;
        }
    if (f.observations.empty()) {
        if (p.issues.empty())
            p.refusal = "The table holds no scores.";
        return p;
    }
    // Duplicates and empty cells are listed beside any missing values.
    if (std::find(f.within.begin(), f.within.end(), true) != f.within.end())
        repeatedMeasures(p, f);
    else
        independentGroups(p, f);
    if (!p.issues.empty() || p.refusal) {
        p.data.reset();
    }
    return p;
}

std::string checkColumn(const ImportTable& table, int column, const char* role)
{
    if (column == -1)
        return std::string("No ") + role + " column is chosen.";
    if (column < 0 || column >= table.columnCount())
        return std::string("The ") + role + " column is not one of the table's columns.";
    return {};
}

}  // namespace

std::optional<WithinSplit> splitCellHeaders(const std::vector<std::string>& headers, const std::string& fallbackName)
{
    if (headers.size() < 2)
        return std::nullopt;
    for (std::size_t i = 0; i < headers.size(); ++i)
        for (std::size_t j = i + 1; j < headers.size(); ++j)
            if (headers[i] == headers[j])
                return std::nullopt;
    // Each header as (name, level) parts: a run of letters (a factor name), then a run of digits
    // (its level), separators between the parts skipped.
    auto parts = [](const std::string& h) {
        std::vector<std::pair<std::string, std::string>> out;
        std::size_t i = 0;
        while (i < h.size()) {
            while (i < h.size() && !isLetter(h[i]) && !isDigit(h[i]))
                ++i;
            if (i >= h.size())
                break;
            std::string name, level;
            while (i < h.size() && isLetter(h[i]))
                name += h[i++];
            while (i < h.size() && isDigit(h[i]))
                level += h[i++];
            if (name.empty() || level.empty())
                return std::vector<std::pair<std::string, std::string>>{};
            out.emplace_back(name, level);
        }
        return out;
    };
    WithinSplit split;
    bool patterned = true;
    for (const std::string& h : headers) {
        const auto p = parts(h);
        if (p.empty()) {
            patterned = false;
            break;
        }
        std::vector<std::string> names, levels;
        for (const auto& [n, l] : p) {
            names.push_back(n);
            levels.push_back(l);
        }
        if (split.factorNames.empty())
            split.factorNames = names;
        else if (names.size() != split.factorNames.size() ||
                 !std::equal(names.begin(), names.end(), split.factorNames.begin(),
                             [](const std::string& a, const std::string& b) { return lowered(a) == lowered(b); })) {
            patterned = false;
            break;
        }
        split.cellLevels.push_back(levels);
    }
    // Two parts with the same name ("T1_T2") do not split.
    std::set<std::string> distinct;
    for (const std::string& n : split.factorNames)
        distinct.insert(lowered(n));
    if (patterned && distinct.size() == split.factorNames.size()) {
        std::set<std::vector<std::string>> seen(split.cellLevels.begin(), split.cellLevels.end());
        if (seen.size() == headers.size())
            return split;
    }
    WithinSplit single;
    single.factorNames = {fallbackName};
    for (const std::string& h : headers)
        single.cellLevels.push_back({h});
    return single;
}

std::optional<WithinSplit> withinByOrder(const std::vector<std::pair<std::string, int>>& factors, int cellCount)
{
    long product = 1;
    for (const auto& [name, levels] : factors) {
        if (levels < 2)
            return std::nullopt;
        product *= levels;
        if (product > kMaxScores)
            return std::nullopt;
    }
    if (factors.empty() || product != cellCount)
        return std::nullopt;
    WithinSplit split;
    for (const auto& f : factors)
        split.factorNames.push_back(f.first);
    for (int c = 0; c < cellCount; ++c) {
        std::vector<std::string> levels;
        int rest = c;
        for (const auto& f : factors) {
            levels.push_back(std::to_string(rest % f.second + 1));
            rest /= f.second;
        }
        split.cellLevels.push_back(levels);
    }
    return split;
}

LayoutGuess guessLayout(const ImportTable& table)
{
    LayoutGuess guess;
    const int n = table.columnCount();
    auto isSubjectName = [](const std::string& name) {
        const std::string l = lowered(name);
        return l == "id" || l == "s" || l == "case" || l == "pid" || l.find("subj") != std::string::npos ||
               l.find("participant") != std::string::npos || l.ends_with("_id") || l.ends_with(" id") ||
               l == "person" || l == "case_id";
    };
    auto isScoreName = [](const std::string& name) {
        const std::string l = lowered(name);
        return l == "score" || l == "scores" || l == "value" || l == "y" || l == "dv" || l == "response" ||
               l == "rt" || l == "result";
    };
    std::vector<bool> numeric(static_cast<std::size_t>(n), true);
    std::vector<std::size_t> distinct(static_cast<std::size_t>(n), 0);
    for (int c = 0; c < n; ++c) {
        std::set<std::string> values;
        bool any = false;
        for (const auto& row : table.rows) {
            const ImportCell& cell = row[static_cast<std::size_t>(c)];
            if (cell.isMissing())
                continue;
            any = true;
            if (!cell.isNumber())
                numeric[static_cast<std::size_t>(c)] = false;
            if (values.size() <= 1000)
                values.insert(cell.shown());
        }
        numeric[static_cast<std::size_t>(c)] = numeric[static_cast<std::size_t>(c)] && any;
        distinct[static_cast<std::size_t>(c)] = values.size();
    }
    int subject = -1;
    for (int c = 0; c < n && subject < 0; ++c)
        if (isSubjectName(table.columns[static_cast<std::size_t>(c)].name))
            subject = c;

    // Wide: at least two numeric columns whose headers split into factors and levels.
    std::vector<int> candidates;
    std::vector<std::string> headers;
    for (int c = 0; c < n; ++c) {
        if (c == subject || !numeric[static_cast<std::size_t>(c)] ||
            !table.columns[static_cast<std::size_t>(c)].valueLabels.empty())
            continue;
        const std::string& name = table.columns[static_cast<std::size_t>(c)].name;
        if (isScoreName(name))
            continue;
        bool digitEnd = !name.empty() && isDigit(name.back());
        if (digitEnd) {
            candidates.push_back(c);
            headers.push_back(name);
        }
    }
    if (candidates.size() >= 2) {
        const auto split = splitCellHeaders(headers);
        if (split && split->factorNames.front() != "Condition") {
            guess.shape = DataShape::Wide;
            guess.wideMapping.subjectColumn = subject;
            guess.wideMapping.cellColumns = candidates;
            guess.wideMapping.within = *split;
            for (int c = 0; c < n; ++c)
                if (c != subject && std::find(candidates.begin(), candidates.end(), c) == candidates.end())
                    guess.wideMapping.betweenColumns.push_back(c);
            return guess;
        }
    }
    // Long: the score column by its name, else the last numeric column with the most distinct
    // values; the other columns with few distinct values are factors.
    int score = -1;
    for (int c = 0; c < n && score < 0; ++c)
        if (c != subject && numeric[static_cast<std::size_t>(c)] && isScoreName(table.columns[static_cast<std::size_t>(c)].name))
            score = c;
    for (int c = n - 1; c >= 0 && score < 0; --c)
        if (c != subject && numeric[static_cast<std::size_t>(c)] && table.columns[static_cast<std::size_t>(c)].valueLabels.empty())
            score = c;
    guess.longMapping.scoreColumn = score;
    guess.longMapping.subjectColumn = subject;
    for (int c = 0; c < n; ++c)
        if (c != score && c != subject && distinct[static_cast<std::size_t>(c)] >= 2 &&
            distinct[static_cast<std::size_t>(c)] <= std::max<std::size_t>(2, table.rows.size() / 2))
            guess.longMapping.factorColumns.push_back(c);
    return guess;
}

ImportProposal proposeFromLong(const ImportTable& table, const LongMapping& mapping, const ProposalOptions& options)
{
    ImportProposal p;
    std::string problem = checkColumn(table, mapping.scoreColumn, "score");
    for (const int c : mapping.factorColumns)
        if (problem.empty())
            problem = checkColumn(table, c, "factor");
    if (problem.empty() && mapping.subjectColumn != -1)
        problem = checkColumn(table, mapping.subjectColumn, "subject");
    if (problem.empty() && mapping.factorColumns.empty())
        problem = "No factor column is chosen.";
    std::set<int> used{mapping.scoreColumn};
    for (const int c : mapping.factorColumns)
        if (problem.empty() && !used.insert(c).second)
            problem = "The column \"" + table.columns[static_cast<std::size_t>(c)].name + "\" is chosen twice.";
    if (problem.empty() && mapping.subjectColumn != -1 && !used.insert(mapping.subjectColumn).second)
        problem = "The subject column is also chosen as a factor or as the score column.";
    for (const int c : mapping.subjectGroupColumns) {
        if (!problem.empty())
            break;
        if (mapping.subjectColumn == -1)
            problem = "Subjects numbered within groups need a subject column.";
        else if (std::find(mapping.factorColumns.begin(), mapping.factorColumns.end(), c) == mapping.factorColumns.end())
            problem = "The subjects can only be numbered within the groups of a factor column" +
                      (c >= 0 && c < table.columnCount() ? " (\"" + table.columns[static_cast<std::size_t>(c)].name + "\" is not one)."
                                                         : std::string("."));
    }
    if (!problem.empty()) {
        p.refusal = problem;
        return p;
    }

    // Rows with a score and every factor value; the others are listed.
    std::vector<std::size_t> complete, withValues;
    std::vector<long> incomplete;
    std::vector<float> values(table.rows.size(), 0);
    std::vector<ImportIssue> rowIssues;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        if (rowIsEmpty(row))
            continue;
        const long number = table.rowNumbers[r];
        std::vector<std::string> missing;
        for (const int c : mapping.factorColumns)
            if (row[static_cast<std::size_t>(c)].isMissing())
                missing.push_back(table.columns[static_cast<std::size_t>(c)].name);
        if (mapping.subjectColumn != -1 && row[static_cast<std::size_t>(mapping.subjectColumn)].isMissing())
            missing.push_back(table.columns[static_cast<std::size_t>(mapping.subjectColumn)].name);
        if (!missing.empty()) {
            std::string list;
            for (const std::string& m : missing)
                list += (list.empty() ? "\"" : ", \"") + m + "\"";
            rowIssues.push_back({ImportIssue::Kind::MissingFactorValue, {number},
                                 table.rowReference(static_cast<long>(r)) + " has no value in " + list + "."});
        }
        std::optional<std::string> refusal;
        const bool scored = readScore(table, r, mapping.scoreColumn, values[r], refusal);
        if (refusal) {
            p.refusal = refusal;
            return p;
        }
        if (!scored)
            rowIssues.push_back({ImportIssue::Kind::MissingScore, {number},
                                 table.rowReference(static_cast<long>(r)) + " has no score in \"" +
                                     table.columns[static_cast<std::size_t>(mapping.scoreColumn)].name + "\"."});
        if (missing.empty())
            withValues.push_back(r);
        if (scored && missing.empty())
            complete.push_back(r);
        else
            incomplete.push_back(number);
    }

    // A subject is its identifier, within its group where the identifiers restart in each group:
    // the key that tells subjects apart, and the subject as the messages name it.
    auto subjectOf = [&](std::size_t r) {
        const auto& row = table.rows[r];
        std::pair<std::string, std::string> keyAndName{row[static_cast<std::size_t>(mapping.subjectColumn)].shown(), {}};
        keyAndName.second = keyAndName.first;
        std::string group;
        for (const int c : mapping.subjectGroupColumns) {
            const std::string value = row[static_cast<std::size_t>(c)].shown();
            keyAndName.first += '\x1f' + value;
            group += (group.empty() ? "" : ", ") + table.columns[static_cast<std::size_t>(c)].name + " " + value;
        }
        if (!group.empty())
            keyAndName.second += " (" + group + ")";
        return keyAndName;
    };

    // Within-subject factors: those whose value changes within a subject.
    Frame f;
    f.table = &table;
    f.subjectsGiven = mapping.subjectColumn != -1;
    f.designatedName = f.subjectsGiven ? table.columns[static_cast<std::size_t>(mapping.subjectColumn)].name
                                       : std::string("Replicates");
    bool anyWithin = false;
    for (const int c : mapping.factorColumns) {
        bool varies = false;
        if (f.subjectsGiven) {
            std::map<std::string, const ImportCell*> first;
            for (const std::size_t r : withValues) {
                const std::string key = subjectOf(r).first;
                const ImportCell& v = table.rows[r][static_cast<std::size_t>(c)];
                const auto [it, inserted] = first.emplace(key, &v);
                if (!inserted && !(*it->second == v))
                    varies = true;
            }
        }
        f.within.push_back(varies);
        anyWithin = anyWithin || varies;
    }
    const bool drop = options.dropIncompleteRows && !anyWithin && !incomplete.empty();
    p.mayDropIncomplete = !anyWithin && !incomplete.empty() && !drop;
    if (drop) {
        p.droppedRows = incomplete;
        p.notes.push_back("Left out, for a missing value: " + rowList(incomplete, table) + ".");
    } else {
        p.issues = rowIssues;
    }
    const std::vector<std::size_t>& used_rows = drop ? complete : withValues;
    std::vector<LevelSet> sets;
    for (const int c : mapping.factorColumns) {
        sets.push_back(collectLevels(table, c, used_rows));
        f.names.push_back(table.columns[static_cast<std::size_t>(c)].name);
        f.fullLabels.push_back(sets.back().labels);
        f.columns.push_back(c);
    }
    std::map<std::string, int> subjectIndex;
    for (const std::size_t r : complete) {
        Observation o;
        o.row = table.rowNumbers[r];
        o.value = values[r];
        for (std::size_t k = 0; k < sets.size(); ++k)
            o.levels.push_back(sets[k].indexOf(table.rows[r][static_cast<std::size_t>(mapping.factorColumns[k])]));
        if (f.subjectsGiven) {
            auto [key, name] = subjectOf(r);
            const auto [it, inserted] = subjectIndex.emplace(std::move(key), static_cast<int>(f.subjectKeys.size()));
            if (inserted) {
                f.subjectKeys.push_back(std::move(name));
                f.subjectRows.emplace_back();
            }
            o.subject = it->second;
            f.subjectRows[static_cast<std::size_t>(o.subject)].push_back(o.row);
        }
        f.observations.push_back(std::move(o));
    }
    return finish(f, std::move(p));
}

ImportProposal proposeFromWide(const ImportTable& table, const WideMapping& mapping, const ProposalOptions&)
{
    ImportProposal p;
    std::string problem;
    if (mapping.cellColumns.size() < 2)
        problem = "Choose at least 2 cell columns.";
    if (problem.empty() && mapping.within.cellLevels.size() != mapping.cellColumns.size())
        problem = "Every cell column needs its levels of the within-subject factors.";
    for (const auto& levels : mapping.within.cellLevels)
        if (problem.empty() && levels.size() != mapping.within.factorNames.size())
            problem = "Every cell column needs one level of each within-subject factor.";
    std::set<int> used;
    for (const int c : mapping.cellColumns)
        if (problem.empty()) {
            problem = checkColumn(table, c, "cell");
            if (problem.empty() && !used.insert(c).second)
                problem = "The column \"" + table.columns[static_cast<std::size_t>(c)].name + "\" is chosen twice.";
        }
    for (const int c : mapping.betweenColumns)
        if (problem.empty()) {
            problem = checkColumn(table, c, "factor");
            if (problem.empty() && !used.insert(c).second)
                problem = "The column \"" + table.columns[static_cast<std::size_t>(c)].name + "\" is chosen twice.";
        }
    if (problem.empty() && mapping.subjectColumn != -1) {
        problem = checkColumn(table, mapping.subjectColumn, "subject");
        if (problem.empty() && !used.insert(mapping.subjectColumn).second)
            problem = "The subject column is also chosen as a factor or a cell column.";
    }
    if (!problem.empty()) {
        p.refusal = problem;
        return p;
    }

    Frame f;
    f.table = &table;
    f.subjectsGiven = true;
    f.designatedName = mapping.subjectColumn != -1 ? table.columns[static_cast<std::size_t>(mapping.subjectColumn)].name
                                                   : std::string("Subjects");
    // Rows that hold anything at all are subjects.
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        if (!rowIsEmpty(table.rows[r]))
            rows.push_back(r);
    std::vector<LevelSet> sets;
    for (const int c : mapping.betweenColumns) {
        sets.push_back(collectLevels(table, c, rows));
        f.names.push_back(table.columns[static_cast<std::size_t>(c)].name);
        f.fullLabels.push_back(sets.back().labels);
        f.columns.push_back(c);
        f.within.push_back(false);
    }
    const std::size_t betweenCount = f.names.size();
    std::vector<std::vector<int>> cellLevelIndex(mapping.cellColumns.size());
    for (std::size_t w = 0; w < mapping.within.factorNames.size(); ++w) {
        std::vector<std::string> seen;
        for (const auto& levels : mapping.within.cellLevels)
            seen.push_back(levels[w]);
        const std::vector<std::string> ordered = orderedLevelTexts(seen);
        for (std::size_t c = 0; c < mapping.cellColumns.size(); ++c)
            cellLevelIndex[c].push_back(static_cast<int>(
                std::find(ordered.begin(), ordered.end(), mapping.within.cellLevels[c][w]) - ordered.begin()));
        f.names.push_back(mapping.within.factorNames[w]);
        f.fullLabels.push_back(ordered);
        f.columns.push_back(-1);
        f.within.push_back(true);
    }
    {
        std::set<std::vector<int>> distinctCells(cellLevelIndex.begin(), cellLevelIndex.end());
        if (distinctCells.size() != cellLevelIndex.size()) {
            p.refusal = "Two cell columns stand for the same cell of the within-subject factors.";
            return p;
        }
    }

    std::map<std::string, int> subjectIndex;
    for (const std::size_t r : rows) {
        const auto& row = table.rows[r];
        const long number = table.rowNumbers[r];
        std::vector<std::string> missing;
        for (const int c : mapping.betweenColumns)
            if (row[static_cast<std::size_t>(c)].isMissing())
                missing.push_back(table.columns[static_cast<std::size_t>(c)].name);
        std::string key = "in " + table.rowReference(static_cast<long>(r));
        if (mapping.subjectColumn != -1) {
            if (row[static_cast<std::size_t>(mapping.subjectColumn)].isMissing())
                missing.push_back(table.columns[static_cast<std::size_t>(mapping.subjectColumn)].name);
            else
                key = row[static_cast<std::size_t>(mapping.subjectColumn)].shown();
        }
        if (!missing.empty()) {
            std::string list;
            for (const std::string& m : missing)
                list += (list.empty() ? "\"" : ", \"") + m + "\"";
            p.issues.push_back({ImportIssue::Kind::MissingFactorValue, {number},
                                table.rowReference(static_cast<long>(r)) + " has no value in " + list + "."});
            continue;
        }
        const auto [it, inserted] = subjectIndex.emplace(key, static_cast<int>(f.subjectKeys.size()));
        if (inserted) {
            f.subjectKeys.push_back(key);
            f.subjectRows.emplace_back();
        } else {
            p.issues.push_back({ImportIssue::Kind::DuplicateCell,
                                {f.subjectRows[static_cast<std::size_t>(it->second)].front(), number},
                                rowList({f.subjectRows[static_cast<std::size_t>(it->second)].front(), number}, table) +
                                    " are both " + f.designatedName + " " + key + "."});
            continue;
        }
        f.subjectRows[static_cast<std::size_t>(it->second)].push_back(number);
        std::vector<int> between;
        for (std::size_t k = 0; k < betweenCount; ++k)
            between.push_back(sets[k].indexOf(row[static_cast<std::size_t>(mapping.betweenColumns[k])]));
        for (std::size_t c = 0; c < mapping.cellColumns.size(); ++c) {
            float value = 0;
            std::optional<std::string> refusal;
            if (!readScore(table, r, mapping.cellColumns[c], value, refusal)) {
                if (refusal) {
                    p.refusal = refusal;
                    return p;
                }
                p.issues.push_back({ImportIssue::Kind::MissingScore, {number},
                                    table.cellReference(static_cast<long>(r), mapping.cellColumns[c]) +
                                        " has no score."});
                continue;
            }
            Observation o;
            o.row = number;
            o.value = value;
            o.subject = it->second;
            o.levels = between;
            o.levels.insert(o.levels.end(), cellLevelIndex[c].begin(), cellLevelIndex[c].end());
            f.observations.push_back(std::move(o));
        }
    }
    if (!p.issues.empty())
        p.notes.push_back("Repeated measures keep every subject whole: settle the rows listed before importing.");
    return finish(f, std::move(p));
}

std::vector<std::string> proposeFactorNames(const std::vector<std::string>& wanted, std::vector<std::string>& notes)
{
    std::vector<std::string> names;
    std::set<char> taken;
    // First letters that are free already are kept for the names that have them.
    std::vector<std::string> cleaned;
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        std::string name = wanted[k];
        name.erase(std::remove(name.begin(), name.end(), ','), name.end());
        std::size_t start = 0;
        while (start < name.size() && !isLetter(name[start]))
            ++start;
        name = name.substr(start);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (name.empty())
            name = "Factor" + std::to_string(k + 1);
        name[0] = upper(name[0]);
        cleaned.push_back(name);
    }
    for (std::size_t k = 0; k < cleaned.size(); ++k) {
        std::string name = cleaned[k];
        if (taken.count(name[0])) {
            char free = 0;
            for (std::size_t i = 1; i < name.size() && !free; ++i)
                if (isLetter(name[i]) && !taken.count(upper(name[i])))
                    free = upper(name[i]);
            for (char c = 'A'; c <= 'Z' && !free; ++c)
                if (!taken.count(c))
                    free = c;
            if (free)
                name = std::string(1, free) + "-" + name;
        }
        taken.insert(name[0]);
        std::string asWanted = wanted[k];
        if (!asWanted.empty())
            asWanted[0] = upper(asWanted[0]);
        if (name != asWanted)
            notes.push_back("The factor \"" + wanted[k] + "\" is proposed as \"" + name + "\"" +
                            (name[0] != cleaned[k][0] ? " (its first letter is another factor's)"
                                                      : " (a name begins with a letter and holds no comma)") +
                            ".");
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> proposeLevelLabels(const std::vector<std::string>& fullLabels, const std::string& factorName,
                                            std::vector<std::string>& notes)
{
    auto qualifies = [](const std::vector<std::string>& labels) {
        std::set<std::string> seen;
        for (const std::string& l : labels)
            if (l.empty() || characterCount(l) > static_cast<std::size_t>(kMaxLevelLabelLength) ||
                l.find(',') != std::string::npos || !seen.insert(l).second)
                return false;
        return true;
    };
    if (qualifies(fullLabels))
        return fullLabels;
    std::vector<std::string> shortened;
    for (const std::string& l : fullLabels) {
        std::string s;
        std::size_t chars = 0;
        for (std::size_t i = 0; i < l.size() && chars <= static_cast<std::size_t>(kMaxLevelLabelLength); ++i) {
            const auto c = static_cast<unsigned char>(l[i]);
            if ((c & 0xC0) != 0x80)
                ++chars;
            if (chars > static_cast<std::size_t>(kMaxLevelLabelLength))
                break;
            if (l[i] != ',' && l[i] != ' ')
                s += l[i];
            else if (l[i] == ' ')
                --chars;
        }
        shortened.push_back(s);
    }
    std::vector<std::string> out = shortened;
    if (!qualifies(out)) {
        out.clear();
        for (std::size_t i = 1; i <= fullLabels.size(); ++i)
            out.push_back(std::to_string(i));
    }
    std::string pairs;
    for (std::size_t i = 0; i < fullLabels.size() && i < 12; ++i)
        pairs += (pairs.empty() ? "" : ", ") + fullLabels[i] + " -> " + out[i];
    if (fullLabels.size() > 12)
        pairs += ", ...";
    notes.push_back("The level labels of " + factorName + " are proposed as " + pairs +
                    " (a level label has one or two characters).");
    return out;
}

}  // namespace varisect
