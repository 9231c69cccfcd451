// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/analysis.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "engine/fprob.h"
#include "engine/numbertext.h"
#include "engine/prompts.h"
#include "engine/sourcetransform.h"

namespace varisect {

namespace {

SourceMask bit(int factor1) { return 1u << (factor1 - 1); }

// The sum of the scores less `shift` and the sum of their squares, each in four running parts,
// which breaks the chain of dependent additions.
struct ScoreSums {
    double total = 0;
    double squares = 0;
};

ScoreSums scoreSums(const Scores& scores, double shift)
{
    double t[4] = {0, 0, 0, 0}, q[4] = {0, 0, 0, 0};
    const size_t n = scores.size();
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        for (size_t k = 0; k < 4; ++k) {
            const double v = static_cast<double>(scores[i + k]) - shift;
            t[k] += v;
            q[k] += v * v;
        }
    for (; i < n; ++i) {
        const double v = static_cast<double>(scores[i]) - shift;
        t[0] += v;
        q[0] += v * v;
    }
    return {(t[0] + t[1]) + (t[2] + t[3]), (q[0] + q[1]) + (q[2] + q[3])};
}

void checkInputs(const Design& design, const Scores& scores, bool reducedDesign = false)
{
    const int nf = design.factorCount();
    if (nf < (reducedDesign ? 1 : kMinFactors) || nf > kMaxFactors)
        throw std::invalid_argument(reducedDesign ? "a reduced design needs 1 to 8 factors"
                                                  : "the analysis needs 2 to 8 factors");
    for (const Factor& f : design.factors)
        if (f.levels < 2)
            throw std::invalid_argument("every factor needs at least 2 levels");
    if (design.scoreCount() > kMaxScores)
        throw std::invalid_argument("the design has more scores than the program accepts");
    if (static_cast<long>(scores.size()) != design.scoreCount())
        throw std::invalid_argument("the number of scores does not match the design");
    if (reducedDesign) {
        if (design.anovaType != AnovaType::IndependentGroups || design.designatedFactor != 0)
            throw std::invalid_argument("a reduced design is analysed as independent groups without a designated factor");
    } else if (design.anovaType != AnovaType::NoFRatios
               && (design.designatedFactor < 1 || design.designatedFactor > nf)) {
        throw std::invalid_argument("the replicates or subjects factor is not designated");
    }
}

// The sums of a design whose inputs have been checked.
SourceSums sumsOfCheckedDesign(const Design& design, const Scores& scores)
{
    const int nf = design.factorCount();
    const long n = design.scoreCount();
    const SourceMask full = (1u << nf) - 1;
    std::vector<int> levels(static_cast<size_t>(nf));
    for (int k = 0; k < nf; ++k)
        levels[size_t(k)] = design.factors[size_t(k)].levels;

    SourceSums sums;
    sums.df.assign(size_t(full) + 1, 0);

    const ScoreSums given = scoreSums(scores, 0);
    const double total = given.total;
    sums.grandTotal = total;
    sums.rawSS = given.squares;
    sums.correction = total * total / static_cast<double>(n);
    const double mean = total / static_cast<double>(n);

    // The centred scores' own total and sum of squares give the total SS; the sources come
    // from the transform of the same centred scores.
    const ScoreSums centred = scoreSums(scores, mean);
    transformedSourceSS(levels, scores, mean, sums.ss);
    for (SourceMask s = 1; s <= full; ++s) {
        int df = 1;
        for (int k = 0; k < nf; ++k)
            if (s & (1u << k))
                df *= levels[size_t(k)] - 1;
        sums.df[s] = df;
    }
    sums.totalSS = centred.squares - centred.total * centred.total / static_cast<double>(n);
    sums.totalDf = static_cast<int>(n) - design.imputedCount - 1;
    // Rounding leaves a source whose true SS is 0 with a few units of the last place at most.
    const double zero = kZeroSSRelative * sums.totalSS;
    for (SourceMask s = 1; s <= full; ++s)
        if (sums.ss[s] <= zero)
            sums.ss[s] = 0;
    return sums;
}

}  // namespace

SourceSums computeSourceSums(const Design& design, const Scores& scores)
{
    checkInputs(design, scores);
    return sumsOfCheckedDesign(design, scores);
}

namespace {

SourceSums checkedSums(const Design& design, const Scores& scores, const AnalysisOptions& options)
{
    checkInputs(design, scores, options.supplied.has_value());
    return sumsOfCheckedDesign(design, scores);
}

enum class RowKind { Effect, Error, Subjects, Within };

// A row before it is written as text.
struct WorkRow {
    std::string label;
    std::vector<SourceMask> members;
    int df = 0;
    double ss = 0;
    RowKind kind = RowKind::Effect;
    bool showMs = true;
    int errorRow = -1;  // index of the row that serves as this effect's error term
};

const char* const kUndefinedTitle = "Undefined F-ratio!";

std::string undefinedEffectText(const std::string& label, bool nested)
{
    return "The Mean Square for the denominator of the F-ratio associated with the " + label
           + " source is zero.  This condition prohibits evaluation of the F-ratio, and is usually the "
             "result of faulty input values.  Do you want to continue printing "
           + (nested ? "anyway?" : "the F-table?");
}

Message tooManyImputed()
{
    return {"Error Condition!",
            std::string("You have too many imputed scores for the specified design.") + kMessageLineBreak
                + "The analysis cannot be carried out as planned." + kMessageLineBreak
                + "Perhaps you intended to use a nested design?",
            MessageButtons::Ok, MessageIcon::Exclamation};
}

class Assembler {
public:
    Assembler(const Design& design, const Scores& scores, const std::vector<PoolingGroup>& groups,
              Prompts& prompts, const AnalysisOptions& options)
        : design_(design), groups_(groups), prompts_(prompts), options_(options),
          sums_(checkedSums(design, scores, options)), nf_(design.factorCount()),
          subjects_(design.designatedFactor > 0 ? bit(design.designatedFactor) : 0)
    {
        context_.quietZeroF = !options.askAboutZeroF;
        context_.exact = options.exactP;
        context_.unequalCellMode = options.fromUnequalCellWindow;
    }

