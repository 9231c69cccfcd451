// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphs/twowayplot.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include <boost/math/distributions/students_t.hpp>

#include "means/cellmeans.h"
#include "means/pairmeans.h"

namespace varisect {

namespace {

constexpr double kNoBar = std::numeric_limits<double>::quiet_NaN();

// The first character of a UTF-8 text, whole.
std::string firstLetter(const std::string& text)
{
    if (text.empty())
        return {};
    size_t length = 1;
    while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        ++length;
    return text.substr(0, length);
}

void checkFactors(const Design& design, int x, int s, int panelFactor, int panelLevel)
{
    const int nf = design.factorCount();
    if (x < 1 || x > nf || s < 1 || s > nf || x == s)
        throw std::invalid_argument("a plot needs two different factors of the design");
    if (panelFactor != 0 && (panelFactor < 1 || panelFactor > nf || panelFactor == x || panelFactor == s
                             || panelLevel < 1 || panelLevel > design.factor(panelFactor).levels))
        throw std::invalid_argument("the panel is not a level of a third factor");
}

// t(.975, df): the half-width of a 95% confidence interval in standard errors.
double tCritical(double df)
{
    return boost::math::quantile(boost::math::students_t(df), 0.975);
}

double barOf(ErrorBars kind, double sd, double n)
{
    if (n < 2 || !std::isfinite(sd))
        return kNoBar;
    const double se = sd / std::sqrt(n);
    return kind == ErrorBars::Confidence95 ? tCritical(n - 1) * se : se;
}

}  // namespace

DataRange rangeOf(const Scores& scores)
{
    if (scores.empty())
        return {};
    const auto [lo, hi] = std::minmax_element(scores.begin(), scores.end());
    return DataRange{*lo, *hi};
}

std::string seriesName(const Design& design, int factor, int level, bool useLevelLabels)
{
    if (useLevelLabels) {
        const std::vector<std::string>& labels = design.factor(factor).levelLabels;
        if (level >= 1 && static_cast<size_t>(level) <= labels.size() && !labels[size_t(level - 1)].empty())
            return labels[size_t(level - 1)];
    }
    std::string letter = firstLetter(design.factor(factor).name);
    if (letter.empty())
        letter = std::string(1, design.factor(factor).tableLabel);
    return letter + "(" + std::to_string(level) + ")";
}

std::string plotTitle(const Design& design, int xFactor, int seriesFactor, PlotValues values, bool unweighted,
                      int panelFactor, const std::string& panelLevel)
{
    std::string title = values == PlotValues::CellSizes ? "Cell Sizes for " : "Cell Means for ";
    title += design.factor(xFactor).name + " x " + design.factor(seriesFactor).name;
    if (panelFactor != 0)
        title += ", for " + design.factor(panelFactor).name + " - " + panelLevel;
    if (unweighted)
        title += std::string("  ") + kUnweightedMarker;
    return title;
}

bool withinSubjectBars(const Design& design, int xFactor, int seriesFactor, int panelFactor)
{
    const int subjects = design.designatedFactor;
    if (design.anovaType != AnovaType::RepeatedMeasures || subjects < 1 || subjects > design.factorCount())
        return false;
    if (subjects == xFactor || subjects == seriesFactor || subjects == panelFactor)
        return false;
    return !isNestedPair(design, FactorPair{subjects, xFactor}) && !isNestedPair(design, FactorPair{subjects, seriesFactor});
}

std::vector<double> errorBarLengths(const Design& design, const Scores& scores, int xFactor, int seriesFactor,
                                    ErrorBars kind, int panelFactor, int panelLevel)
{
    checkFactors(design, xFactor, seriesFactor, panelFactor, panelLevel);
    if (static_cast<long>(scores.size()) != design.scoreCount())
        throw std::invalid_argument("the number of scores does not match the design");
    const int lx = design.factor(xFactor).levels;
    const int ls = design.factor(seriesFactor).levels;
    const size_t cells = size_t(lx) * size_t(ls);
    std::vector<double> out(cells, kNoBar);
    if (kind == ErrorBars::None)
        return out;

    const bool within = withinSubjectBars(design, xFactor, seriesFactor, panelFactor);
    const int subjects = within ? design.factor(design.designatedFactor).levels : 1;
    // Sums (and for the bars between subjects sums of squares) per subject and plotted cell.
    std::vector<double> sum(size_t(subjects) * cells, 0.0);
    std::vector<double> squares(cells, 0.0);
    std::vector<double> count(size_t(subjects) * cells, 0.0);
    for (long p = 1; p <= design.scoreCount(); ++p) {
        const std::vector<int> cell = cellAtPosition(design, p);
        if (panelFactor != 0 && cell[size_t(panelFactor - 1)] != panelLevel)
            continue;
        const size_t c = size_t(cell[size_t(seriesFactor - 1)] - 1) * size_t(lx) + size_t(cell[size_t(xFactor - 1)] - 1);
        const size_t s = within ? size_t(cell[size_t(design.designatedFactor - 1)] - 1) : 0;
        const double y = scores[size_t(p - 1)];
        sum[s * cells + c] += y;
        count[s * cells + c] += 1;
        squares[c] += y * y;
    }

    if (!within) {
        for (size_t c = 0; c < cells; ++c) {
            const double n = count[c];
            if (n < 2)
                continue;
            const double variance = std::max(0.0, (squares[c] - sum[c] * sum[c] / n) / (n - 1));
            out[c] = barOf(kind, std::sqrt(variance), n);
        }
        return out;
    }

    // Each subject's mean in every plotted cell, then normalised: the subject's own mean over the
    // cells out, the grand mean in.
    std::vector<double> y(size_t(subjects) * cells);
    double grand = 0;
    std::vector<double> subjectMean(size_t(subjects), 0.0);
    for (size_t s = 0; s < size_t(subjects); ++s) {
        for (size_t c = 0; c < cells; ++c) {
            y[s * cells + c] = sum[s * cells + c] / count[s * cells + c];
            subjectMean[s] += y[s * cells + c];
        }
        subjectMean[s] /= double(cells);
        grand += subjectMean[s];
    }
    grand /= subjects;
    const double n = subjects;
    const double morey = double(cells) / double(cells - 1);
    for (size_t c = 0; c < cells; ++c) {
        double mean = 0;
        for (size_t s = 0; s < size_t(subjects); ++s)
            mean += y[s * cells + c] - subjectMean[s] + grand;
        mean /= n;
        double ss = 0;
        for (size_t s = 0; s < size_t(subjects); ++s) {
            const double d = y[s * cells + c] - subjectMean[s] + grand - mean;
            ss += d * d;
        }
        if (n < 2)
            continue;
        out[c] = barOf(kind, std::sqrt(ss / (n - 1) * morey), n);
    }
    return out;
}

DataRange PlotData::valueRange() const
{
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (const PlotSeries& s : series)
        for (size_t i = 0; i < s.values.size(); ++i) {
            const double e = i < s.errors.size() && std::isfinite(s.errors[i]) ? s.errors[i] : 0.0;
            lo = std::min(lo, s.values[i] - e);
            hi = std::max(hi, s.values[i] + e);
        }
    if (lo > hi)
        return {};
    return DataRange{lo, hi};
}

PlotData buildPlot(const PlotRequest& request, int xFactor, int seriesFactor, ErrorBars bars, int panelFactor,
                   int panelLevel)
{
    const Design& design = request.design;
    checkFactors(design, xFactor, seriesFactor, panelFactor, panelLevel);
    const MeansTable means = panelFactor == 0
                                 ? PairMeans(design, request.scores, xFactor, seriesFactor)
                                 : PanelMeans(design, request.scores, xFactor, seriesFactor, panelFactor, panelLevel);
    PlotData plot;
    plot.xFactor = xFactor;
    plot.seriesFactor = seriesFactor;
    plot.panelFactor = panelFactor;
    plot.panelLevel = panelLevel;
    plot.bars = bars;
    plot.xFactorName = design.factor(xFactor).name;
    plot.seriesFactorName = design.factor(seriesFactor).name;
    plot.title = plotTitle(design, xFactor, seriesFactor, request.values, request.unweighted, panelFactor,
                           panelFactor ? levelHeader(design, panelFactor, panelLevel, request.useLevelLabels) : "");
    for (int i = 1; i <= means.levelsA; ++i)
        plot.categories.push_back(levelHeader(design, xFactor, i, request.useLevelLabels));
    const std::vector<double> lengths = errorBarLengths(design, request.scores, xFactor, seriesFactor,
                                                        bars, panelFactor, panelLevel);
    for (int j = 1; j <= means.levelsB; ++j) {
        PlotSeries s;
        s.name = seriesName(design, seriesFactor, j, request.useLevelLabels);
        for (int i = 1; i <= means.levelsA; ++i) {
            s.values.push_back(means.mean(i, j));
            if (bars != ErrorBars::None)
                s.errors.push_back(lengths[size_t(j - 1) * size_t(means.levelsA) + size_t(i - 1)]);
        }
        plot.series.push_back(std::move(s));
    }
    return plot;
}

Message graphsShownMessage()
{
    return Message{"Cell Means", "The requested set of graphs has been shown.", MessageButtons::Ok,
                   MessageIcon::Information};
}

PlotBrowser::PlotBrowser(PlotRequest request, std::vector<FactorPair> pairs)
    : request_(std::move(request)), pairs_(std::move(pairs))
{
    if (pairs_.empty())
        throw std::invalid_argument("a plot window needs at least one pair");
    range_ = request_.range ? *request_.range : rangeOf(request_.scores);
    redraw();
}

std::optional<Message> PlotBrowser::nextSet()
{
    if (index_ + 1 >= plotCount())
        return graphsShownMessage();
    ++index_;
    flipped_ = false;
    panelFactor_ = panelLevel_ = 0;
    redraw();
    return std::nullopt;
}

void PlotBrowser::flip()
{
    flipped_ = !flipped_;
    redraw();
}

int PlotBrowser::panelFactor() const
{
    const std::vector<int> choices = panelFactors(request_.design, pairs_[size_t(index_)]);
    return choices.empty() ? 0 : choices.front();
}

void PlotBrowser::showPanels()
{
    panelFactor_ = panelFactor();
    panelLevel_ = panelFactor_ ? 1 : 0;
    redraw();
}

void PlotBrowser::nextLevel()
{
    if (panelFactor_ == 0)
        return;
    if (++panelLevel_ > request_.design.factor(panelFactor_).levels)
        panelFactor_ = panelLevel_ = 0;
    redraw();
}

void PlotBrowser::setErrorBars(ErrorBars bars)
{
    bars_ = bars;
    redraw();
}

void PlotBrowser::redraw()
{
    const FactorPair& pair = pairs_[size_t(index_)];
    const int x = flipped_ ? pair.second : pair.first;
    const int s = flipped_ ? pair.first : pair.second;
    plot_ = buildPlot(request_, x, s, bars_, panelFactor_, panelLevel_);
}

}  // namespace varisect
