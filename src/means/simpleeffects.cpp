// SPDX-License-Identifier: GPL-3.0-or-later
#include "means/simpleeffects.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/analysis.h"
#include "engine/fprob.h"
#include "engine/numbertext.h"
#include "engine/prompts.h"
#include "means/pairmeans.h"
#include "means/pairselector.h"

namespace varisect {

namespace {

constexpr int kWithinRowToCome = -1;

const char* const kUndefinedTitle = "Undefined F-ratio!";

Message notAppropriate()
{
    return {"Not appropriate for this design!",
            "Simple effects are not defined if there are fewer than two substantive factors.", MessageButtons::Ok,
            MessageIcon::Exclamation};
}

Message zeroWithinCells()
{
    return {kUndefinedTitle,
            "The Mean Square for the denominator for the F-ratios is zero.  This condition prohibits evaluation of "
            "the F-ratio, and is usually the result of faulty input values.  Please check the data?",
            MessageButtons::Ok, MessageIcon::Exclamation};
}

Message tooManyImputed()
{
    return {"Error Condition!",
            std::string("You have too many imputed scores for the specified design.") + kMessageLineBreak
                + "The analysis cannot be carried out as planned.",
            MessageButtons::Ok, MessageIcon::Exclamation};
}

Message zeroErrorTerm(const std::string& source)
{
    return {kUndefinedTitle,
            "The Mean Square for the denominator of the F-ratio associated with the " + source
                + " source is zero.  This condition prohibits evaluation of the F-ratio, and is usually the result "
                  "of faulty input values.  Do you want to continue printing the F-table?",
            MessageButtons::YesNo, MessageIcon::Exclamation};
}

// Totals of the scores by level of a, level of b and subject. A subject is a level of the
// subjects factor together with the levels of every factor outside the pair that the subjects are
// nested under (subject 1 of one group is not subject 1 of another).
struct SubjectTotals {
    int levelsA = 0;
    int levelsB = 0;
    int subjects = 0;   // Lu
    double m = 0;       // scores per total
    std::vector<double> totals;

    double at(int i, int j, int u) const
    {
        return totals[size_t(((u - 1) * levelsB + (j - 1)) * levelsA + (i - 1))];
    }
};

SubjectTotals subjectTotals(const Design& design, const Scores& scores, int a, int b)
{
    const int nf = design.factorCount();
    const int s = design.designatedFactor;
    std::vector<int> unitFactors{s};
    for (int k = 1; k <= nf; ++k)
        if (k != a && k != b && k != s && isNestedUnder(design, s, k))
            unitFactors.push_back(k);

    SubjectTotals u;
    u.levelsA = design.factor(a).levels;
    u.levelsB = design.factor(b).levels;
    u.subjects = 1;
    for (int k : unitFactors)
        u.subjects *= design.factor(k).levels;
    u.m = static_cast<double>(design.scoreCount()) / (double(u.levelsA) * u.levelsB * u.subjects);
    u.totals.assign(size_t(u.levelsA) * size_t(u.levelsB) * size_t(u.subjects), 0.0);

    std::vector<int> level(size_t(nf), 0);  // 0-based, factor 1 cycling fastest
    for (const float score : scores) {
        int unit = 0;
        for (auto k = unitFactors.rbegin(); k != unitFactors.rend(); ++k)
            unit = unit * design.factor(*k).levels + level[size_t(*k - 1)];
        const size_t index = (size_t(unit) * size_t(u.levelsB) + size_t(level[size_t(b - 1)])) * size_t(u.levelsA)
                             + size_t(level[size_t(a - 1)]);
        u.totals[index] += static_cast<double>(score);
        for (int f = 0; f < nf; ++f) {
            if (++level[size_t(f)] < design.factors[size_t(f)].levels)
                break;
            level[size_t(f)] = 0;
        }
    }
    return u;
}

class SimpleEffectsBuilder {
public:
    // The sums of squares of the effects come from `sums`, not from the scores.
    SimpleEffectsBuilder(const Design& design, int a, int b, const SimpleEffectSums& sums, bool exactP,
                         Prompts& prompts)
        : design_(design), a_(a), b_(b), prompts_(prompts), supplied_(&sums)
    {
        probability_.exact = exactP;
        table_.exactP = exactP;
        totalSS_ = sums.totalSS;
    }

    SimpleEffectsBuilder(const Design& design, const Scores& scores, int a, int b, bool exactP, Prompts& prompts)
        : design_(design), a_(a), b_(b), prompts_(prompts), means_(PairMeans(design, scores, a, b))
    {
        probability_.exact = exactP;
        table_.exactP = exactP;
        double mean = 0;
        for (const float score : scores)
            mean += static_cast<double>(score) / static_cast<double>(scores.size());
        for (const float score : scores)
            totalSS_ += (static_cast<double>(score) - mean) * (static_cast<double>(score) - mean);
        if (design.anovaType == AnovaType::RepeatedMeasures)
            subjects_ = subjectTotals(design, scores, a, b);
    }