    std::optional<AnovaTable> run()
    {
        bool ok = false;
        switch (design_.anovaType) {
        case AnovaType::IndependentGroups: ok = independentGroups(); break;
        case AnovaType::RepeatedMeasures: ok = repeatedMeasures(); break;
        case AnovaType::NoFRatios: ok = noFRatios(); break;
        }
        if (!ok)
            return std::nullopt;
        return finish();
    }

private:
    WorkRow sourceRow(SourceMask s) const
    {
        WorkRow r;
        r.label = sourceLabel(design_, s);
        r.members = {s};
        r.df = sums_.df[s];
        r.ss = sums_.ss[s];
        return r;
    }

    // Merges the rows of every pooling group of two or more members: the row of the first
    // member found keeps its place and gets " +", the others go.
    void mergeGroups()
    {
        for (const PoolingGroup& group : groups_) {
            if (group.size() < 2)
                continue;
            int kept = -1;
            for (const std::string& member : group) {
                const SourceMask m = sourceOfLabel(design_, member);
                for (size_t i = 0; i < rows_.size(); ++i) {
                    if (rows_[i].members.size() != 1 || rows_[i].members[0] != m
                        || rows_[i].kind != RowKind::Effect)
                        continue;
                    if (kept < 0) {
                        kept = static_cast<int>(i);
                    } else {
                        WorkRow& k = rows_[size_t(kept)];
                        k.df += rows_[i].df;
                        k.ss += rows_[i].ss;
                        k.members.push_back(m);
                        rows_.erase(rows_.begin() + static_cast<long>(i));
                    }
                    break;
                }
            }
            if (kept >= 0)
                rows_[size_t(kept)].label += " +";
        }
    }

    bool noFRatios()
    {
        for (SourceMask s : enumerateSources(nf_))
            rows_.push_back(sourceRow(s));
        if (design_.nested)
            mergeGroups();
        return true;
    }

