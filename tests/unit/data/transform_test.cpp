// SPDX-License-Identifier: GPL-3.0-or-later
// Transformations and screens of the accepted scores, and the OK'd scores kept beside them.
#include "data/screen.h"
#include "data/transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>

#include "session/session.h"

namespace varisect {
namespace {

Scores transformed(const Scores& scores, Transformation t, float c = 0)
{
    const TransformResult r = transformScores(scores, t, c);
    EXPECT_TRUE(r.ok()) << r.reason;
    return r.scores;
}

bool allFinite(const Scores& scores)
{
    for (float x : scores)
        if (!std::isfinite(x))
            return false;
    return true;
}

TEST(Transform, StepsComposeAndKeepSinglePrecision)
{
    // Log after multiplying by 10 is ln(10 x); each result is held as a single.
    const Scores raw{1, 2.5f, 7, 0.125f};
    const Scores logs = transformed(transformed(raw, Transformation::MultiplyByConstant, 10), Transformation::Logarithm);
    ASSERT_EQ(logs.size(), raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i)
        EXPECT_EQ(logs[i], static_cast<float>(std::log(10.0 * raw[i]))) << i;

    EXPECT_EQ(transformed({1.5f, -2}, Transformation::AddConstant, -0.5f), (Scores{1, -2.5f}));
    // A negative score with a whole exponent has a power; x^0 is 1 for every x, 0 included.
    EXPECT_EQ(transformed({-2, 3}, Transformation::RaiseToPower, 3), (Scores{-8, 27}));
    EXPECT_EQ(transformed({-2, 0, 5}, Transformation::RaiseToPower, 0), (Scores{1, 1, 1}));
    EXPECT_EQ(transformed({4, 0}, Transformation::RaiseToPower, 0.5f), (Scores{2, 0}));
}

TEST(Transform, ArcsinOfTheEndsAndRanksWithTies)
{
    EXPECT_EQ(transformed({0, 0.5f, 1}, Transformation::Arcsin),
              (Scores{0, static_cast<float>(std::numbers::pi / 3), static_cast<float>(std::numbers::pi)}));

    EXPECT_EQ(rankOrder({3, 1, 3}), (Scores{2.5f, 1, 2.5f}));
    // Three tied for ranks 2 to 4 share 3; exact equality only (2.0001 is not 2).
    EXPECT_EQ(rankOrder({2, 9, 2, 1, 2, 2.0001f}), (Scores{3, 6, 3, 1, 3, 5}));
    EXPECT_EQ(transformed({-1, -1}, Transformation::RankOrder), (Scores{1.5f, 1.5f}));
}

TEST(Transform, DomainChecksWhenChosenAndApplied)
{
    const std::optional<Message> log = choiceProblem(Transformation::Logarithm, {3, 0, 2});
    ASSERT_TRUE(log);
    EXPECT_EQ(log->title, "Transformation Halted!");
    EXPECT_EQ(log->text, "The transformation cannot be carried out for these data (all scores must be >0).  Do "
                         "you want additional information from the help system?");
    EXPECT_EQ(log->buttons, MessageButtons::YesNo);
    EXPECT_EQ(log->icon, MessageIcon::Critical);

    const std::optional<Message> arcsin = choiceProblem(Transformation::Arcsin, {0, 1.01f});
    ASSERT_TRUE(arcsin);
    EXPECT_EQ(arcsin->text, "The transformation cannot be carried out for these data (all scores must be >=0 and "
                            "<=1 ).  Do you want additional information from the help system?");
    EXPECT_FALSE(choiceProblem(Transformation::Arcsin, {0, 1}));
    EXPECT_FALSE(choiceProblem(Transformation::Logarithm, {1e-30f}));
    EXPECT_FALSE(choiceProblem(Transformation::RaiseToPower, {-1, 0}));

    // Applying checks again: the scores an earlier step made may no longer suit (ln 0.5 < 0).
    const TransformResult twice = transformScores(transformed({0.5f}, Transformation::Logarithm),
                                                  Transformation::Logarithm, 0);
    EXPECT_EQ(twice.status, TransformStatus::OutOfRange);
    EXPECT_EQ(twice.reason, "The transformation cannot be carried out for these data (all scores must be >0).");
    EXPECT_TRUE(twice.scores.empty());
}

TEST(Transform, PowerChecksHaltWithTheirMessages)
{
    const TransformResult half = transformScores({4, -1}, Transformation::RaiseToPower, 0.5f);
    EXPECT_EQ(half.status, TransformStatus::Halted);
    EXPECT_EQ(half.message->title, "Transformation Halted");
    EXPECT_EQ(half.message->text,
              "The transformation cannot be carried out for these data (all scores must be >0 for an exponent of .5)");
    // A negative score has no real power for any exponent that is not whole, 1.5 or -0.3 alike;
    // the single 0.3 is written as typed, not as its double expansion.
    EXPECT_EQ(transformScores({-4}, Transformation::RaiseToPower, 1.5f).status, TransformStatus::Halted);
    EXPECT_EQ(transformScores({-4}, Transformation::RaiseToPower, -0.3f).message->text,
              "The transformation cannot be carried out for these data (all scores must be >0 for an exponent of-.3)");

    const TransformResult zero = transformScores({2, 0}, Transformation::RaiseToPower, -1);
    EXPECT_EQ(zero.status, TransformStatus::Halted);
    EXPECT_EQ(zero.message->text,
              "The transformation cannot be carried out for these data (zero cannot be taken to a negative power)");

    const Message q = zeroPowerQuestion();
    EXPECT_EQ(q.title, "Wait");
    EXPECT_EQ(q.text, "Raising to the zero power will transform all scores to 1.  Do you really want to do that?");
    EXPECT_EQ(q.buttons, MessageButtons::YesNo);
}

TEST(Transform, ResultsBeyondSinglePrecisionAreRefused)
{
    // Beyond the largest single (about 3.4E38), though well inside the range of a double.
    for (const auto& [scores, t, c] : {std::tuple{Scores{1, 1e20f}, Transformation::MultiplyByConstant, 1e20f},
                                       std::tuple{Scores{2, 1e5f}, Transformation::RaiseToPower, 10.0f},
                                       std::tuple{Scores{3e38f}, Transformation::AddConstant, 3e38f},
                                       std::tuple{Scores{0, 1}, Transformation::MultiplyByConstant,
                                                  std::numeric_limits<float>::infinity()}}) {
        const TransformResult r = transformScores(scores, t, c);
        EXPECT_EQ(r.status, TransformStatus::Overflow);
        EXPECT_TRUE(r.scores.empty());
    }
    const TransformResult r = transformScores({10}, Transformation::RaiseToPower, 400);
    EXPECT_EQ(r.message->title, "Program Limitation!");
    EXPECT_EQ(r.message->text,
              "   The transformation cannot be applied because a resulting value is too large for the computer's "
              "limited mind to comprehend (roughly 1.79 to the 308th power).\n\r   The program will restore the "
              "raw data values; you may try another transformation.");
    // The largest single itself is fine.
    EXPECT_TRUE(allFinite(transformed({std::numeric_limits<float>::max()}, Transformation::MultiplyByConstant, 1)));
}

TEST(Transform, TypedValuesAndShownScores)
{
    EXPECT_EQ(typedValue(""), 0.0f);
    EXPECT_EQ(typedValue("-2.5"), -2.5f);
    EXPECT_EQ(typedValue("1E3"), 1000.0f);
    EXPECT_FALSE(typedValue("4e38"));
    EXPECT_FALSE(typedValue("-1e400"));

    // "#0.00#": two or three decimals, a zero before the point, no negative zero.
    const std::vector<std::pair<float, std::string>> shown{
        {static_cast<float>(std::log(10.0)), "2.303"}, {3, "3.00"}, {0.5f, "0.50"}, {-1, "-1.00"},
        {-0.0004f, "0.00"}, {0.0005f, "0.001"}, {1234.5678f, "1234.568"}, {2.5f, "2.50"}, {0.125f, "0.125"}};
    for (const auto& [x, text] : shown)
        EXPECT_EQ(scoreDisplayText(x), text) << x;
}

TEST(Screen, BoundariesOfEachCondition)
{
    const Scores scores{0.5f, 1, 2, 3, 5, 6};
    ScreenRule between{ScreenCondition::Between, 1, 5, -9};
    // Both limits excluded.
    EXPECT_EQ(screenScores(scores, between), (Scores{0.5f, 1, -9, -9, 5, 6}));
    EXPECT_EQ(screenScores(scores, {ScreenCondition::Less, 1, 0, 0}), (Scores{0, 1, 2, 3, 5, 6}));
    EXPECT_EQ(screenScores(scores, {ScreenCondition::Greater, 5, 0, 99}), (Scores{0.5f, 1, 2, 3, 5, 99}));

    // "=" within 1E-5 of the value, the bounds rounded to single precision.
    const ScreenRule equal{ScreenCondition::Equal, 2, 0, 7};
    EXPECT_TRUE(meetsCondition(2.000001f, equal));
    EXPECT_TRUE(meetsCondition(1.999995f, equal));
    EXPECT_FALSE(meetsCondition(2.0001f, equal));
    EXPECT_FALSE(meetsCondition(1.99998f, equal));
    EXPECT_EQ(screenScores({2, 2.0001f, 2.000001f}, equal), (Scores{7, 2.0001f, 7}));

    // A screen that matches nothing changes nothing.
    EXPECT_EQ(screenScores(scores, {ScreenCondition::Less, -100, 0, 1}), scores);
}

TEST(Screen, ReversedLimitsAreRefused)
{
    EXPECT_FALSE(screenProblem({ScreenCondition::Between, 1, 5, 0}));
    EXPECT_FALSE(screenProblem({ScreenCondition::Between, 2, 2, 0}));  // empty, not reversed
    EXPECT_FALSE(screenProblem({ScreenCondition::Less, 5, 1, 0}));     // the upper box counts for Between only
    const std::optional<Message> reversed = screenProblem({ScreenCondition::Between, 5, 1, 0});
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->title, "Limits Reversed!");
    EXPECT_EQ(reversed->text,
              "Please enter the lower limit in the left (>) box and the upper limit in the right (<) box.");
    EXPECT_EQ(reversed->icon, MessageIcon::Critical);
}

TEST(AcceptedData, TransformRevertAndTheTransformedFlag)
{
    AcceptedData data;
    data.accept({1, 2, 3});
    EXPECT_FALSE(data.transformed());
    data.transformTo({10, 20, 30});
    data.transformTo({11, 21, 31});
    EXPECT_EQ(data.scores(), (Scores{11, 21, 31}));
    EXPECT_EQ(data.okScores(), (Scores{1, 2, 3}));
    EXPECT_TRUE(data.transformed());

    data.revert();
    EXPECT_EQ(data.scores(), (Scores{1, 2, 3}));
    EXPECT_FALSE(data.transformed());

    // Transformed scores accepted again (edited in the grid, say) stay transformed, also after a
    // revert; new data from a file or a cleared grid are raw.
    data.transformTo({5, 5, 5});
    data.accept({5, 5, 6});
    EXPECT_TRUE(data.transformed());
    data.transformTo({0, 0, 0});
    data.revert();
    EXPECT_EQ(data.scores(), (Scores{5, 5, 6}));
    EXPECT_TRUE(data.transformed());
    data.markRaw();
    data.accept({7, 8, 9});
    EXPECT_FALSE(data.transformed());
    data.clear();
    EXPECT_TRUE(data.okScores().empty());
    EXPECT_FALSE(data.accepted());
}

// The table's legend names the steps behind the scores in use, in order; a revert goes back to
// the steps of the OK'd scores, new data to none.
TEST(AcceptedData, StepsAppliedForTheLegend)
{
    EXPECT_EQ(transformStepText(Transformation::Logarithm, 0), "natural log");
    EXPECT_EQ(transformStepText(Transformation::RankOrder, 0), "rank order");
    EXPECT_EQ(transformStepText(Transformation::Arcsin, 0), "arcsine");
    EXPECT_EQ(transformStepText(Transformation::AddConstant, -2.5f), "-2.5 added");
    EXPECT_EQ(transformStepText(Transformation::MultiplyByConstant, 10), "multiplied by 10");
    EXPECT_EQ(transformStepText(Transformation::RaiseToPower, 0.5f), "raised to the power 0.5");
    EXPECT_EQ(transformStepText(Transformation::None, 3), "");

    const Scores scores{12, 31, 40, 30, 29.5f};
    ScreenRule above{ScreenCondition::Greater, 30, 0, 30};
    EXPECT_EQ(screenedCount(scores, above), 2);
    EXPECT_EQ(screenStepText(above, 2), "values above 30 replaced by 30 (2 scores)");
    EXPECT_EQ(screenStepText({ScreenCondition::Less, 1.25f, 0, 0}, 1), "values below 1.25 replaced by 0 (1 score)");
    EXPECT_EQ(screenStepText({ScreenCondition::Equal, 99, 0, -1}, 0), "values equal to 99 replaced by -1 (0 scores)");
    EXPECT_EQ(screenStepText({ScreenCondition::Between, 1, 5, 3}, 4), "values between 1 and 5 replaced by 3 (4 scores)");
    EXPECT_EQ(screenedCount(scores, {ScreenCondition::Between, 29.5f, 31, 0}), 1);  // limits excluded
    EXPECT_EQ(replacedCountText(2), "2 scores replaced.");
    EXPECT_EQ(replacedCountText(1), "1 score replaced.");
    EXPECT_EQ(replacedCountText(0), "No score met the condition; nothing was replaced.");

    EXPECT_EQ(dataStepsNote({}), "");
    EXPECT_EQ(dataStepsNote({"natural log", "values above 30 replaced by 30 (2 scores)"}),
              "  Scores transformed: natural log, then values above 30 replaced by 30 (2 scores).");

    AcceptedData data;
    data.accept({1, 2, 3});
    EXPECT_TRUE(data.steps().empty());
    data.transformTo({2, 3, 4}, "1 added");
    data.transformTo({4, 6, 8}, "multiplied by 2");
    EXPECT_EQ(data.steps(), (std::vector<std::string>{"1 added", "multiplied by 2"}));
    data.revert();
    EXPECT_TRUE(data.steps().empty());
    data.transformTo({2, 3, 4}, "1 added");
    data.accept({2, 3, 5});  // accepted again: the steps stay behind the OK'd scores
    data.transformTo({3, 4, 6}, "1 added");
    data.transformTo({9, 16, 36}, "raised to the power 2");
    // The windows list only what was applied since the scores were accepted.
    EXPECT_EQ(data.stepsSinceOk(), (std::vector<std::string>{"1 added", "raised to the power 2"}));
    EXPECT_EQ(stepsSinceOkText(data.stepsSinceOk()), "Applied since Data OK: 1 added, then raised to the power 2.");
    data.revert();
    EXPECT_EQ(data.steps(), (std::vector<std::string>{"1 added"}));
    EXPECT_TRUE(data.stepsSinceOk().empty());
    EXPECT_EQ(stepsSinceOkText(data.stepsSinceOk()), "Nothing applied since Data OK.");
    data.markRaw();
    EXPECT_TRUE(data.steps().empty());
    data.transformTo({0, 0, 0}, "multiplied by 0");
    data.clear();
    EXPECT_TRUE(data.steps().empty());
}

}  // namespace
}  // namespace varisect
