// SPDX-License-Identifier: GPL-3.0-or-later
#include "unequal/attrition.h"

#include <stdexcept>

#include "engine/analysis.h"
#include "analysis/analysisservice.h"
#include "unequal/cellsizes.h"

namespace varisect {

Scores PresenceScores(const Design& full, const std::vector<long>& cellSizes)
{
    if (static_cast<long>(cellSizes.size()) != cellCount(full))
        throw std::invalid_argument("one size per cell is needed");
    Scores presence(static_cast<size_t>(full.scoreCount()));
    for (long p = 1; p <= full.scoreCount(); ++p) {
        const CellPlace place = cellPlace(full, p);
        presence[static_cast<size_t>(p - 1)] = place.replicate <= cellSizes[static_cast<size_t>(place.cell - 1)] ? 1.0f : 0.0f;
    }
    return presence;
}

bool AttritionSignificant(const AnovaTable& table)
{
    for (int r = 2; r <= table.lastRow - 1; ++r) {
        const std::string& p = table.cell(r, ColP);
        if (p.size() > 1 && table.number(r, ColP) <= 0.05)
            return true;
    }
    return false;
}

AttritionOutcome runAttritionTest(const Design& full, const std::vector<long>& cellSizes, Prompts& prompts)
{
    Design design = full;
    design.anovaType = AnovaType::IndependentGroups;
    design.imputedCount = 0;
    const Scores presence = PresenceScores(design, cellSizes);
    // Presence scores leave every F of 0 when no cell lost a score: no warning for that.
    AnalysisOptions options;
    options.askAboutZeroF = false;
    AttritionOutcome outcome;
    outcome.table = analyseDesign(design, presence, prompts, options);
    if (outcome.table) {
        outcome.significant = AttritionSignificant(*outcome.table);
        outcome.table->attritionSignificant = outcome.significant;
    }
    return outcome;
}

}  // namespace varisect