    bool independentGroups()
    {
        double errorSS = 0;
        int errorDf = 0;
        for (SourceMask s : enumerateSources(nf_)) {
            if (s & subjects_) {
                errorSS += sums_.ss[s];
                errorDf += sums_.df[s];
            } else {
                rows_.push_back(sourceRow(s));
            }
        }
        if (design_.nested)
            mergeGroups();
        if (options_.supplied) {
            const SuppliedSums& supplied = *options_.supplied;
            // Supplied sums are differences too: one whose true value is 0 comes with rounding of
            // either sign, and is set to 0 by the rule computeSourceSums follows.
            auto clamped = [zero = kZeroSSRelative * supplied.totalSS](double ss) { return ss <= zero ? 0.0 : ss; };
            if (!supplied.effectSS.empty()) {
                if (supplied.effectSS.size() != rows_.size())
                    throw std::invalid_argument("the supplied sums need one SS per source row");
                for (size_t i = 0; i < rows_.size(); ++i)
                    rows_[i].ss = clamped(supplied.effectSS[i]);
            }
            errorSS = clamped(supplied.withinSS);
            errorDf = supplied.withinDf;
        }

        WorkRow within;
        within.label = "  Within";
        within.kind = RowKind::Within;
        within.df = errorDf;
        within.ss = errorSS;
        for (SourceMask s : enumerateSources(nf_))
            if (s & subjects_)
                within.members.push_back(s);
        const int withinRow = static_cast<int>(rows_.size());
        for (WorkRow& r : rows_)
            r.errorRow = withinRow;
        rows_.push_back(within);
        return true;
    }

    // Effects (or pooled effects) are tested against the row that holds their interaction with
    // subjects; in a nested design these rows are pooled, and an effect whose interaction with
    // subjects falls in the subjects row is a between-subjects effect.
    bool repeatedMeasures()
    {
        const std::vector<SourceMask> order = enumerateSources(nf_);
        std::vector<int> position(size_t(1) << nf_, 0);
        for (size_t i = 0; i < order.size(); ++i)
            position[order[i]] = static_cast<int>(i);

        // Terms: the pooled groups, then every source in no group, in enumeration order.
        std::vector<std::vector<SourceMask>> terms;
        std::vector<int> termOf(size_t(1) << nf_, -1);
        if (design_.nested)
            for (const PoolingGroup& group : groups_) {
                if (group.size() < 2)
                    continue;
                std::vector<SourceMask> members;
                for (const std::string& label : group) {
                    const SourceMask m = sourceOfLabel(design_, label);
                    if (m != 0 && termOf[m] < 0) {
                        termOf[m] = static_cast<int>(terms.size());
                        members.push_back(m);
                    }
                }
                if (!members.empty())
                    terms.push_back(std::move(members));
            }
        for (SourceMask s : order)
            if (termOf[s] < 0) {
                termOf[s] = static_cast<int>(terms.size());
                terms.push_back({s});
            }
        const int subjectTerm = termOf[subjects_];

        auto primary = [&](int t) { return terms[size_t(t)].front(); };
        auto sortKey = [&](int t) { return std::make_pair(std::popcount(primary(t)), position[primary(t)]); };
        auto byKey = [&](int a, int b) { return sortKey(a) < sortKey(b); };

        std::vector<int> effects;
        std::vector<int> errorOf(terms.size(), -1);
        for (int t = 0; t < static_cast<int>(terms.size()); ++t) {
            if (primary(t) & subjects_)
                continue;
            effects.push_back(t);
            const int e = termOf[primary(t) | subjects_];
            if (e != t)
                errorOf[size_t(t)] = e;
        }
        std::sort(effects.begin(), effects.end(), byKey);

        auto termRow = [&](int t, RowKind kind) {
            WorkRow r;
            r.kind = kind;
            r.members = terms[size_t(t)];
            for (SourceMask m : r.members) {
                r.df += sums_.df[m];
                r.ss += sums_.ss[m];
            }
            const bool pooled = r.members.size() > 1;
            const SourceMask p = primary(t);
            if (kind == RowKind::Effect)
                r.label = sourceLabel(design_, p) + (pooled ? " +" : "");
            else if (pooled)
                r.label = "  Error +";
            else if (kind == RowKind::Subjects)
                r.label = sourceLabel(design_, p);
            else
                r.label = "  " + std::string(1, design_.factor(design_.designatedFactor).tableLabel) + "x"
                          + sourceLabel(design_, p & ~subjects_);
            return r;
        };

        std::vector<bool> placed(terms.size(), false);
        auto placeEffects = [&](int error) {
            for (int t : effects)
                if (errorOf[size_t(t)] == error) {
                    rows_.push_back(termRow(t, RowKind::Effect));
                    placed[size_t(t)] = true;
                }
        };
        auto placeError = [&](int error) {
            const int first = static_cast<int>(rows_.size());
            placeEffects(error);
            const int at = static_cast<int>(rows_.size());
            for (int r = first; r < at; ++r)
                rows_[size_t(r)].errorRow = at;
            rows_.push_back(termRow(error, RowKind::Error));
            placed[size_t(error)] = true;
        };

        // Subjects first: alone (no mean square) when they are crossed with everything, else the
        // between-subjects effects followed by their pooled error.
        if (terms[size_t(subjectTerm)].size() == 1) {
            WorkRow r = termRow(subjectTerm, RowKind::Subjects);
            r.showMs = false;
            rows_.push_back(r);
            placed[size_t(subjectTerm)] = true;
        } else {
            placeError(subjectTerm);
        }
        for (int t : effects) {
            if (placed[size_t(t)])
                continue;
            if (errorOf[size_t(t)] < 0) {
                rows_.push_back(termRow(t, RowKind::Effect));
                placed[size_t(t)] = true;
            } else {
                placeError(errorOf[size_t(t)]);
            }
        }
        for (int t = 0; t < static_cast<int>(terms.size()); ++t)
            if (!placed[size_t(t)])
                rows_.push_back(termRow(t, (primary(t) & subjects_) ? RowKind::Error : RowKind::Effect));
        return true;
    }

