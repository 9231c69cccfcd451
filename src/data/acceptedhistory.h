// SPDX-License-Identifier: GPL-3.0-or-later
// The accepted data that went with a grid's entries at the steps of its history where they were
// accepted ("Data &OK", a file's scores taken as they are) or transformed, screened or reverted.
// Undoing or redoing back to such a step brings the accepted scores back with the entries: with
// their full precision (the grid shows transformed scores rounded) and with the steps the table's
// legend names, so that the way on stays open as it was at that step.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "data/scorecolumn.h"
#include "session/session.h"

namespace varisect {

class AcceptedHistory {
public:
    // The oldest are forgotten beyond this many (each holds two copies of the scores).
    static constexpr std::size_t kKept = 64;

    // The entries `column` holds now go with `data`.
    void remember(const ScoreColumn& column, const AcceptedData& data);
    // The accepted data that went with the entries `column` holds now: remembered at its current
    // step, and the entries still those remembered (a score typed on into the step's own row
    // changes them without a new step). Null when there are none.
    const AcceptedData* find(const ScoreColumn& column) const;
    void clear() { kept_.clear(); }

private:
    struct Kept {
        std::vector<std::string> texts;
        std::vector<bool> marks;
        AcceptedData data;
    };
    std::map<unsigned long, Kept> kept_;
};

}  // namespace varisect
