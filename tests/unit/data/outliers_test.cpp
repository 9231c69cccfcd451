// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/outliers.h"

#include <gtest/gtest.h>

#include "session/session.h"

namespace varisect {
namespace {

// Runs the check answering from `answers` in turn and returns the indices asked about.
std::vector<size_t> askedIndices(const Scores& scores, ConfirmedOutliers& confirmed, bool& on,
                                 std::vector<OutlierAnswer> answers, OutlierCheckResult* result = nullptr)
{
    std::vector<size_t> asked;
    const OutlierCheckResult r = runOutlierCheck(scores, confirmed, on, [&](const OutlierQuestion& q) {
        asked.push_back(q.index);
        const OutlierAnswer a = answers.empty() ? OutlierAnswer::Yes : answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        return a;
    });
    if (result)
        *result = r;
    return asked;
}

std::vector<size_t> asked(const Scores& scores)
{
    ConfirmedOutliers confirmed;
    bool on = true;
    return askedIndices(scores, confirmed, on, {});
}

TEST(OutlierStatistics, HandWorkedTrimmedMeanAndSd)
{
    // Trimmed set without 50 and 1: 2 4 4 5 6 7; n 6, S 28, Q 146.
    // mean 28/6; variance (6*146 - 28^2) / (36 - 1) = 92/35; SD 1.621287...
    const auto s = outlierStatistics({2, 50, 4, 4, 1, 5, 6, 7});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->n, 6);
    EXPECT_DOUBLE_EQ(s->mean, 28.0 / 6);
    EXPECT_DOUBLE_EQ(s->variance, 92.0 / 35);
    EXPECT_NEAR(s->sd, 1.6212870, 1e-7);
    EXPECT_FLOAT_EQ(s->upper, 11.151815f);
    EXPECT_FLOAT_EQ(s->lower, -1.8184813f);
    EXPECT_EQ(asked({2, 50, 4, 4, 1, 5, 6, 7}), (std::vector<size_t>{1}));
    EXPECT_FALSE(outlierStatistics({}));
}

TEST(OutlierStatistics, TiesAtTheExtremes)
{
    EXPECT_TRUE(asked({50, 50, 50, 50}).empty());             // all equal: SD 1 around 50
    EXPECT_EQ(outlierStatistics({50, 50, 50, 50})->sd, 1.0);
    EXPECT_EQ(asked({5, 5, 5, 5, 4, 6, 100}), (std::vector<size_t>{6}));  // max left out, still checked
    // Many scores at both ends: the trimmed mean is that of the middle scores (4), not their
    // sum over N - 2, so none of the 7s is taken for an outlier.
    Scores likert(45, 1.0f);
    likert.insert(likert.end(), 45, 7.0f);
    likert.insert(likert.end(), 10, 4.0f);
    EXPECT_EQ(outlierStatistics(likert)->mean, 4.0);
    EXPECT_TRUE(asked(likert).empty());
    // Only two values: nothing to trim, all scores count (mean 100/21, SD 21.32).
    Scores two(20, 0.0f);
    two.push_back(100);
    EXPECT_EQ(asked(two), (std::vector<size_t>{20}));
}

TEST(OutlierQuestion, TheValueIsWrittenAsStored)
{
    for (const auto& [value, shown] : std::vector<std::pair<float, std::string>>{
             {50, "entered, 50, is more than 4 Standard Deviations"}, {-40.5f, "entered,-40.5, is"}, {0.1f, "entered, .1, is"}})
        EXPECT_NE(outlierQuestionMessage(value).text.find(shown), std::string::npos) << shown;
}

TEST(OutlierAnswers, YesConfirmsNoStopsCancelSwitchesOffForTheRun)
{
    const Scores scores = {-90, 5, 5, 6, 4, 5, 6, 4, 5, 80};
    ConfirmedOutliers confirmed;
    bool on = true;
    OutlierCheckResult r;

    // No on the first: stop there, nothing unlocked, nothing confirmed.
    EXPECT_EQ(askedIndices(scores, confirmed, on, {OutlierAnswer::No}, &r), (std::vector<size_t>{0}));
    EXPECT_FALSE(r.unlock);
    EXPECT_EQ(r.correctRow, 0u);
    EXPECT_EQ(confirmed.count(), 0u);

    // Yes to both: confirmed, not asked again; a confirmed score that is edited is asked anew.
    EXPECT_EQ(askedIndices(scores, confirmed, on, {}, &r), (std::vector<size_t>{0, 9}));
    EXPECT_TRUE(r.unlock && on);
    EXPECT_TRUE(askedIndices(scores, confirmed, on, {}).empty());
    Scores edited = scores;
    edited[9] = 800;
    EXPECT_EQ(askedIndices(edited, confirmed, on, {}), (std::vector<size_t>{9}));

    // Cancel: the check ends, the buttons unlock, and the run's setting goes off while the
    // stored preference stays on until the next Start Over.
    Session state;
    confirmed.clear();
    EXPECT_EQ(askedIndices(scores, confirmed, state.data.outlierCheck, {OutlierAnswer::Cancel}, &r),
              (std::vector<size_t>{0}));
    EXPECT_TRUE(r.unlock);
    EXPECT_FALSE(r.correctRow);
    EXPECT_FALSE(state.data.outlierCheck);
    EXPECT_TRUE(state.preferences.outlierCheck);
    EXPECT_TRUE(askedIndices(scores, confirmed, state.data.outlierCheck, {}).empty());
    state.restart();
    EXPECT_EQ(askedIndices(scores, confirmed, state.data.outlierCheck, {}).size(), 2u);
}

}  // namespace
}  // namespace varisect