    // Index of the error row that takes the imputed-score df: the row holding the interaction of
    // all factors, or the within row.
    int imputedTarget() const
    {
        const SourceMask full = (1u << nf_) - 1;
        for (size_t i = 0; i < rows_.size(); ++i) {
            const WorkRow& r = rows_[i];
            if (r.kind == RowKind::Within)
                return static_cast<int>(i);
            if (r.kind == RowKind::Error && std::find(r.members.begin(), r.members.end(), full) != r.members.end())
                return static_cast<int>(i);
        }
        return -1;
    }

    std::optional<AnovaTable> finish()
    {
        AnovaTable table;
        const bool fRatios = design_.anovaType != AnovaType::NoFRatios;
        const SuppliedSums* supplied = options_.supplied ? &*options_.supplied : nullptr;
        table.rows.push_back({"Source", "df", supplied && supplied->rawSSHeading ? "SS (raw)" : "SS", "MS",
                              fRatios ? "F" : "",
                              fRatios ? "  p" : ""});
        table.rows.reserve(rows_.size() + 2);
        table.kept.reserve(rows_.size() + 2);
        for (const WorkRow& r : rows_) {
            const int at = table.appendRow(r.label, r.df, r.ss, std::nullopt);
            const double shownSS = table.number(at, ColSS);
            // A within df of 0 (every cell a single score) leaves the within MS undefined.
            const bool within = r.kind == RowKind::Within;
            const bool showMs = r.showMs && !(within && r.df == 0);
            if (showMs && supplied && !within) {
                // A supplied SS gives its MS as the table shows it; a scaled MS is scaled as shown.
                const double ms = supplied->effectSS.empty() ? shownNumber(r.ss / r.df) : shownSS / r.df;
                table.setNumber(at, ColMS, ms * supplied->msMultiplier);
            } else if (showMs) {
                table.setNumber(at, ColMS, r.ss / r.df);
            }
            if (r.kind == RowKind::Within) {
                table.pooledErrorSS = r.ss;
                table.pooledErrorDf = r.df;
            }
        }
        table.lastRow = table.rowCount();
        table.denominatorRow.assign(rows_.size() + 2, 0);  // the header, the rows and "Total"
        table.exactP = options_.exactP;
        auto tableRow = [](int index) { return index + 2; };  // work row index -> 1-based table row

        bool imputedChecked = design_.imputedCount == 0 || !fRatios;
        const int target = imputedChecked ? -1 : imputedTarget();
        if (target < 0)
            imputedChecked = true;
        auto applyImputed = [&]() -> bool {
            imputedChecked = true;
            const WorkRow& r = rows_[size_t(target)];
            if (design_.imputedCount >= r.df) {
                prompts_.tell(tooManyImputed());
                return false;
            }
            const int df = r.df - design_.imputedCount;
            const int row = tableRow(target);
            table.setNumber(row, ColDf, df);
            table.setNumber(row, ColMS, r.ss / df);
            table.imputedErrorRow = row;
            if (r.kind == RowKind::Within)
                table.pooledErrorDf = df;
            return true;
        };

        if (fRatios) {
            const bool independent = design_.anovaType == AnovaType::IndependentGroups;
            if (independent) {
                if (!imputedChecked && !applyImputed())
                    return std::nullopt;
                if (isZero(rows_.back().ss)) {
                    const Message m{kUndefinedTitle,
                                    "The Mean Square for the denominator for the F-ratios is zero.  This condition "
                                    "prohibits evaluation of the F-ratio, and is usually the result of faulty input "
                                    "values.  Do you want to continue printing anyway?",
                                    MessageButtons::YesNo, MessageIcon::Exclamation};
                    if (!prompts_.askYesNo(m))
                        return std::nullopt;
                } else {
                    for (size_t i = 0; i < rows_.size(); ++i)
                        if (rows_[i].errorRow >= 0 && !formRatio(table, tableRow(int(i)), tableRow(rows_[i].errorRow)))
                            return std::nullopt;
                }
            } else {
                for (size_t i = 0; i < rows_.size(); ++i) {
                    const WorkRow& r = rows_[i];
                    if (r.kind != RowKind::Effect || r.errorRow < 0)
                        continue;
                    if (!imputedChecked && r.errorRow == target && !applyImputed())
                        return std::nullopt;
                    const int row = tableRow(int(i));
                    const int error = tableRow(r.errorRow);
                    if (isZero(rows_[size_t(r.errorRow)].ss)) {
                        const Message m{kUndefinedTitle, undefinedEffectText(r.label, design_.nested),
                                        MessageButtons::YesNo, MessageIcon::Exclamation};
                        if (!prompts_.askYesNo(m))
                            return std::nullopt;
                        continue;
                    }
                    if (!formRatio(table, row, error))
                        return std::nullopt;
                }
                if (!imputedChecked && !applyImputed())
                    return std::nullopt;
            }
        }

        table.rows.push_back({"Total", "", "", "", "", ""});
        table.setNumber(table.rowCount(), ColDf, supplied ? supplied->totalDf : sums_.totalDf);
        table.setNumber(table.rowCount(), ColSS, supplied ? supplied->totalSS : sums_.totalSS);
        // Without an error row to take them (no F-ratios), the imputed scores come off the total
        // df alone, and the legend's "*" has to stand there.
        if (design_.imputedCount > 0 && table.imputedErrorRow == 0)
            table.imputedErrorRow = table.rowCount();

        table.chooseDisplayDecimals(table.lastRow);
        return table;
    }

