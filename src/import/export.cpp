// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/export.h"

namespace varisect {

namespace {

std::string field(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos && (text.empty() || (text.front() != ' ' && text.back() != ' ')))
        return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::vector<std::vector<std::string>> exportLevelLabels(const Design& design,
                                                        const std::vector<std::vector<std::string>>& labels)
{
    std::vector<std::vector<std::string>> out;
    for (int k = 1; k <= design.factorCount(); ++k) {
        const Factor& f = design.factor(k);
        const auto index = static_cast<std::size_t>(k - 1);
        std::vector<std::string> own;
        if (index < labels.size() && labels[index].size() == static_cast<std::size_t>(f.levels))
            own = labels[index];
        else if (f.levelLabels.size() == static_cast<std::size_t>(f.levels) && k != design.designatedFactor)
            own = f.levelLabels;
        bool usable = !own.empty();
        for (const std::string& l : own)
            usable = usable && !l.empty();
        if (!usable) {
            own.clear();
            for (int i = 1; i <= f.levels; ++i)
                own.push_back(std::to_string(i));
        }
        out.push_back(std::move(own));
    }
    return out;
}

std::string longCsvText(const Design& design, const DataLayout& data, const std::vector<std::vector<std::string>>& labels)
{
    const std::vector<std::vector<std::string>> shown = exportLevelLabels(design, labels);
    bool imputed = false;
    for (const ScoreItem& item : data.items)
        imputed = imputed || item.imputed;
    std::string out;
    for (const Factor& f : design.factors)
        out += field(f.name) + ",";
    out += imputed ? "Score,Imputed\r\n" : "Score\r\n";

    auto line = [&](const std::vector<int>& cell, const ScoreItem& item) {
        for (std::size_t k = 0; k < cell.size(); ++k)
            out += field(shown[k][static_cast<std::size_t>(cell[k] - 1)]) + ",";
        out += item.text;
        if (imputed)
            out += item.imputed ? ",1" : ",0";
        out += "\r\n";
    };
    const int nf = design.factorCount();
    if (data.kind == DataLayout::Kind::Plain) {
        const long n = std::min<long>(design.scoreCount(), static_cast<long>(data.items.size()));
        for (long p = 1; p <= n; ++p)
            line(cellAtPosition(design, p), data.items[static_cast<std::size_t>(p - 1)]);
        return out;
    }
    const int d = data.designatedFactor;
    std::size_t next = 0;
    if (data.kind == DataLayout::Kind::CellSizes) {
        // The cells of the design without the designated factor, the lowest factor cycling fastest.
        Design reduced;
        for (int k = 1; k <= nf; ++k)
            if (k != d)
                reduced.factors.push_back(design.factor(k));
        for (std::size_t c = 0; c < data.cellSizes.size(); ++c) {
            const std::vector<int> cell = cellAtPosition(reduced, static_cast<long>(c) + 1);
            for (long i = 1; i <= data.cellSizes[c] && next < data.items.size(); ++i) {
                std::vector<int> full;
                for (int k = 1, r = 0; k <= nf; ++k)
                    full.push_back(k == d ? static_cast<int>(i) : cell[static_cast<std::size_t>(r++)]);
                line(full, data.items[next++]);
            }
        }
        return out;
    }
    // Group sizes: group by group, each level of the crossed factor in turn, the group's subjects.
    const int crossedLevels = design.factor(data.crossedFactor).levels;
    for (std::size_t g = 0; g < data.cellSizes.size(); ++g)
        for (int level = 1; level <= crossedLevels; ++level)
            for (long s = 1; s <= data.cellSizes[g] && next < data.items.size(); ++s) {
                std::vector<int> full(static_cast<std::size_t>(nf), 1);
                full[static_cast<std::size_t>(d - 1)] = static_cast<int>(s);
                full[static_cast<std::size_t>(data.groupingFactor - 1)] = static_cast<int>(g) + 1;
                full[static_cast<std::size_t>(data.crossedFactor - 1)] = level;
                line(full, data.items[next++]);
            }
    return out;
}

}  // namespace varisect