    SimpleEffectsOutcome run(double pooledSS, int pooledDf)
    {
        const bool independent = design_.anovaType == AnovaType::IndependentGroups;
        if (independent) {
            if (isZero(pooledSS)) {
                prompts_.tell(zeroWithinCells());
                return {std::nullopt, true};
            }
            if (pooledDf < 1) {
                prompts_.tell(tooManyImputed());
                return {};
            }
            pooledMS_ = shownNumber(pooledSS / pooledDf);
            pooledDf_ = pooledDf;
        }
        table_.rows.push_back({"Source", "df", "SS", "MS", "F", "  p"});
        if (!effectsAt(a_, b_, "j") || !effectsAt(b_, a_, "i"))
            return {std::nullopt, abandoned_};
        if (independent) {
            table_.appendRow("  Within", pooledDf, pooledSS, pooledSS / pooledDf);
            table_.pooledErrorSS = pooledSS;
            table_.pooledErrorDf = pooledDf;
            std::replace(table_.denominatorRow.begin(), table_.denominatorRow.end(), kWithinRowToCome,
                         table_.rowCount());
        }
        table_.lastRow = table_.rowCount();
        table_.chooseDisplayDecimals(table_.lastRow);
        return {table_, false};
    }

private:
    // Zero, or no more than rounding leaves of zero: the same test at every scale of the scores.
    bool isZero(double ss) const { return ss <= kZeroSSRelative * totalSS_; }

    std::string label(int factor) const { return std::string(1, design_.factor(factor).tableLabel); }

    int levels(int factor) const { return design_.factor(factor).levels; }

    // The mean of the cell at level x of `effect` and level l of `at`.
    double cellMean(int effect, int x, int l) const { return effect == a_ ? means_.mean(x, l) : means_.mean(l, x); }

    double subjectTotal(int effect, int x, int l, int unit) const
    {
        return effect == a_ ? subjects_.at(x, l, unit) : subjects_.at(l, x, unit);
    }

    // The SS of `effect` at level l of the other factor, from the pair's cell means.
    double effectSS(int effect, int l) const
    {
        const int le = levels(effect);
        double mean = 0;
        for (int x = 1; x <= le; ++x)
            mean += cellMean(effect, x, l);
        mean /= le;
        double ss = 0;
        for (int x = 1; x <= le; ++x) {
            const double d = cellMean(effect, x, l) - mean;
            ss += d * d;
        }
        return ss * means_.n;
    }

    // The rows of `effect` at every level of `at`; false when the table is not to be shown.
    bool effectsAt(int effect, int at, const char* levelName)
    {
        const std::string base = label(effect) + " at " + label(at);
        if (isNestedUnder(design_, at, effect)) {
            table_.rows.push_back({base + " " + levelName, "not ", "defined", "", "", ""});
            return true;
        }
        const int le = levels(effect);
        for (int l = 1; l <= levels(at); ++l) {
            const double ss = supplied_ ? (effect == a_ ? supplied_->columnAtRow : supplied_->rowAtColumn)[size_t(l - 1)]
                                        : effectSS(effect, l);
            const int df = le - 1;
            const std::string source = base + numberText(l);
            const int effectRow = table_.appendRow(source, df, ss, ss / df);

            if (design_.anovaType == AnovaType::IndependentGroups) {
                if (!formRatio(effectRow, pooledMS_, pooledDf_, kWithinRowToCome))
                    return false;
                continue;
            }
            if (!errorRow(effect, at, l, source, effectRow))
                return false;
        }
        return true;
    }

    // Repeated measures: the error row of `effect` at level l of `at`, and the effect's F.
    bool errorRow(int effect, int at, int l, const std::string& source, int effectRow)
    {
        const int s = design_.designatedFactor;
        const int le = levels(effect);
        const int lu = subjects_.subjects;
        const double m = subjects_.m;
        // Means per subject at each level of the effect, and their row, column and grand means.
        std::vector<double> y(size_t(le) * size_t(lu));
        std::vector<double> byLevel(size_t(le), 0.0), bySubject(size_t(lu), 0.0);
        double grand = 0;
        for (int u = 1; u <= lu; ++u)
            for (int x = 1; x <= le; ++x) {
                const double v = subjectTotal(effect, x, l, u) / m;
                y[size_t((u - 1) * le + (x - 1))] = v;
                byLevel[size_t(x - 1)] += v / lu;
                bySubject[size_t(u - 1)] += v / le;
                grand += v / (double(le) * lu);
            }

        const bool nested = isNestedUnder(design_, s, effect);
        double ss = 0;
        for (int u = 1; u <= lu; ++u)
            for (int x = 1; x <= le; ++x) {
                double d = y[size_t((u - 1) * le + (x - 1))] - byLevel[size_t(x - 1)];
                if (!nested)
                    d += grand - bySubject[size_t(u - 1)];
                ss += d * d;
            }
        ss *= m;
        const int df = nested ? le * (lu - 1) - design_.imputedCount : (le - 1) * (lu - 1);
        const std::string name = nested ? "  Error+ at " + label(at) + numberText(l)
                                        : "  " + label(effect) + "x" + label(s) + " at " + label(at) + numberText(l);
        if (df < 1) {
            prompts_.tell(tooManyImputed());
            return false;
        }
        table_.appendRow(name, df, ss, ss / df);
        if (isZero(ss))
            return prompts_.askYesNo(zeroErrorTerm(source));  // Yes: F and p stay blank
        return formRatio(effectRow, table_.number(table_.rowCount(), ColMS), df, table_.rowCount());
    }

