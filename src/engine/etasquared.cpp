// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/etasquared.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "engine/anovatable.h"
#include "engine/fdistribution.h"

namespace varisect {

namespace {

bool isBlankText(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

std::string intervalText(double lower, double upper)
{
    return "[" + FormatFixed(lower, 3, false) + ", " + FormatFixed(upper, 3, false) + "]";
}

}  // namespace

std::optional<std::pair<double, double>> partialEtaInterval(double F, double df1, double df2, double confidence)
{
    const auto lambda = noncentralityInterval(F, df1, df2, confidence);
    if (!lambda)
        return std::nullopt;
    const auto eta = [df2](double l) { return l / (l + df2); };
    return std::make_pair(eta(lambda->first), eta(lambda->second));
}

std::optional<std::pair<double, double>> estimateInterval(double value, double df1, double df2, double confidence)
{
    if (!std::isfinite(value) || value >= 1 || !(df1 > 0) || !(df2 > 0))
        return std::nullopt;
    const double estimate = std::max(value, 0.0);
    const double F = (estimate / df1) / ((1 - estimate) / df2);
    return partialEtaInterval(F, df1, df2, confidence);
}

EffectSizes computeEtaSquared(const AnovaTable& table, EffectSizeKind kind)
{
    EffectSizes out;
    out.kind = kind;
    const size_t rows = table.rows.size();
    for (auto* v : {&out.omega2, &out.phi, &out.power, &out.eta2, &out.ciLower, &out.ciUpper})
        v->assign(rows, std::nullopt);
    out.column3.assign(rows, std::string());
    out.column4.assign(rows, std::string());
    if (rows < 2)
        return out;
    out.column3[0] = kind == EffectSizeKind::Eta ? "Eta\u00B2"
        : kind == EffectSizeKind::PartialEta     ? "Partial Eta\u00B2"
                                                 : "Gen. Eta\u00B2";
    out.column4[0] = "90% CI";

    const int lastRow = std::min(table.lastRow, table.rowCount() - 1);
    const auto denominatorOf = [&](int r) {
        const size_t i = static_cast<size_t>(r - 1);
        const int d = i < table.denominatorRow.size() ? table.denominatorRow[i] : 0;
        return d >= 2 && d <= table.rowCount() ? d : 0;
    };
    // The sources that involve the subjects: the error rows and a subjects row without MS.
    std::set<int> subjectRows;
    for (int r = 2; r <= lastRow; ++r) {
        if (const int d = denominatorOf(r); d > 0 && table.cellNumber(r, ColF))
            subjectRows.insert(d);
        if (isBlankText(table.cell(r, ColMS)) && table.cellNumber(r, ColSS))
            subjectRows.insert(r);
    }
    double subjectSS = 0;
    for (int r : subjectRows)
        subjectSS += table.cellNumber(r, ColSS).value_or(0);
    const std::optional<double> totalSS = table.cellNumber(table.rowCount(), ColSS);

    for (int r = 2; r <= lastRow; ++r) {
        const int d = denominatorOf(r);
        const std::optional<double> f = table.cellNumber(r, ColF);
        const std::optional<double> ss = table.cellNumber(r, ColSS);
        const std::optional<double> df1 = table.cellNumber(r, ColDf);
        if (d == 0 || !f || !ss || !df1)
            continue;
        const std::optional<double> errorSS = table.cellNumber(d, ColSS);
        const std::optional<double> df2 = table.cellNumber(d, ColDf);
        if (!errorSS || !df2)
            continue;
        double denominator = *ss + *errorSS;
        if (kind == EffectSizeKind::Eta) {
            if (!totalSS)
                continue;
            denominator = *totalSS;
        } else if (kind == EffectSizeKind::GeneralizedEta) {
            denominator = *ss + subjectSS;
        }
        if (!(denominator > 0))
            continue;
        const size_t i = static_cast<size_t>(r - 1);
        const double value = *ss / denominator;
        out.eta2[i] = value;
        out.column3[i] = FormatFixed(value, 3, false);
        // Partial eta squared inverts the F of the table itself.
        const auto ci = kind == EffectSizeKind::PartialEta ? partialEtaInterval(*f, *df1, *df2)
                                                           : estimateInterval(value, *df1, *df2);
        if (ci) {
            out.ciLower[i] = ci->first;
            out.ciUpper[i] = ci->second;
            out.column4[i] = intervalText(ci->first, ci->second);
        }
    }
    return out;
}

}  // namespace varisect
