// SPDX-License-Identifier: GPL-3.0-or-later
// The check of typed scores for outliers that "Data &OK" runs: every score more than four
// standard deviations from the trimmed mean is put to the user, one question at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"
#include "platform/dialogs.h"

namespace varisect {

// The trimmed statistics the bounds come from. The trimmed set is every score that equals
// neither the largest nor the smallest score; when no score lies strictly between them (all
// scores equal, or only two distinct values) there is nothing to trim and all scores are used.
struct OutlierStatistics {
    float max = 0;
    float min = 0;
    long n = 0;                // scores in the trimmed set
    double sum = 0;            // S over the trimmed set
    double sumOfSquares = 0;   // Q over the trimmed set
    double mean = 0;           // S / n
    double variance = 0;       // (n Q - S^2) / (n^2 - 1); 0 when n < 2
    double sd = 1;             // square root of a positive variance, else 1
    float lower = 0;           // mean - 4 SD, in single precision
    float upper = 0;           // mean + 4 SD, in single precision

    bool isOutlier(float score) const { return score < lower || score > upper; }
};

// Statistics of `scores`; std::nullopt when there are no scores.
std::optional<OutlierStatistics> outlierStatistics(const Scores& scores);

// The check runs when it is on for this run and the data were typed, or changed since they
// were loaded from a file.
bool outlierCheckDue(bool checkThisRun, bool dataFromFile, bool dataChanged);

// Scores the user has said are correct; they are not asked about again. A confirmation holds
// for the value confirmed at that position, so a score edited afterwards is checked anew.
class ConfirmedOutliers {
public:
    bool covers(std::size_t index, float value) const;
    void confirm(std::size_t index, float value);
    void clear() { values_.clear(); }
    std::size_t count() const;

private:
    std::vector<std::optional<float>> values_;
};

enum class OutlierAnswer { Yes, No, Cancel };
// The answer given in the question's message box: Yes, No, anything else Cancel.
OutlierAnswer outlierAnswerOf(DialogAnswer answer);

struct OutlierQuestion {
    std::size_t index = 0;  // score index = grid row to move to before asking
    Message message;
};

// "Possible Data Entry Error?" for `score` (Yes, No, Cancel, warning symbol).
Message outlierQuestionMessage(float score);

// One pass of the check over the scores. Ask question() while state() is Asking and pass the
// user's answer to answer():
//   Yes     the score is confirmed and the check goes on;
//   No      the check stops on that score for correction ("Data &OK" ends without unlocking);
//   Cancel  the check ends and is switched off for the rest of the run (the stored preference
//           stays as it is).
class OutlierCheck {
public:
    enum class State { Asking, Passed, StoppedForCorrection, SwitchedOff };

    OutlierCheck(Scores scores, ConfirmedOutliers& confirmed);

    State state() const { return state_; }
    const OutlierQuestion& question() const;  // only while Asking
    void answer(OutlierAnswer answer);        // only while Asking
    std::size_t correctionIndex() const { return index_; }  // after No: the score to correct

private:
    void advance();

    Scores scores_;
    ConfirmedOutliers& confirmed_;
    std::optional<OutlierStatistics> stats_;
    std::size_t index_ = 0;
    State state_ = State::Passed;
    OutlierQuestion question_;
};

struct OutlierCheckResult {
    bool unlock = true;                      // "Data &OK" may unlock the leading-on buttons
    std::optional<std::size_t> correctRow;   // after No: the row to leave the cursor on
};

// The whole check as "Data &OK" runs it. `checkThisRun` is the run's outlier setting: Cancel
// turns it off, and while it is off nothing is asked. `ask` moves the grid to the question's
// row and shows the message.
OutlierCheckResult runOutlierCheck(const Scores& scores, ConfirmedOutliers& confirmed,
                                   bool& checkThisRun,
                                   const std::function<OutlierAnswer(const OutlierQuestion&)>& ask);

}  // namespace varisect