    // `errorRow`: the row the F is formed against (kWithinRowToCome: the "  Within" row, added
    // after the effects), recorded for the exact tail of F.
    bool formRatio(int row, double errorMS, int errorDf, int errorRow)
    {
        table_.denominatorRow.resize(std::max(table_.denominatorRow.size(), static_cast<std::size_t>(row)));
        table_.denominatorRow[static_cast<std::size_t>(row - 1)] = errorRow;
        double f = shownNumber(table_.number(row, ColMS) / errorMS);
        bool abort = false;
        const double p = FRatioProbability(table_.number(row, ColDf), errorDf, f, prompts_, probability_, abort);
        if (abort) {
            abandoned_ = true;  // the warning's "No" returns to the data
            return false;
        }
        table_.setNumber(row, ColF, f);
        table_.setNumber(row, ColP, p);
        return true;
    }

    const Design& design_;
    const int a_;
    const int b_;
    Prompts& prompts_;
    const SimpleEffectSums* supplied_ = nullptr;
    const MeansTable means_;
    SubjectTotals subjects_;
    AnovaTable table_;
    ProbabilityContext probability_;
    double totalSS_ = 0;
    double pooledMS_ = 0;
    int pooledDf_ = 0;
    bool abandoned_ = false;
};

}  // namespace

SimpleEffectsOutcome computeSimpleEffects(const Design& design, const Scores& scores, int columnFactor,
                                          int rowFactor, Prompts& prompts, bool exactP)
{
    const int nf = design.factorCount();
    const int s = design.designatedFactor;
    if (design.anovaType == AnovaType::NoFRatios)
        throw std::invalid_argument("simple effects need independent groups or repeated measures");
    if (s < 1 || s > nf)
        throw std::invalid_argument("the replicates or subjects factor is not designated");
    if (nf - 1 < 2) {
        prompts.tell(notAppropriate());
        return {};
    }
    if (columnFactor < 1 || columnFactor > nf || rowFactor < 1 || rowFactor > nf || columnFactor == rowFactor
        || columnFactor == s || rowFactor == s)
        throw std::invalid_argument("simple effects need two different substantive factors");

    double pooledSS = 0;
    int pooledDf = 0;
    if (design.anovaType == AnovaType::IndependentGroups) {
        // The within-cells error of the analysis: every source that holds the replicates factor,
        // its df reduced by the imputed scores.
        const SourceSums sums = computeSourceSums(design, scores);
        const SourceMask replicates = 1u << (s - 1);
        for (SourceMask m = 1; m < sums.ss.size(); ++m)
            if (m & replicates) {
                pooledSS += sums.ss[m];
                pooledDf += sums.df[m];
            }
        pooledDf -= design.imputedCount;
    }
    return SimpleEffectsBuilder(design, scores, columnFactor, rowFactor, exactP, prompts).run(pooledSS, pooledDf);
}

SimpleEffectsOutcome simpleEffectsFromSums(const Design& design, int columnFactor, int rowFactor,
                                           const SimpleEffectSums& sums, Prompts& prompts, bool exactP)
{
    const int nf = design.factorCount();
    if (columnFactor < 1 || columnFactor > nf || rowFactor < 1 || rowFactor > nf || columnFactor == rowFactor)
        throw std::invalid_argument("simple effects need two different factors");
    if (design.anovaType != AnovaType::IndependentGroups)
        throw std::invalid_argument("supplied simple effects are tested against a within-cells error");
    if (sums.columnAtRow.size() != static_cast<size_t>(design.factor(rowFactor).levels)
        || sums.rowAtColumn.size() != static_cast<size_t>(design.factor(columnFactor).levels))
        throw std::invalid_argument("one sum of squares per level is needed");
    return SimpleEffectsBuilder(design, columnFactor, rowFactor, sums, exactP, prompts).run(sums.withinSS, sums.withinDf);
}

}  // namespace varisect
