// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session.h"

namespace varisect {

RecentFileRecord DesignState::recentRecord(const std::string& path) const
{
    RecentFileRecord r;
    r.path = path;
    r.problemLabel = problemLabel;
    r.labelsInUse = labelsInUse;
    for (const Factor& f : design.factors) {
        r.factorNames.push_back(f.name);
        r.levels.push_back(f.levels);
        if (labelsInUse)
            r.levelLabels.push_back(f.levelLabels);
    }
    return r;
}

void AcceptedData::accept(Scores scores)
{
    okScores_ = scores;
    scores_ = std::move(scores);
    accepted_ = true;
    // Transformed values accepted again from the grid are still transformed.
    okTransformed_ = transformed_;
    okSteps_ = steps_;
}

void AcceptedData::clear()
{
    scores_.clear();
    okScores_.clear();
    accepted_ = false;
    transformed_ = okTransformed_ = false;
    steps_.clear();
    okSteps_.clear();
}

void AcceptedData::transformTo(Scores scores, std::string step)
{
    scores_ = std::move(scores);
    transformed_ = true;
    if (!step.empty())
        steps_.push_back(std::move(step));
}

void AcceptedData::revert()
{
    scores_ = okScores_;
    transformed_ = okTransformed_;
    steps_ = okSteps_;
}

void Session::adoptPreferences(const Preferences& loaded)
{
    preferences = loaded;
    data.outlierCheck = loaded.outlierCheck;
    design.labelsInUse = loaded.useLevelLabels;
}

void Session::restart()
{
    design = DesignState{};
    data.clear();
    file.cleared();
    mode = ModeFlags{};
    results.clear();
    data.outlierCheck = preferences.outlierCheck;
    design.labelsInUse = preferences.useLevelLabels;
}

}  // namespace varisect
