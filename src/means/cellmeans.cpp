// SPDX-License-Identifier: GPL-3.0-or-later
#include "means/cellmeans.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace varisect {

namespace {

// Characters on screen and paper: UTF-8 continuation bytes do not count.
size_t displayWidth(const std::string& s)
{
    size_t n = 0;
    for (const unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

// Byte length of the first `chars` characters of `s`.
size_t bytesOfChars(const std::string& s, size_t from, size_t chars)
{
    size_t at = from;
    size_t seen = 0;
    while (at < s.size()) {
        if ((static_cast<unsigned char>(s[at]) & 0xC0) != 0x80) {
            if (seen == chars)
                break;
            ++seen;
        }
        ++at;
    }
    return at - from;
}

void trimRight(std::string& s)
{
    const auto end = s.find_last_not_of(' ');
    s.erase(end == std::string::npos ? 0 : end + 1);
}

}  // namespace

std::string cellMeansTitle(bool cellSizes, bool unweightedMeans)
{
    return std::string(unweightedMeans ? kUnweightedTitlePrefix : "") + (cellSizes ? kCellSizesTitle : kCellMeansTitle);
}

ShownPair showPair(const Design& design, FactorPair pair)
{
    const int la = design.factor(pair.first).levels;
    const int lb = design.factor(pair.second).levels;
    if (la > 4 && la > lb)
        return {pair.second, pair.first, true};
    return {pair.first, pair.second, false};
}

std::string levelHeader(const Design& design, int factor, int level, bool useLevelLabels)
{
    if (useLevelLabels) {
        const std::vector<std::string>& labels = design.factor(factor).levelLabels;
        if (level >= 1 && static_cast<size_t>(level) <= labels.size() && !labels[size_t(level - 1)].empty())
            return labels[size_t(level - 1)];
    }
    return std::to_string(level);
}

namespace {

// The counts and, when the tests compare them, the weighted margins of a grid of unequal cells.
void addWeights(MeansGrid& g, const Design& design, const Scores& scores, const CellWeights& weights)
{
    const int a = g.shown.columnFactor;
    const int b = g.shown.rowFactor;
    const std::vector<double> means =
        weights.means.size() == scores.size() ? weights.means : std::vector<double>(scores.begin(), scores.end());
    const WeightedMargins w = weightedMargins(design, means, weights.counts, a, b, g.panelFactor, g.panelLevel);
    if (weights.weightedMargins) {
        g.cells.front().emplace_back(kWeightedHeader);
        for (int j = 1; j <= w.levelsB; ++j)
            g.cells[size_t(j)].push_back(meanText(w.meansB[size_t(j - 1)]));
        g.cells.back().emplace_back();  // the "Marginal" row has no weighted mean of its own
        std::vector<std::string> row{kWeightedHeader};
        for (int i = 1; i <= w.levelsA; ++i)
            row.push_back(meanText(w.meansA[size_t(i - 1)]));
        row.emplace_back();
        row.push_back(meanText(w.grandMean));
        g.cells.push_back(std::move(row));
    }
    std::vector<std::string> header(g.cells.front().begin(), g.cells.front().begin() + 1 + w.levelsA);
    header.emplace_back(kCountsTotalHeader);
    g.countCells.push_back(std::move(header));
    for (int j = 1; j <= w.levelsB; ++j) {
        std::vector<std::string> row{g.cells[size_t(j)].front()};
        for (int i = 1; i <= w.levelsA; ++i)
            row.push_back(std::to_string(w.count(i, j)));
        row.push_back(std::to_string(w.countsB[size_t(j - 1)]));
        g.countCells.push_back(std::move(row));
    }
    std::vector<std::string> total{kCountsTotalHeader};
    for (int i = 1; i <= w.levelsA; ++i)
        total.push_back(std::to_string(w.countsA[size_t(i - 1)]));
    total.push_back(std::to_string(w.total));
    g.countCells.push_back(std::move(total));
    g.notes = marginNotes(weights.weightedMargins);
    g.weighted = w;
}

// Rows of cells in blank-padded columns: the first left-aligned, the others right-aligned, two
// blanks apart.
std::vector<std::string> paddedRows(const std::vector<std::vector<std::string>>& cells)
{
    size_t columns = 0;
    for (const auto& row : cells)
        columns = std::max(columns, row.size());
    std::vector<size_t> widths(columns, 0);
    for (const auto& row : cells)
        for (size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], displayWidth(row[c]));
    std::vector<std::string> lines;
    for (const auto& row : cells) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            const size_t pad = widths[c] - displayWidth(row[c]);
            if (c == 0)
                line += row[c] + std::string(pad, ' ');
            else
                line += std::string(2 + pad, ' ') + row[c];
        }
        trimRight(line);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

std::vector<std::string> marginNotes(bool weightedMargins)
{
    if (weightedMargins)
        return {"Marginal: the mean of the cell means shown.",
                "Weighted: the mean of all the scores at the level (cell means weighted by n),",
                "          as the F-tests compare them."};
    return {"Marginal: the mean of the cell means shown, each cell counting alike,",
            "          as the unweighted-means F-tests compare them."};
}

MeansGrid buildMeansGrid(const Design& design, const Scores& scores, FactorPair pair, bool useLevelLabels,
                         int panelFactor, int panelLevel, const CellWeights* weights)
{
    MeansGrid g;
    g.shown = showPair(design, pair);
    const int a = g.shown.columnFactor;
    const int b = g.shown.rowFactor;
    g.panelFactor = panelFactor;
    g.panelLevel = panelFactor != 0 ? panelLevel : 0;
    g.means = panelFactor != 0 ? PanelMeans(design, scores, a, b, panelFactor, panelLevel)
                               : PairMeans(design, scores, a, b);
    g.columnTitle = design.factor(a).name;
    if (panelFactor != 0)
        g.heading = "For " + design.factor(panelFactor).name + " "
                    + levelHeader(design, panelFactor, panelLevel, useLevelLabels);

    const MeansTable& m = g.means;
    std::vector<std::string> header{design.factor(b).name};
    for (int i = 1; i <= m.levelsA; ++i)
        header.push_back(levelHeader(design, a, i, useLevelLabels));
    header.emplace_back(kMarginalHeader);
    g.cells.push_back(std::move(header));
    for (int j = 1; j <= m.levelsB; ++j) {
        std::vector<std::string> row{levelHeader(design, b, j, useLevelLabels)};
        for (int i = 1; i <= m.levelsA; ++i)
            row.push_back(meanText(m.mean(i, j)));
        row.push_back(meanText(m.marginalB[size_t(j - 1)]));
        g.cells.push_back(std::move(row));
    }
    std::vector<std::string> last{kMarginalHeader};
    for (int i = 1; i <= m.levelsA; ++i)
        last.push_back(meanText(m.marginalA[size_t(i - 1)]));
    last.push_back(meanText(m.grandMean));
    g.cells.push_back(std::move(last));
    if (weights)
        addWeights(g, design, scores, *weights);
    return g;
}

std::string meansCopyText(const MeansGrid& grid, const std::string& problemLabel)
{
    std::string text;
    const std::string& first = grid.heading.empty() ? problemLabel : grid.heading;
    if (!first.empty())
        text += first + "\n";
    text += grid.columnTitle + "\n";
    for (const std::vector<std::string>& row : grid.cells) {
        for (const std::string& cell : row)
            text += cell + " ";
        text += "\n";
    }
    if (!grid.countCells.empty()) {
        text += std::string(kCountsTitle) + "\n";
        for (const std::vector<std::string>& row : grid.countCells) {
            for (const std::string& cell : row)
                text += cell + " ";
            text += "\n";
        }
        for (const std::string& note : grid.notes)
            text += note + "\n";
    }
    return text;
}

std::string cellMeansPrintHeading(bool transformed)
{
    return std::string("  Cell means, using ") + (transformed ? "transformed data" : "raw data");
}

std::vector<std::string> wrapLines(const std::string& text, int width)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;  // "\r\n" is one break
        start = end + 1;

        while (width > 0 && displayWidth(line) > static_cast<size_t>(width)) {
            const size_t limit = bytesOfChars(line, 0, static_cast<size_t>(width));
            // The last blank that lets the part before it fit; the blank itself is dropped.
            const size_t blank = line.rfind(' ', limit);
            if (blank != std::string::npos && blank > 0 && line.find_first_not_of(' ') < blank) {
                std::string part = line.substr(0, blank);
                trimRight(part);
                out.push_back(part);
                line.erase(0, blank + 1);
            } else {
                out.push_back(line.substr(0, limit));
                line.erase(0, limit);
            }
        }
        out.push_back(line);
        if (end >= text.size())
            break;
    }
    return out;
}

