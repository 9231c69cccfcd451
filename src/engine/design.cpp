// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/design.h"

#include <cctype>
#include <stdexcept>

namespace varisect {

long Design::scoreCount() const
{
    if (factors.empty())
        return 0;
    long n = 1;
    for (const Factor& f : factors) {
        n *= f.levels;
        if (n > 1L << 40)  // far beyond any accepted design; keeps the product from overflowing
            return n;
    }
    return n;
}

int Design::factorIndexOfLabel(char label) const
{
    for (size_t k = 0; k < factors.size(); ++k)
        if (factors[k].tableLabel == label)
            return static_cast<int>(k) + 1;
    return 0;
}

void setTableLabelsFromNames(Design& design)
{
    design.labelsTruncated = false;
    for (Factor& f : design.factors) {
        if (f.name.empty())
            continue;
        f.tableLabel = static_cast<char>(std::toupper(static_cast<unsigned char>(f.name[0])));
        if (f.name.size() > 1)
            design.labelsTruncated = true;
    }
}

long flatPosition(const Design& design, const std::vector<int>& cell)
{
    if (static_cast<int>(cell.size()) != design.factorCount())
        throw std::invalid_argument("cell has the wrong number of factors");
    long p = 0;
    long stride = 1;
    for (size_t k = 0; k < cell.size(); ++k) {
        const int levels = design.factors[k].levels;
        if (cell[k] < 1 || cell[k] > levels)
            throw std::out_of_range("level index outside the factor");
        p += stride * (cell[k] - 1);
        stride *= levels;
    }
    return p + 1;
}

std::vector<int> cellAtPosition(const Design& design, long p)
{
    if (p < 1 || p > design.scoreCount())
        throw std::out_of_range("flat position outside the design");
    std::vector<int> cell(design.factors.size());
    long rest = p - 1;
    for (size_t k = 0; k < cell.size(); ++k) {
        const int levels = design.factors[k].levels;
        cell[k] = static_cast<int>(rest % levels) + 1;
        rest /= levels;
    }
    return cell;
}

long scoresPerMarginalCell(const Design& design, unsigned mask)
{
    long n = 1;
    for (size_t k = 0; k < design.factors.size(); ++k)
        if (!(mask & (1u << k)))
            n *= design.factors[k].levels;
    return n;
}

}  // namespace varisect
