// SPDX-License-Identifier: GPL-3.0-or-later
// A small repeated-measures study for the tests of the table and its window: Drug (2) x Time (3)
// x Subjects (5), Drug cycling fastest. Subjects differ, Drug and Time have clear effects, the
// DxT interaction is small (its F is below 1).
#pragma once

#include "engine/design.h"

namespace varisect::test {

inline Scores drugTimeSubjectScores()
{
    const int subject[] = {10, 12, 9, 14, 11};
    const int time[] = {0, 2, 5};
    const int noise[] = {0, 1, -1, 1, 0, -1, 1, 0, 0, -1, 1, 0, -1, 0, 1};
    Scores s;
    for (int sub = 0; sub < 5; ++sub)
        for (int t = 0; t < 3; ++t)
            for (int d = 0; d < 2; ++d)
                s.push_back(static_cast<float>(subject[sub] + time[t] + 3 * d + noise[(sub * 3 + t + 4 * d) % 15]));
    return s;
}

// Its design, analysed as `type` with Subjects designated and `imputed` implanted scores.
inline Design drugTimeSubjectDesign(AnovaType type, int imputed = 0)
{
    Design d;
    d.factors = {Factor{"Drug", 'D', 2, {}}, Factor{"Time", 'T', 3, {}}, Factor{"Subjects", 'S', 5, {}}};
    setTableLabelsFromNames(d);
    d.anovaType = type;
    d.designatedFactor = 3;
    d.imputedCount = imputed;
    return d;
}

}  // namespace varisect::test