std::vector<std::string> meansTableLines(const MeansGrid& grid, const std::string& problemLabel)
{
    std::vector<std::string> lines;
    if (!problemLabel.empty())
        lines.push_back(problemLabel);
    if (!grid.heading.empty())
        lines.push_back(grid.heading);

    size_t first = 0;
    for (const auto& row : grid.cells)
        if (!row.empty())
            first = std::max(first, displayWidth(row.front()));
    lines.push_back(std::string(grid.cells.empty() ? 0 : first + 2, ' ') + grid.columnTitle);
    for (std::string& line : paddedRows(grid.cells))
        lines.push_back(std::move(line));
    for (std::string& line : countLines(grid))
        lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> countLines(const MeansGrid& grid)
{
    if (grid.countCells.empty())
        return {};
    std::vector<std::string> lines{"", kCountsTitle};
    for (std::string& line : paddedRows(grid.countCells))
        lines.push_back(std::move(line));
    lines.emplace_back();
    lines.insert(lines.end(), grid.notes.begin(), grid.notes.end());
    return lines;
}

std::vector<std::string> meansPrintLines(const MeansGrid& grid, bool transformed, const std::string& problemLabel,
                                         int width)
{
    std::vector<std::string> lines{cellMeansPrintHeading(transformed), ""};
    for (std::string& line : meansTableLines(grid, problemLabel))
        lines.push_back(std::move(line));
    std::vector<std::string> out;
    for (const std::string& line : lines)
        for (std::string& part : wrapLines(line, width))
            out.push_back(std::move(part));
    return out;
}

CellMeansBrowser::CellMeansBrowser(Design design, Scores scores, std::vector<FactorPair> pairs, CellMeansMode mode,
                                   bool useLevelLabels, std::optional<CellWeights> weights)
    : design_(std::move(design)), scores_(std::move(scores)), pairs_(std::move(pairs)), mode_(mode),
      useLevelLabels_(useLevelLabels), weights_(std::move(weights))
{
    if (pairs_.empty())
        throw std::invalid_argument("the cell means window needs at least one pair");
    if (weights_ && weights_->counts.size() != scores_.size())
        throw std::invalid_argument("one count per cell mean is needed");
    show(0, 0);
}

void CellMeansBrowser::show(int panelFactor, int panelLevel)
{
    grid_ = buildMeansGrid(design_, scores_, pairs_[size_t(index_)], useLevelLabels_, panelFactor, panelLevel,
                           weights_ ? &*weights_ : nullptr);
}

std::optional<Message> CellMeansBrowser::nextSet()
{
    if (index_ + 1 < pairCount()) {
        ++index_;
        show(0, 0);
        return std::nullopt;
    }
    if (mode_ == CellMeansMode::SimpleEffects)
        return Message{"Simple Effects", "The requested set of simple effects has been shown.", MessageButtons::Ok,
                       MessageIcon::Information};
    return Message{kCellMeansTitle, "The requested set of cell means has been shown.", MessageButtons::Ok,
                   MessageIcon::Information};
}

std::vector<int> CellMeansBrowser::panelFactorChoices() const
{
    return panelFactors(design_, pairs_[size_t(index_)]);
}

std::vector<std::string> CellMeansBrowser::panelFactorNames() const
{
    std::vector<std::string> out;
    for (int k : panelFactorChoices())
        out.push_back(design_.factor(k).name);
    return out;
}

std::string CellMeansBrowser::panelPrompt() const
{
    return "Select the third factor for Panels showing " + design_.factor(grid_.shown.columnFactor).name + " and "
           + design_.factor(grid_.shown.rowFactor).name + ":";
}

void CellMeansBrowser::showPanels(int factor)
{
    const std::vector<int> choices = panelFactorChoices();
    if (std::find(choices.begin(), choices.end(), factor) == choices.end())
        throw std::invalid_argument("the panel factor is not one of the choices");
    show(factor, 1);
}

void CellMeansBrowser::nextLevel()
{
    if (!panelsShown())
        return;
    const int factor = grid_.panelFactor;
    const int level = grid_.panelLevel + 1;
    if (level > design_.factor(factor).levels)
        show(0, 0);
    else
        show(factor, level);
}

std::vector<MeansGrid> CellMeansBrowser::everyGrid() const
{
    CellMeansBrowser walk(design_, scores_, pairs_, mode_, useLevelLabels_, weights_);
    std::vector<MeansGrid> grids;
    do {
        grids.push_back(walk.grid());
        for (int factor : walk.panelFactorChoices()) {
            walk.showPanels(factor);
            while (walk.panelsShown()) {
                grids.push_back(walk.grid());
                walk.nextLevel();
            }
        }
    } while (!walk.nextSet());
    return grids;
}

}  // namespace varisect
