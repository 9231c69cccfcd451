// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/contrastrows.h"

#include <algorithm>
#include <cmath>

#include "analysis/subjectmeans.h"
#include "engine/analysis.h"
#include "engine/effectsize.h"
#include "engine/fdistribution.h"
#include "engine/fprob.h"
#include "engine/numbertext.h"

namespace varisect {

namespace {

Message problem(const char* title, std::string text)
{
    return Message{title, std::move(text), MessageButtons::Ok, MessageIcon::Exclamation};
}

std::string trimmedLabel(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

// The 1-based row of the factor's main effect ("A", or "A +" when nesting pooled it), 0 if none.
int mainEffectRow(const AnovaTable& table, char label)
{
    const std::string plain(1, label);
    for (int r = 2; r <= table.lastRow; ++r) {
        const std::string l = trimmedLabel(table.cell(r, ColSource));
        if (l == plain || l == plain + " +")
            return r;
    }
    return 0;
}

// Puts `row` in at 1-based position `at`; every reference to a row from `at` down moves with it.
// `ownDf`: the df of an error that is not a row of the table, for a row without `denominator`.
void insertRow(AnovaTable& table, int at, const AnovaTable::Row& row, int denominator, double ownDf)
{
    auto shifted = [at](int r) { return r >= at ? r + 1 : r; };
    for (int& d : table.denominatorRow)
        if (d > 0)
            d = shifted(d);
    if (table.imputedErrorRow > 0)
        table.imputedErrorRow = shifted(table.imputedErrorRow);
    if (table.denominatorRow.size() < table.rows.size())
        table.denominatorRow.resize(table.rows.size(), 0);
    table.rows.insert(table.rows.begin() + (at - 1), row);
    if (table.kept.size() >= static_cast<std::size_t>(at - 1))
        table.kept.insert(table.kept.begin() + (at - 1), {});
    table.denominatorRow.insert(table.denominatorRow.begin() + (at - 1), denominator > 0 ? shifted(denominator) : 0);
    if (table.ownErrorDf.size() < table.rows.size() - 1)
        table.ownErrorDf.resize(table.rows.size() - 1, 0.0);
    table.ownErrorDf.insert(table.ownErrorDf.begin() + (at - 1), denominator > 0 ? 0.0 : ownDf);
    table.lastRow += 1;
}

// The contrast x subjects error of a contrast on within-subject factor `factor`, in the units of
// the table's sums of squares: the pooled variance of the subjects' contrast scores times the
// scores behind each subject's level mean over the sum of the squared coefficients. df 0 when
// there is one subject per group.
struct OwnError {
    double ms = 0;
    int df = 0;
};

OwnError ownError(const Design& design, const SubjectLayout& layout, const Scores& scores, const Contrast& c)
{
    const SubjectLevelMeans m = subjectLevelMeans(design, layout, scores, c.factor);
    const std::vector<double> k = scaledDown(c.coefficients);
    std::vector<double> psi(m.means.size(), 0.0);
    for (std::size_t person = 0; person < m.means.size(); ++person)
        for (std::size_t i = 0; i < k.size() && i < m.means[person].size(); ++i)
            psi[person] += k[i] * m.means[person][i];
    double sumSquares = 0;
    for (const double v : k)
        sumSquares += v * v;
    const PooledSpread spread = pooledSpread(psi, m.group);
    const double perMean = m.counts.empty() || m.counts[0].empty() ? 0.0 : m.counts[0][0];
    OwnError out;
    out.df = spread.df;
    out.ms = sumSquares > 0 ? spread.variance() * perMean / sumSquares : 0.0;
    return out;
}

}  // namespace

std::vector<std::string> contrastLegend(const std::vector<ContrastTest>& tests, Adjustment adjustment, int places)
{
    std::vector<std::string> out;
    if (tests.empty())
        return out;
    out.push_back("  Error terms of the contrasts");
    std::size_t width = 0;
    for (const ContrastTest& t : tests)
        width = std::max(width, t.source.size());
    int tested = 0;
    for (const ContrastTest& t : tests) {
        std::string line = "   " + t.source + std::string(width - t.source.size() + 2, ' ');
        if (!t.tested) {
            line += "not tested";
            if (t.ownError && t.errorDf <= 0)
                line += ": one subject per group leaves its own error (" + t.errorTerm + ") no df";
        } else {
            ++tested;
            line += t.ownError ? "its own error, " + t.errorTerm
                : t.pooledWithin ? "the pooled error " + t.errorTerm
                                 : "the error " + t.errorTerm;
            line += " (df" + numberText(t.errorDf) + ", MS " + meanSquareText(t.errorMS, places) + ")";
        }
        out.push_back(line);
    }
    if (tested > 0)
        out.push_back("  " + adjustmentLegend(adjustment, tested, tested == 1 ? "contrast" : "contrasts"));
    return out;
}

bool isNestedFactor(const Design& design, int factor)
{
    if (!design.nested)
        return false;
    const char label = design.factor(factor).tableLabel;
    return std::any_of(design.nestingMatrix.begin(), design.nestingMatrix.end(),
                       [label](const NestRelation& r) { return r.nested == label; });
}

FactorMeans marginalMeans(const Design& design, const Scores& scores, int factor)
{
    const int levels = design.factor(factor).levels;
    long stride = 1;
    for (int k = 1; k < factor; ++k)
        stride *= design.factor(k).levels;
    FactorMeans out;
    out.means.assign(static_cast<std::size_t>(levels), 0.0);
    out.counts.assign(static_cast<std::size_t>(levels), 0.0);
    for (std::size_t p = 0; p < scores.size(); ++p) {
        const auto level = static_cast<std::size_t>((static_cast<long>(p) / stride) % levels);
        out.means[level] += scores[p];
        out.counts[level] += 1;
    }
    for (std::size_t i = 0; i < out.means.size(); ++i)
        if (out.counts[i] > 0)
            out.means[i] /= out.counts[i];
    return out;
}

// The binary exponent of the largest magnitude among `values` (0 when all are 0). Multiplying by
// 2 to its negative brings every value to below 1 in size without rounding any of them, so sums
// and squares formed afterwards neither overflow nor vanish, and values of ordinary size give
// exactly what they gave unscaled.
int binaryExponent(const std::vector<double>& values)
{
    double largest = 0;
    for (const double v : values)
        largest = std::max(largest, std::fabs(v));
    int exponent = 0;
    if (std::isfinite(largest))
        std::frexp(largest, &exponent);
    return exponent;
}

std::vector<double> scaledDown(const std::vector<double>& values)
{
    const int exponent = binaryExponent(values);
    std::vector<double> out(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        out[i] = std::ldexp(values[i], -exponent);
    return out;
}

double contrastSS(const std::vector<double>& coefficients, const FactorMeans& means)
{
    // The SS is the same for any multiple of the coefficients; scaled down first, coefficients
    // near either end of the double range neither overflow nor vanish when squared.
    const std::vector<double> c = scaledDown(coefficients);
    double estimate = 0;
    double weight = 0;
    for (std::size_t i = 0; i < c.size() && i < means.means.size(); ++i) {
        estimate += c[i] * means.means[i];
        if (means.counts[i] > 0)
            weight += c[i] * c[i] / means.counts[i];
    }
    return weight > 0 ? estimate * estimate / weight : 0.0;
}

ContrastInsertion insertContrastRows(AnovaTable& table, const Design& design, const Scores& scores,
                                     const std::vector<Contrast>& contrasts, Prompts& prompts,
                                     const ProbabilityContext& context, const ContrastOptions& options)
{
    if (contrasts.empty())
        return {};  // the table as it is
    AnovaTable next = table;
    ContrastInsertion result;
    const SubjectLayout layout = subjectLayout(design);
    ProbabilityContext probability = context;
    probability.exact = next.exactP;
    const double totalSS = next.rowCount() > next.lastRow ? next.number(next.rowCount(), ColSS) : 0.0;
    for (const Contrast& c : contrasts) {
        if (c.factor < 1 || c.factor > design.factorCount())
            return {problem("No Such Factor!", "A contrast names a factor the design does not have."), false, {}};
        const Factor& f = design.factor(c.factor);
        const int main = mainEffectRow(next, f.tableLabel);
        if (main == 0 || c.factor == design.designatedFactor || isNestedFactor(design, c.factor))
            return {problem("Not Available!", "Contrasts on " + f.name +
                                                  " cannot be tested: the table has no main-effect row for it.  "
                                                  "Contrasts are offered for factors that are neither designated "
                                                  "nor nested."),
                    false, {}};
        if (static_cast<int>(c.coefficients.size()) != f.levels)
            return {problem("Wrong Number of Coefficients!",
                            "The contrast \"" + c.name + "\" on " + f.name + " does not have one coefficient for "
                            "each of its " + std::to_string(f.levels) + " levels."),
                    false, {}};

        double ss = contrastSS(c.coefficients, marginalMeans(design, scores, c.factor));
        if (ss <= kZeroSSRelative * totalSS)
            ss = 0;
        const AnovaTable::Row row{"  " + std::string(1, f.tableLabel) + ": " + c.name, "", "", "", "", ""};
        double F = 0, p = 0;

        const std::size_t mainIndex = static_cast<std::size_t>(main - 1);
        const int error = mainIndex < next.denominatorRow.size() ? next.denominatorRow[mainIndex] : 0;
        bool tested = error >= 2 && error <= next.rowCount() && design.anovaType != AnovaType::NoFRatios
            && !trimmedLabel(next.cell(main, ColF)).empty();
        ContrastTest test;
        test.source = trimmedLabel(row[ColSource - 1]);
        test.ss = ss;
        const bool own = tested && options.error == ContrastError::Separate && layout.usable()
            && layout.isWithin(c.factor);
        double errorMS = 0, errorDf = 0;
        if (own) {
            const OwnError e = ownError(design, layout, scores, c);
            errorMS = e.ms;
            errorDf = e.df;
            test.ownError = true;
            test.errorTerm = c.name + " x " + std::string(1, design.factor(layout.subjects).tableLabel);
            tested = e.df > 0;
        } else if (tested) {
            errorMS = next.number(error, ColMS);
            errorDf = next.number(error, ColDf);
            test.errorTerm = trimmedLabel(next.cell(error, ColSource));
            test.pooledWithin = layout.usable() && layout.isWithin(c.factor);
        }
        test.errorDf = errorDf;
        test.errorMS = errorMS;
        if (tested) {
            F = shownNumber(errorMS > 0 ? shownNumber(ss) / errorMS : 0.0);
            // As every F of the table: an F of 0 asks whether to go on, a tiny one is written as
            // the smallest F shown.
            bool abandoned = false;
            p = FRatioProbability(1, errorDf, F, prompts, probability, abandoned);
            if (abandoned)
                return {std::nullopt, true, {}};
            test.tested = true;
            test.f = F;
            test.p = p;
            test.pExact = exactTailOfShownF(1, errorDf, F);
        }
        result.tests.push_back(test);

        // Below the main effect and the contrasts already there.
        const std::string prefix = "  " + std::string(1, f.tableLabel) + ": ";
        int at = main + 1;
        while (at <= next.lastRow && next.cell(at, ColSource).starts_with(prefix))
            ++at;
        insertRow(next, at, row, tested && !own ? error : 0, tested && own ? errorDf : 0.0);
        next.setNumber(at, ColDf, 1);
        next.setNumber(at, ColSS, ss);
        next.setNumber(at, ColMS, ss);
        if (tested) {
            next.setNumber(at, ColF, F);
            next.setNumber(at, ColP, p);
        }
    }

    // The p column of the contrast rows holds the adjusted p.
    std::vector<double> raw;
    for (const ContrastTest& t : result.tests)
        raw.push_back(t.tested ? t.p : std::nan(""));
    const std::vector<double> adjusted = adjustedP(raw, options.adjustment);
    for (std::size_t i = 0; i < result.tests.size(); ++i) {
        ContrastTest& t = result.tests[i];
        if (!t.tested)
            continue;
        t.pAdjusted = adjusted[i];
        if (options.adjustment != Adjustment::None)
            for (int r = 2; r <= next.lastRow; ++r)
                if (trimmedLabel(next.cell(r, ColSource)) == t.source && next.cell(r, ColSource).starts_with("  ")) {
                    next.setNumber(r, ColP, t.pAdjusted);
                    break;
                }
    }
    next.chooseDisplayDecimals(next.lastRow);
    for (const std::string& line : contrastLegend(result.tests, options.adjustment, next.displayDecimals))
        next.notes.push_back(line);
    table = std::move(next);
    return result;
}

}  // namespace varisect
