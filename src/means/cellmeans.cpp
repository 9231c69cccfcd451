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

MeansGrid buildMeansGrid(const Design& design, const Scores& scores, FactorPair pair, bool useLevelLabels,
                         int panelFactor, int panelLevel)
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

    size_t columns = 0;
    for (const auto& row : grid.cells)
        columns = std::max(columns, row.size());
    std::vector<size_t> widths(columns, 0);
    for (const auto& row : grid.cells)
        for (size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], displayWidth(row[c]));
    const size_t gap = 2;
    lines.push_back(std::string(widths.empty() ? 0 : widths[0] + gap, ' ') + grid.columnTitle);
    for (const auto& row : grid.cells) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            const size_t pad = widths[c] - displayWidth(row[c]);
            if (c == 0)
                line += row[c] + std::string(pad, ' ');
            else
                line += std::string(gap + pad, ' ') + row[c];
        }
        trimRight(line);
        lines.push_back(line);
    }
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
                                   bool useLevelLabels)
    : design_(std::move(design)), scores_(std::move(scores)), pairs_(std::move(pairs)), mode_(mode),
      useLevelLabels_(useLevelLabels)
{
    if (pairs_.empty())
        throw std::invalid_argument("the cell means window needs at least one pair");
    show(0, 0);
}

void CellMeansBrowser::show(int panelFactor, int panelLevel)
{
    grid_ = buildMeansGrid(design_, scores_, pairs_[size_t(index_)], useLevelLabels_, panelFactor, panelLevel);
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
    std::vector<int> out;
    const FactorPair& pair = pairs_[size_t(index_)];
    for (int k : pairFactors(design_))
        if (k != pair.first && k != pair.second && k != design_.designatedFactor)
            out.push_back(k);
    return out;
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

}  // namespace varisect
