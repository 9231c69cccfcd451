// SPDX-License-Identifier: GPL-3.0-or-later
#include "sphericity/sphericity.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <Eigen/Dense>

#include <boost/math/distributions/chi_squared.hpp>

#include "engine/anovatable.h"
#include "engine/effectsize.h"
#include "engine/fdistribution.h"
#include "engine/fprob.h"
#include "engine/numbertext.h"
#include "engine/sources.h"

namespace varisect {

namespace {

namespace bm = boost::math;
using Quiet = bm::policies::policy<bm::policies::domain_error<bm::policies::ignore_error>,
                                   bm::policies::overflow_error<bm::policies::ignore_error>,
                                   bm::policies::evaluation_error<bm::policies::ignore_error>>;

constexpr const char* kHeading = "  Sphericity of the within-subject effects";
// An eigenvalue this small beside the largest counts as 0: the matrix is singular and W is 0.
constexpr double kSingularRatio = 1e-12;

double chiSquareUpperTail(double x, double df)
{
    if (!(x > 0))
        return 1.0;
    if (std::isinf(x))
        return 0.0;
    const double p = bm::cdf(bm::complement(bm::chi_squared_distribution<double, Quiet>(df), x));
    return std::isnan(p) ? 1.0 : std::clamp(p, 0.0, 1.0);
}

unsigned bit(int k) { return 1u << (k - 1); }

// (L - 1) x L, orthonormal rows orthogonal to the constant (normalised Helmert contrasts).
Eigen::MatrixXd orthonormalContrasts(int levels)
{
    Eigen::MatrixXd m = Eigen::MatrixXd::Zero(levels - 1, levels);
    for (int j = 1; j < levels; ++j) {
        const double scale = 1.0 / std::sqrt(static_cast<double>(j) * (j + 1));
        for (int i = 0; i < j; ++i)
            m(j - 1, i) = scale;
        m(j - 1, j) = -j * scale;
    }
    return m;
}

// Each column of `x` is one subject's array of within-subject cells, the first axis cycling
// fastest; `m` is applied along axis `axis`, whose length becomes m.rows().
Eigen::MatrixXd applyAlongAxis(const Eigen::MatrixXd& x, std::vector<int>& dims, size_t axis, const Eigen::MatrixXd& m)
{
    long before = 1;
    for (size_t a = 0; a < axis; ++a)
        before *= dims[a];
    long after = 1;
    for (size_t a = axis + 1; a < dims.size(); ++a)
        after *= dims[a];
    const long length = dims[axis];
    const long rows = m.rows();
    Eigen::MatrixXd out(before * rows * after, x.cols());
    for (Eigen::Index s = 0; s < x.cols(); ++s)
        for (long block = 0; block < after; ++block) {
            Eigen::Map<const Eigen::MatrixXd> in(x.col(s).data() + block * before * length, before, length);
            Eigen::Map<Eigen::MatrixXd> res(out.col(s).data() + block * before * rows, before, rows);
            res.noalias() = in * m.transpose();
        }
    dims[axis] = static_cast<int>(rows);
    return out;
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::optional<double> storedValue(const std::string& cell)
{
    double value = 0;
    if (trimmed(cell).empty() || !parseWholeNumber(cell, value) || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The residuals of the subjects' scores from the means of their groups, one column per subject,
// with what the contrasts need to know about the within-subject factors.
struct SubjectScores {
    Eigen::MatrixXd residuals;
    std::vector<int> withinFactors;  // 1-based, in factor order
    std::vector<int> withinLevels;
    int errorDf = 0;
};

SubjectScores subjectScores(const Design& design, const Scores& scores, unsigned between)
{
    SubjectScores out;
    const int subjects = design.designatedFactor;
    const int subjectLevels = design.factor(subjects).levels;
    long cells = 1;
    long groups = 1;
    for (int k = 1; k <= design.factorCount(); ++k) {
        if (k == subjects)
            continue;
        if (between & bit(k)) {
            groups *= design.factor(k).levels;
        } else {
            out.withinFactors.push_back(k);
            out.withinLevels.push_back(design.factor(k).levels);
            cells *= design.factor(k).levels;
        }
    }
    const long people = subjectLevels * groups;
    Eigen::MatrixXd y(cells, people);

    // The flat order: factor 1 cycles fastest.
    std::vector<int> level(static_cast<size_t>(design.factorCount()) + 1, 0);
    for (size_t pos = 0; pos < scores.size(); ++pos) {
        long person = 0, group = 0, groupScale = 1, cell = 0, cellScale = 1;
        for (int k = 1; k <= design.factorCount(); ++k) {
            const int i = level[static_cast<size_t>(k)];
            if (k == subjects)
                continue;
            if (between & bit(k)) {
                group += i * groupScale;
                groupScale *= design.factor(k).levels;
            } else {
                cell += i * cellScale;
                cellScale *= design.factor(k).levels;
            }
        }
        person = level[static_cast<size_t>(subjects)] + subjectLevels * group;
        y(cell, person) = scores[pos];
        for (int k = 1; k <= design.factorCount(); ++k) {
            int& i = level[static_cast<size_t>(k)];
            if (++i < design.factor(k).levels)
                break;
            i = 0;
        }
    }
    // Subject s of group g is column s + subjectLevels * g.
    for (long g = 0; g < groups; ++g) {
        auto block = y.middleCols(g * subjectLevels, subjectLevels);
        const Eigen::VectorXd mean = block.rowwise().mean();
        block.colwise() -= mean;
    }
    out.residuals = std::move(y);
    out.errorDf = static_cast<int>(people - groups);
    return out;
}

// The statistics of the within-subject factors in `effect` (a set of factors, all crossed with
// the subjects).
SphericityStatistics statisticsOf(const SubjectScores& s, unsigned effect)
{
    std::vector<int> dims = s.withinLevels;
    Eigen::MatrixXd z = s.residuals;
    int contrasts = 1;
    for (size_t a = 0; a < s.withinFactors.size(); ++a) {
        const int levels = s.withinLevels[a];
        if (effect & bit(s.withinFactors[a])) {
            z = applyAlongAxis(z, dims, a, orthonormalContrasts(levels));
            contrasts *= levels - 1;
        } else {
            z = applyAlongAxis(z, dims, a, Eigen::MatrixXd::Constant(1, levels, 1.0 / std::sqrt(double(levels))));
        }
    }
    // z: one column per subject, one row per contrast. The nonzero eigenvalues of z z' (the
    // contrasts' sums of squares and cross products) are those of z' z: take the smaller.
    std::vector<double> eigenvalues(static_cast<size_t>(contrasts), 0.0);
    if (contrasts > 1) {
        const bool byContrasts = z.rows() <= z.cols();
        const Eigen::MatrixXd product = byContrasts ? Eigen::MatrixXd(z * z.transpose()) : Eigen::MatrixXd(z.transpose() * z);
        const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(product, Eigen::EigenvaluesOnly);
        const Eigen::VectorXd& values = solver.eigenvalues();
        for (Eigen::Index i = 0; i < values.size() && i < contrasts; ++i)
            eigenvalues[static_cast<size_t>(i)] = values(values.size() - 1 - i);
    }
    return sphericityFromEigenvalues(eigenvalues, s.errorDf);
}

std::string threePlaces(double v) { return FormatFixed(v, 3, false); }

std::string padLeft(const std::string& s, size_t width) { return s.size() < width ? std::string(width - s.size(), ' ') + s : s; }
std::string padRight(const std::string& s, size_t width) { return s.size() < width ? s + std::string(width - s.size(), ' ') : s; }

}  // namespace

SphericityStatistics sphericityFromEigenvalues(const std::vector<double>& eigenvalues, int errorDf)
{
    SphericityStatistics out;
    const int pp = static_cast<int>(eigenvalues.size());
    out.contrastCount = pp;
    out.errorDf = errorDf;
    if (pp <= 1) {
        out.greenhouseGeisser = 1.0;
        out.huynhFeldt = 1.0;
        return out;
    }
    out.testDf = pp * (pp + 1) / 2 - 1;
    double sum = 0, squares = 0, largest = 0;
    for (double v : eigenvalues) {
        const double lambda = std::max(v, 0.0);  // rounding can leave a zero slightly negative
        sum += lambda;
        squares += lambda * lambda;
        largest = std::max(largest, lambda);
    }
    const int n = errorDf;
    if (!(sum > 0)) {
        out.wNotComputable = n < pp;
        return out;
    }
    const double gg = sum * sum / (pp * squares);
    out.greenhouseGeisser = gg;
    // The Huynh-Feldt epsilon with Lecoutre's correction for the groups of a mixed design.
    const double hfDenominator = pp * (n - pp * gg);
    if (hfDenominator > 0)
        out.huynhFeldt = ((n + 1) * pp * gg - 2) / hfDenominator;

    if (n < pp) {
        out.wNotComputable = true;
        return out;
    }
    double logDet = 0;
    bool singular = false;
    for (double v : eigenvalues) {
        if (!(v > kSingularRatio * largest)) {
            singular = true;
            break;
        }
        logDet += std::log(v);
    }
    if (singular) {
        out.w = 0.0;
        out.p = 0.0;
        return out;
    }
    const double logW = logDet - pp * std::log(sum / pp);
    out.w = std::exp(logW);
    const double rho = 1.0 - (2.0 * pp * pp + pp + 2.0) / (6.0 * pp * n);
    const double chi = -n * rho * logW;
    out.chiSquare = std::max(chi, 0.0);
    // Second-order term of the approximation (Anderson, An Introduction to Multivariate
    // Statistical Analysis, on the sphericity criterion).
    const double p3 = static_cast<double>(pp);
    const double omega2 = (p3 + 2) * (p3 - 1) * (p3 - 2) * (2 * p3 * p3 * p3 + 6 * p3 * p3 + 3 * p3 + 2)
        / (288.0 * std::pow(n * p3 * rho, 2));
    const double pr1 = chiSquareUpperTail(*out.chiSquare, out.testDf);
    const double pr2 = chiSquareUpperTail(*out.chiSquare, out.testDf + 4);
    out.p = std::clamp(pr1 + omega2 * (pr2 - pr1), 0.0, 1.0);
    return out;
}

SphericityReport sphericityReport(const Design& design, const Scores& scores, const AnovaTable& table)
{
    SphericityReport report;
    const int subjects = design.designatedFactor;
    if (design.anovaType != AnovaType::RepeatedMeasures || subjects < 1 || subjects > design.factorCount()) {
        report.unavailable = "Sphericity tests belong to repeated-measures tables.";
        return report;
    }
    if (static_cast<long>(scores.size()) != design.scoreCount()) {
        report.unavailable = "The scores do not match the design.";
        return report;
    }
    const char subjectLabel = design.factor(subjects).tableLabel;
    unsigned between = 0;
    if (design.nested)
        for (const NestRelation& rel : design.nestingMatrix)
            if (rel.nested == subjectLabel)
                between |= bit(design.factorIndexOfLabel(rel.nesting));
    if (design.nested)
        for (const NestRelation& rel : design.nestingMatrix) {
            const int k = design.factorIndexOfLabel(rel.nested);
            if (k != subjects && !(between & bit(k))) {
                report.unavailable = "Sphericity tests are given when the only nesting is of the subjects (and of "
                                     "factors the subjects are nested under); here a factor crossed with the "
                                     "subjects is nested.";
                return report;
            }
        }
    const unsigned all = (1u << design.factorCount()) - 1;
    const unsigned within = all & ~between & ~bit(subjects);
    if (within == 0) {
        report.unavailable = "No factor is crossed with the subjects.";
        return report;
    }

    const SubjectScores subjectData = subjectScores(design, scores, between);
    std::map<unsigned, SphericityStatistics> known;
    const int lastRow = std::min(table.lastRow, table.rowCount() - 1);
    for (int r = 2; r <= lastRow; ++r) {
        std::string label = table.cell(r, ColSource);
        if (label.empty() || label[0] == ' ')
            continue;  // error rows and contrasts are indented
        label = trimmed(label);
        if (label.size() >= 2 && label.compare(label.size() - 2, 2, " +") == 0)
            label = trimmed(label.substr(0, label.size() - 2));
        const SourceMask mask = sourceOfLabel(design, label);
        if (mask == 0 || (mask & bit(subjects)) || !(mask & within))
            continue;
        const unsigned effect = mask & within;
        auto found = known.find(effect);
        if (found == known.end())
            found = known.emplace(effect, statisticsOf(subjectData, effect)).first;

        SphericityRow row;
        row.tableRow = r;
        row.source = table.cell(r, ColSource);
        row.statistics = found->second;
        const size_t index = static_cast<size_t>(r - 1);
        const int denominator = index < table.denominatorRow.size() ? table.denominatorRow[index] : 0;
        row.f = storedValue(table.cell(r, ColF));
        const std::optional<double> df1 = storedValue(table.cell(r, ColDf));
        const std::optional<double> df2 = denominator >= 2 && denominator <= table.rowCount()
            ? storedValue(table.cell(denominator, ColDf))
            : std::nullopt;
        if (row.f && df1 && df2) {
            const double f = *row.f, numeratorDf = *df1, errorDf = *df2;
            const SphericityStatistics& st = row.statistics;
            if (st.greenhouseGeisser && *st.greenhouseGeisser > 0) {
                const double e = std::min(*st.greenhouseGeisser, 1.0);
                row.ggDf1 = numeratorDf * e;
                row.ggDf2 = errorDf * e;
                row.ggP = exactTailOfShownF(numeratorDf * e, errorDf * e, f);
            }
            if (st.huynhFeldt && *st.huynhFeldt > 0) {
                const double e = std::min(*st.huynhFeldt, 1.0);
                row.hfDf1 = numeratorDf * e;
                row.hfDf2 = errorDf * e;
                row.hfP = exactTailOfShownF(numeratorDf * e, errorDf * e, f);
            }
        } else {
            row.f.reset();
        }
        report.rows.push_back(std::move(row));
    }
    return report;
}

std::vector<std::string> sphericityLines(const SphericityReport& report)
{
    if (report.rows.empty() && report.unavailable.empty())
        return {};
    std::vector<std::string> lines{kHeading};
    if (!report.unavailable.empty()) {
        lines.push_back("  " + report.unavailable);
        return lines;
    }
    using Cells = std::vector<std::string>;
    std::vector<Cells> table{{"Source", "W", "Chi-sq", "df", "p", "G-G eps", "H-F eps", "G-G p", "H-F p"}};
    std::vector<std::string> notes;
    for (const SphericityRow& row : report.rows) {
        const SphericityStatistics& st = row.statistics;
        Cells cells{trimmed(row.source)};
        cells.push_back(st.w ? threePlaces(*st.w) : "");
        cells.push_back(st.chiSquare ? FormatFixed(*st.chiSquare, 2, false) : "");
        cells.push_back(st.w ? numberText(st.testDf).substr(1) : "");
        cells.push_back(st.p ? FormatFixed(*st.p, 3, true) : "");
        cells.push_back(st.greenhouseGeisser ? threePlaces(*st.greenhouseGeisser) : "");
        cells.push_back(st.huynhFeldt ? threePlaces(*st.huynhFeldt) : "");
        cells.push_back(row.ggP ? FormatFixed(*row.ggP, 3, true) : "");
        cells.push_back(row.hfP ? FormatFixed(*row.hfP, 3, true) : "");
        table.push_back(std::move(cells));
        if (st.wNotComputable)
            notes.push_back("  W cannot be computed for " + trimmed(row.source) + ": its" + numberText(st.contrastCount)
                            + " df exceed the" + numberText(st.errorDf) + " error df of the subjects.");
    }
    std::vector<size_t> width(table.front().size(), 0);
    for (const Cells& cells : table)
        for (size_t c = 0; c < cells.size(); ++c)
            width[c] = std::max(width[c], cells[c].size());
    for (const Cells& cells : table) {
        std::string line = "  " + padRight(cells[0], width[0]);
        for (size_t c = 1; c < cells.size(); ++c)
            line += "  " + padLeft(cells[c], width[c]);
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    for (const std::string& note : notes)
        lines.push_back(note);
    lines.emplace_back("  G-G p, H-F p: exact p of F with both df times epsilon (at most 1).");
    return lines;
}

}  // namespace varisect