    // An SS that computeSourceSums (or the supplied sums' clamp) set to 0, alone or pooled with
    // others: relative to the total the table shows.
    bool isZero(double ss) const
    {
        return ss <= kZeroSSRelative * (options_.supplied ? options_.supplied->totalSS : sums_.totalSS);
    }

    // F of `row` against `error`, from the mean squares as the table shows them, and its p
    // from F as the table shows it; false when the user abandons the analysis at the zero-F
    // warning.
    bool formRatio(AnovaTable& table, int row, int error)
    {
        table.denominatorRow[size_t(row - 1)] = error;
        double f = shownNumber(table.number(row, ColMS) / table.number(error, ColMS));
        bool abort = false;
        const double p = FRatioProbability(table.number(row, ColDf), table.number(error, ColDf), f, prompts_,
                                           context_, abort);
        if (abort)
            return false;
        table.setNumber(row, ColF, f);  // a tiny F comes back as 1e-9
        table.setNumber(row, ColP, p);
        return true;
    }

    const Design& design_;
    const std::vector<PoolingGroup>& groups_;
    Prompts& prompts_;
    const AnalysisOptions& options_;
    SourceSums sums_;
    const int nf_;
    const SourceMask subjects_;
    ProbabilityContext context_;
    std::vector<WorkRow> rows_;
};

}  // namespace

std::optional<AnovaTable> RunAnalysis(const Design& design, const Scores& scores,
                                      const std::vector<PoolingGroup>& groups, Prompts& prompts,
                                      const AnalysisOptions& options)
{
    return Assembler(design, scores, groups, prompts, options).run();
}

}  // namespace varisect
