// SPDX-License-Identifier: GPL-3.0-or-later
#include "posthoc/posthoc.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>

#include <boost/math/distributions/students_t.hpp>

#include "analysis/multiplicity.h"
#include "analysis/subjectmeans.h"
#include "engine/effectsize.h"
#include "engine/numbertext.h"
#include "engine/sources.h"
#include "engine/studentizedrange.h"

namespace varisect {

namespace {

constexpr double kConfidence = 0.95;
const double kNaN = std::nan("");

unsigned bit(int factor)
{
    return 1u << (factor - 1);
}

Message notAvailable(std::string text)
{
    return Message{"Not Available!", std::move(text), MessageButtons::Ok, MessageIcon::Exclamation};
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The 1-based row of the effect (the sources in `mask`), "+" of a pooled row allowed; 0 if none.
int effectRow(const Design& design, const AnovaTable& table, unsigned mask)
{
    const std::string label = sourceLabel(design, mask);
    for (int r = 2; r <= table.lastRow; ++r) {
        const std::string& cell = table.cell(r, ColSource);
        if (!cell.empty() && cell[0] == ' ')
            continue;
        const std::string l = trimmed(cell);
        if (l == label || l == label + " +")
            return r;
    }
    return 0;
}

// One error for a family of comparisons that share it.
struct TableError {
    double ms = 0;
    double df = 0;
    std::string label;
};

std::optional<TableError> tableError(const Design& design, const AnovaTable& table, unsigned mask)
{
    const int row = effectRow(design, table, mask);
    if (row == 0)
        return std::nullopt;
    const auto index = static_cast<std::size_t>(row - 1);
    const int error = index < table.denominatorRow.size() ? table.denominatorRow[index] : 0;
    if (error < 2 || error > table.rowCount() || trimmed(table.cell(row, ColF)).empty())
        return std::nullopt;
    return TableError{table.number(error, ColMS), table.number(error, ColDf), trimmed(table.cell(error, ColSource))};
}

// The mean of the scores at level `level` of `factor` and, with a by-factor, `byLevel` of it.
std::vector<double> levelMeans(const Design& design, const Scores& scores, int factor, int by, int byLevel)
{
    const int levels = design.factor(factor).levels;
    std::vector<double> sum(static_cast<std::size_t>(levels), 0.0), count(sum);
    std::vector<int> level(static_cast<std::size_t>(design.factorCount()), 0);
    for (std::size_t p = 0; p < scores.size(); ++p) {
        if (by == 0 || level[static_cast<std::size_t>(by - 1)] + 1 == byLevel) {
            const auto i = static_cast<std::size_t>(level[static_cast<std::size_t>(factor - 1)]);
            sum[i] += scores[p];
            count[i] += 1;
        }
        for (int k = 0; k < design.factorCount(); ++k) {
            int& l = level[static_cast<std::size_t>(k)];
            if (++l < design.factor(k + 1).levels)
                break;
            l = 0;
        }
    }
    for (std::size_t i = 0; i < sum.size(); ++i)
        sum[i] = count[i] > 0 ? sum[i] / count[i] : 0.0;
    return sum;
}

std::string fixed(double v, int decimals)
{
    if (std::isnan(v))
        return "";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s == "-0" || s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, s[0] == '-' ? 1 : 0);
    return s;
}

std::string pText(double p)
{
    if (std::isnan(p))
        return "";
    if (p < 0.0001)
        return "<.0001";
    std::string s = fixed(p, 4);
    if (s.starts_with("0."))
        s.erase(0, 1);
    return s;
}

// The adjustment of the t tests' p: Holm's or Bonferroni's (Tukey's p are the family's already).
Adjustment adjustmentOfMethod(PairwiseMethod method)
{
    return method == PairwiseMethod::Holm ? Adjustment::Holm
        : method == PairwiseMethod::Bonferroni ? Adjustment::Bonferroni
                                                : Adjustment::None;
}

std::string padLeft(const std::string& s, std::size_t width)
{
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

}  // namespace

std::string pairwiseMethodKey(PairwiseMethod method)
{
    switch (method) {
    case PairwiseMethod::Holm:
        return "holm";
    case PairwiseMethod::Bonferroni:
        return "bonferroni";
    case PairwiseMethod::Tukey:
        break;
    }
    return "tukey";
}

std::string pairwiseMethodName(PairwiseMethod method)
{
    switch (method) {
    case PairwiseMethod::Holm:
        return "Holm";
    case PairwiseMethod::Bonferroni:
        return "Bonferroni";
    case PairwiseMethod::Tukey:
        break;
    }
    return "Tukey HSD";
}

std::string pairwiseIntervalsKey(PairwiseMethod method)
{
    if (method == PairwiseMethod::Tukey)
        return pairwiseMethodKey(method);
    return adjustmentKey(intervalAdjustment(adjustmentOfMethod(method)));
}

bool pairwiseMethodOfKey(const std::string& key, PairwiseMethod& method)
{
    std::string k = key;
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const PairwiseMethod m : {PairwiseMethod::Tukey, PairwiseMethod::Holm, PairwiseMethod::Bonferroni})
        if (k == pairwiseMethodKey(m)) {
            method = m;
            return true;
        }
    return false;
}

std::vector<int> posthocFactors(const Design& design)
{
    std::vector<int> out;
    for (int k = 1; k <= design.factorCount(); ++k)
        if (k != design.designatedFactor && !isNestedFactor(design, k))
            out.push_back(k);
    return out;
}

std::string levelName(const Design& design, int factor, int level)
{
    const Factor& f = design.factor(factor);
    const auto i = static_cast<std::size_t>(level - 1);
    if (i < f.levelLabels.size() && !trimmed(f.levelLabels[i]).empty())
        return trimmed(f.levelLabels[i]);
    return std::string(1, f.tableLabel) + std::to_string(level);
}

PosthocResult pairwiseComparisons(const Design& design, const Scores& scores, const AnovaTable& table,
                                  const PosthocRequest& request)
{
    PosthocResult out;
    out.statisticName = request.method == PairwiseMethod::Tukey ? "q" : "t";
    const std::vector<int> eligible = posthocFactors(design);
    const auto offered = [&eligible](int k) { return std::find(eligible.begin(), eligible.end(), k) != eligible.end(); };
    if (design.anovaType == AnovaType::NoFRatios) {
        out.refusal = notAvailable("Pairwise comparisons need F-ratios: choose independent groups or repeated "
                                   "measures for the table.");
        return out;
    }
    if (request.factor < 1 || request.factor > design.factorCount() || !offered(request.factor)) {
        out.refusal = notAvailable("The levels of this factor cannot be compared: pairwise comparisons are "
                                   "offered for factors that are neither designated nor nested.");
        return out;
    }
    if (request.byFactor != 0 &&
        (request.byFactor == request.factor || request.byFactor < 0 || request.byFactor > design.factorCount() ||
         !offered(request.byFactor))) {
        out.refusal = notAvailable("The cell means of " + design.factor(request.factor).name +
                                   " can be compared at each level of another factor that is neither designated "
                                   "nor nested.");
        return out;
    }
    if (static_cast<long>(scores.size()) != design.scoreCount()) {
        out.refusal = notAvailable("The scores do not match the design.");
        return out;
    }

    const int a = request.factor;
    const int by = request.byFactor;
    const int levels = design.factor(a).levels;
    const unsigned effect = bit(a) | (by ? bit(by) : 0u);
    const SubjectLayout layout = subjectLayout(design);
    const bool repeated = layout.usable();
    const bool within = repeated && layout.isWithin(a);
    const bool ownError = within && request.error == ContrastError::Separate;
    const bool subjectSpread = repeated && !within;  // between-subject comparisons in a mixed design

    std::optional<TableError> pooled;
    if (!ownError && !subjectSpread) {
        pooled = tableError(design, table, effect);
        if (!pooled) {
            out.refusal = notAvailable("The table has no F-ratio for " + sourceLabel(design, effect) +
                                       ", so there is no error term to compare its means against.");
            return out;
        }
    }

    const int familySize = levels * (levels - 1) / 2;
    const int byLevels = by ? design.factor(by).levels : 1;
    double familyDf = 0;
    std::map<double, double> critical;  // the critical t (or q / sqrt 2) of the families, by df
    for (int b = 1; b <= byLevels; ++b) {
        const int byLevel = by ? b : 0;
        const std::vector<double> means = levelMeans(design, scores, a, by, byLevel);
        std::vector<PairwiseRow> family;
        std::vector<double> rawP;
        // The subjects' means, for the comparisons whose error comes from them.
        const bool byWithin = by && repeated && layout.isWithin(by);
        SubjectLevelMeans subjects;
        if (ownError || subjectSpread)
            subjects = subjectLevelMeans(design, layout, scores, a, byWithin ? by : 0, byWithin ? byLevel : 0);
        for (int i = 1; i <= levels; ++i)
            for (int j = i + 1; j <= levels; ++j) {
                PairwiseRow row;
                row.byLevel = byLevel;
                row.first = i;
                row.second = j;
                row.meanFirst = means[static_cast<std::size_t>(i - 1)];
                row.meanSecond = means[static_cast<std::size_t>(j - 1)];
                row.difference = row.meanFirst - row.meanSecond;
                const std::size_t si = static_cast<std::size_t>(i - 1), sj = static_cast<std::size_t>(j - 1);
                if (ownError) {
                    // Each subject's difference of its two level means (at the by-level, among the
                    // subjects of that by-level when the by-factor is between subjects).
                    std::vector<double> d(subjects.means.size());
                    std::vector<bool> include(subjects.means.size(), true);
                    for (std::size_t p = 0; p < d.size(); ++p) {
                        d[p] = subjects.means[p][si] - subjects.means[p][sj];
                        if (by && !byWithin)
                            include[p] = subjects.levels[p][static_cast<std::size_t>(by - 1)] == byLevel;
                    }
                    const PooledSpread spread = pooledSpread(d, subjects.group, include);
                    row.df = spread.df;
                    row.se = spread.n > 0 ? std::sqrt(spread.variance() / spread.n) : 0.0;
                } else if (subjectSpread) {
                    // Independent groups of subjects: each subject's mean over its scores (at the
                    // by-level), their spread within all the groups.
                    std::vector<double> y(subjects.means.size());
                    double ni = 0, nj = 0;
                    for (std::size_t p = 0; p < y.size(); ++p) {
                        const auto own = static_cast<std::size_t>(subjects.levels[p][static_cast<std::size_t>(a - 1)] - 1);
                        y[p] = subjects.means[p][own];
                        const bool here = !by || byWithin ||
                            subjects.levels[p][static_cast<std::size_t>(by - 1)] == byLevel;
                        if (here && own == si)
                            ni += 1;
                        if (here && own == sj)
                            nj += 1;
                    }
                    const PooledSpread spread = pooledSpread(y, subjects.group);
                    row.df = spread.df;
                    row.se = ni > 0 && nj > 0 ? std::sqrt(spread.variance() * (1 / ni + 1 / nj)) : 0.0;
                } else {
                    const double n = static_cast<double>(scoresPerMarginalCell(design, effect));
                    row.df = pooled->df;
                    row.se = std::sqrt(std::max(0.0, pooled->ms) * 2 / n);
                }
                familyDf = row.df;
                const bool testable = row.se > 0 && row.df > 0;
                const double t = testable ? row.difference / row.se : kNaN;
                row.statistic = request.method == PairwiseMethod::Tukey ? std::sqrt(2.0) * std::fabs(t) : t;
                if (!testable) {
                    rawP.push_back(kNaN);
                } else if (request.method == PairwiseMethod::Tukey) {
                    rawP.push_back(studentizedRangeUpperTail(row.statistic, levels, row.df));
                } else {
                    const boost::math::students_t dist(row.df);
                    rawP.push_back(2 * boost::math::cdf(boost::math::complement(dist, std::fabs(t))));
                }
                family.push_back(row);
            }

        // Tukey's p is already that of the family; Holm and Bonferroni adjust within it.
        const std::vector<double> p = request.method == PairwiseMethod::Tukey ? rawP
            : adjustedP(rawP, adjustmentOfMethod(request.method));
        for (std::size_t r = 0; r < family.size(); ++r) {
            PairwiseRow& row = family[r];
            row.p = p[r];
            if (std::isnan(row.p)) {
                row.lower = row.upper = kNaN;
                continue;
            }
            auto found = critical.find(row.df);
            if (found == critical.end()) {
                const double alpha = 1 - kConfidence;
                double c;
                if (request.method == PairwiseMethod::Tukey) {
                    c = studentizedRangeQuantile(alpha, levels, row.df) / std::sqrt(2.0);
                } else {
                    // Holm's p come with Bonferroni's intervals: it has none of its own.
                    const boost::math::students_t dist(row.df);
                    const double each = intervalAlpha(adjustmentOfMethod(request.method), familySize, alpha);
                    c = boost::math::quantile(boost::math::complement(dist, each / 2));
                }
                found = critical.emplace(row.df, c).first;
            }
            row.lower = row.difference - found->second * row.se;
            row.upper = row.difference + found->second * row.se;
        }
        out.rows.insert(out.rows.end(), family.begin(), family.end());
    }

    // The legend.
    const std::string subjectLabel = repeated ? std::string(1, design.factor(layout.subjects).tableLabel) : "";
    if (ownError)
        out.legend.push_back("Error: each pair's own error, the subjects' differences (pair x " + subjectLabel +
                             ", df" + numberText(familyDf) + ")");
    else if (subjectSpread)
        out.legend.push_back("Error: the subjects' means within their groups (" + subjectLabel + " within groups, df" +
                             numberText(familyDf) + ")");
    else
        out.legend.push_back(std::string("Error: ") + (within ? "the pooled error " : "the error ") + pooled->label +
                             " of the table (df" + numberText(pooled->df) + ", MS " + meanSquareText(pooled->ms, table.displayDecimals) + ")");
    // The p, then which intervals are shown: worded as the planned comparisons' adjustment.
    const std::string what = std::string(familySize == 1 ? "comparison" : "comparisons") +
        (by ? " at each level of " + design.factor(by).name : "");
    if (request.method == PairwiseMethod::Tukey) {
        out.legend.push_back("p: Tukey HSD, the studentized range of " + std::to_string(levels) +
                             " means, q = sqrt(2) |t|, for the " + std::to_string(familySize) + " " + what);
        out.legend.push_back("Intervals: Tukey HSD simultaneous 95% confidence intervals of the differences");
    } else {
        out.legend.push_back(adjustmentLegend(adjustmentOfMethod(request.method), familySize, what));
        out.legend.push_back(intervalLegend(adjustmentOfMethod(request.method), "the differences"));
    }
    if (std::any_of(out.rows.begin(), out.rows.end(), [](const PairwiseRow& r) { return std::isnan(r.p); }))
        out.legend.push_back("A pair without t and p has an error of 0 or no df: it cannot be tested");
    return out;
}

std::vector<std::string> posthocLines(const Design& design, const PosthocRequest& request, const PosthocResult& result)
{
    std::vector<std::string> out;
    if (result.refusal) {
        out.push_back(result.refusal->text);
        return out;
    }
    const Factor& f = design.factor(request.factor);
    std::string heading = "  Pairwise comparisons of " + f.name + " (" + pairwiseMethodName(request.method) + ")";
    if (request.byFactor)
        heading += ", at each level of " + design.factor(request.byFactor).name;
    out.push_back(heading);
    std::size_t width = 10;
    for (const PairwiseRow& r : result.rows)
        width = std::max(width, levelName(design, request.factor, r.first).size() + 3 +
                                    levelName(design, request.factor, r.second).size());
    const std::string head = "  " + std::string("Comparison") + std::string(width - 10, ' ') + padLeft("Difference", 12) +
        padLeft("SE", 11) + padLeft(result.statisticName, 9) + padLeft("df", 6) + padLeft("p", 8) +
        padLeft("95% CI lower", 14) + padLeft("upper", 11);
    out.push_back(head);
    int currentBy = -1;
    for (const PairwiseRow& r : result.rows) {
        if (request.byFactor && r.byLevel != currentBy) {
            currentBy = r.byLevel;
            out.push_back(" " + design.factor(request.byFactor).name + " at " + levelName(design, request.byFactor, r.byLevel));
        }
        std::string label = levelName(design, request.factor, r.first) + " - " + levelName(design, request.factor, r.second);
        label += std::string(width - label.size(), ' ');
        out.push_back("  " + label + padLeft(fixed(r.difference, 4), 12) + padLeft(fixed(r.se, 4), 11) +
                      padLeft(fixed(r.statistic, 3), 9) + padLeft(fixed(r.df, 0), 6) + padLeft(pText(r.p), 8) +
                      padLeft(fixed(r.lower, 4), 14) + padLeft(fixed(r.upper, 4), 11));
    }
    out.push_back("");
    for (const std::string& line : result.legend)
        out.push_back("  " + line);
    return out;
}

}  // namespace varisect
