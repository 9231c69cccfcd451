// SPDX-License-Identifier: GPL-3.0-or-later
// varisect-cli analyze --mode: one run per mode, with its refusals.
#include <gtest/gtest.h>

#include "support/clitest.h"

namespace varisect {
namespace {

using namespace testing;

// Alpha (2) x Beta (2), Reps (3) designated; cell sizes 3, 2, 1, 2.
const std::string kUnweighted = "Unequal N\r\n 3\r\n 4\r\n 3\r\n 2\r\n 1\r\n 2\r\n4\r\n6\r\n8\r\n7\r\n9\r\n5\r\n10\r\n14\r\n";
const std::string kFactors = " --factor Alpha=2 --factor Beta=2 --factor Reps=3";
// A (2) x B (2), R (4) designated; cells (a1 b1) 3 5, (a2 b1) 8, (a1 b2) 4 6 6 8, (a2 b2) 9 13.
const std::string kProportional = "Unequal N\n 3\n 4\n 2\n 1\n 4\n 2\n3\n5\n8\n4\n6\n6\n8\n9\n13\n";
const std::string kAbr = " --factor A=2 --factor B=2 --factor R=4";
// Subjects (factor 3) nested under Group (1), crossed with Trial (2); groups of 2 and 3, one
// imputed score.
const std::string kGroups = "Unequal N\n 3\n 1\n 2\n 2\n 2\n 3\n3\n4\n5\n6\n7\n9\n6\n5\n7\n7\n8\n9\n8\n8I\n12\n";

// An unequal-N file of `header` followed by `n` scores of 1 (the attrition test reads only the sizes).
std::string ones(std::string header, int n)
{
    for (int i = 0; i < n; ++i)
        header += "1\n";
    return header;
}

TEST(CliUnequal, UnweightedMeans)
{
    const DataFile data(kUnweighted);
    const CliRun text = cli("analyze " + data.path.string() + " --mode unweighted" + kFactors);
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out, "     Unweighted Means Analysis of Variance Table\n"
                        "  Factors\n"  // the cells hold different numbers of scores: no level counts
                        "   Alpha\n"
                        "   Beta\n"
                        "  (Reps)\n"
                        "\n"
                        "Source    df  SS (raw)     MS     F     p\n"
                        "A          1     20.25  34.71  7.71  .050\n"
                        "B          1      2.25   3.86    <1  .410\n"
                        "AxB        1      6.25  10.71  2.38  .197\n"
                        "  Within   4     18.00   4.50\n"
                        "Total      7     70.88\n"
                        "\n"
                        "  Harmonic mean cell size = 1.714: a source's MS is SS (raw) / df x 1.714.\n"
                        "  Within and Total are those of the raw scores; Total is not the sum of the SS column.\n");
    const CliRun json = cli("analyze " + data.path.string() + " --mode unweighted --format json --designate reps" + kFactors);
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_TRUE(json.out.starts_with("{\"mode\":\"unweighted\",\"harmonic_mean_cell_size\":1.714285714285714"));

    // A cell of size 0 in the file: the code-1 message, naming the line.
    std::string zero = kUnweighted;
    zero.replace(zero.find(" 1\r\n 2\r\n4"), 4, " 0\r\n");
    zero.erase(zero.find("5\r\n10"), 3);
    const DataFile empty(zero);
    const CliRun refused = cli("analyze " + empty.path.string() + " --mode unweighted" + kFactors);
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(contains(refused.err, ", cell 3 (line 6):\nData Entry Error!:    At least one score is missing"))
        << refused.err;
    // --designate must agree with the file.
    EXPECT_EQ(cli("analyze " + data.path.string() + " --mode unweighted --designate Alpha" + kFactors).code, 2);
}

TEST(CliUnequal, Attrition)
{
    const DataFile data(ones("Unequal N\n 2\n 2\n 10\n 2\n", 12));
    const CliRun json = cli("analyze " + data.path.string() + " --mode attrition --factor Group=2 --factor Reps=10 --format json");
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_TRUE(json.out.starts_with("{\"mode\":\"attrition\",\"attrition_significant\":true,\n\"rows\":[")) << json.out;
    // The planned scores per cell follow the file's largest cell, as when the window opens the
    // file: a cell of 10 raises 9 to 10.
    const CliRun raised = cli("analyze " + data.path.string() + " --mode attrition --factor Group=2 --factor Reps=9 --format json");
    ASSERT_EQ(raised.code, 0) << raised.err;
    EXPECT_EQ(raised.out, json.out);

    // Sizes 3, 2 / 3, 2: no loss differs between the levels of B, so B and AxB have SS 0 and
    // the table's F of 1E-09 (written for 0 without the question) has p 1, exact or not.
    const DataFile evenData(ones("Unequal N\n 3\n 4\n 3\n 2\n 3\n 2\n", 10));
    const CliRun zero = cli("analyze " + evenData.path.string() +
                            " --mode attrition --factor A=2 --factor B=2 --factor R=3 --format json");
    ASSERT_EQ(zero.code, 0) << zero.err;
    for (const char* source : {"B", "AxB"})
        EXPECT_TRUE(contains(zero.out, std::string("{\"source\":\"") + source +
                                           "\",\"df\":1,\"ss\":0,\"ms\":0,\"f\":1.0000000000000001e-09,\"p\":1,"
                                           "\"p_exact\":1}"))
            << zero.out;

    // A cell that lost every planned score is a result of the test, not a refusal.
    const DataFile lostData(ones("Unequal N\n 3\n 4\n 3\n 0\n 3\n 2\n", 8));
    const CliRun withEmpty = cli("analyze " + lostData.path.string() + " --mode attrition --factor A=2 --factor B=2 --factor R=3");
    EXPECT_EQ(withEmpty.code, 0) << withEmpty.err;
    EXPECT_TRUE(contains(withEmpty.out, "  Within    8")) << withEmpty.out;
}

TEST(CliUnequal, Proportional)
{
    const DataFile data(kProportional);
    const std::string factors = kAbr;
    const CliRun csv = cli("analyze " + data.path.string() + " --mode proportional --format csv" + factors);
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(csv.out, "Source,df,SS,MS,F,p,p_exact\n"
                       "A,1,43.556,43.556,12.10,.018,0.0176904569270393\n"
                       "B,1,10.889,10.889,3.02,.141,0.142498422209592\n"
                       "AxB,1,.444,.444,<1,.737,0.739636701486301\n"
                       "  Within,5,18.000,3.6,,,\n"
                       "Total,8,72.889,,,,\n");
    const DataFile unequal(ones("Unequal N\n 3\n 4\n 2\n 3\n 4\n 5\n", 14));  // 2, 4 / 3, 5
    const CliRun refused = cli("analyze " + unequal.path.string() + " --mode proportional" + factors);
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(contains(refused.err, "cell 4 (line 7):\nProportionality Violation!:")) << refused.err;
    EXPECT_EQ(cli("analyze " + data.path.string() + " --mode proportional --nest A:B" + factors).code, 2);
}

TEST(CliUnequal, GroupSizes)
{
    const DataFile data(kGroups);
    const std::string factors = " --factor Group=2 --factor Trial=3 --factor Subjects=3";
    const CliRun text = cli("analyze " + data.path.string() + " --mode groupsizes" + factors);
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_TRUE(contains(text.out, "   Group\n   Trial\n  (Subjects)\n  S nested under G\n  There was 1 implanted score.  (* = df "
                                   "subtracted).\n"))
        << text.out;
    EXPECT_TRUE(contains(text.out, "GxT         2    1.089    .544     <1  .558\n"
                                   "  Error+    5*   4.111    .822\n"
                                   "Total      13   70.933\n"))
        << text.out;
    // One subject in every group: "Error Condition!" and no table (exit code 1).
    const DataFile singles("Unequal N\n 3\n 1\n 2\n 2\n 1\n 1\n3\n4\n5\n6\n7\n9\n");
    const CliRun single = cli("analyze " + singles.path.string() + " --mode groupsizes" + factors);
    EXPECT_EQ(single.code, 1);
    EXPECT_EQ(single.out, "");
    EXPECT_TRUE(contains(single.err, "Error Condition!: Every group has a single subject")) << single.err;
    // The header must name three different factors.
    const DataFile same("Unequal N\n 3\n 3\n 2\n 3\n 1\n 1\n 1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n");
    const CliRun refused = cli("analyze " + same.path.string() + " --mode groupsizes" + factors);
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(contains(refused.err, "should name three different factors")) << refused.err;
}

// simple-effects --mode and means --mode: the proportional design of the test above (cells
// (a1 b1) 3 5, (a2 b1) 8, (a1 b2) 4 6 6 8, (a2 b2) 9 13; within 18 on 5 df).
TEST(CliUnequal, SimpleEffectsAndMeansOfUnequalCells)
{
    const DataFile data(kProportional);
    const std::string factors = kAbr;
    // A at B 1: 8^2/2 + 8^2/1 - 16^2/3 = 10.67, F = 10.67 / 3.6 = 2.96; A at B 2: 33.33, F 9.26;
    // B at A 1: 5.33, F 1.48; B at A 2: 6, F 1.67.
    const CliRun text = cli("simple-effects " + data.path.string() + " --mode proportional" + factors);
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out, "     Simple Effects Analysis of Variance Table\n"
                        "  Factors\n"
                        "   A\n"
                        "   B\n"
                        "\n"
                        "Source    df     SS     MS     F     p\n"
                        "A at B 1   1  10.67  10.67  2.96  .144\n"
                        "A at B 2   1  33.33  33.33  9.26  .028\n"
                        "B at A 1   1   5.33   5.33  1.48  .278\n"
                        "B at A 2   1   6.00   6.00  1.67  .253\n"
                        "  Within   5  18.00   3.60\n");
    const CliRun json = cli("simple-effects " + data.path.string() + " --mode proportional --format json --pair B,A" +
                            factors);
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_TRUE(json.out.starts_with("{\"mode\":\"proportional\",")) << json.out;
    // Unweighted means of the same file: the harmonic mean 16/9 replaces n (A at B 1: means 4
    // and 8, 8 x 16/9 = 14.22).
    const CliRun unweighted = cli("simple-effects " + data.path.string() + " --mode unweighted --format csv" + factors);
    ASSERT_EQ(unweighted.code, 0) << unweighted.err;
    EXPECT_TRUE(unweighted.out.starts_with("Source,df,SS,MS,F,p,p_exact\nA at B 1,1,14.22,14.22,3.95,")) << unweighted.out;

    // means: the weighted margins beside the plain ones, then every cell's n (the grid's layout
    // is the cell means' own, checked there).
    const CliRun means = cli("means " + data.path.string() + " --mode proportional" + factors);
    ASSERT_EQ(means.code, 0) << means.err;
    EXPECT_TRUE(contains(means.out, "Weighted  5.33  10.0                6.89\n\nNumber of scores (n) in each cell\n"))
        << means.out;
    EXPECT_TRUE(contains(means.out, "\n2      4  2      6\nTotal  6  3      9\n")) << means.out;
    const CliRun csv = cli("means " + data.path.string() + " --mode proportional --format csv" + factors);
    EXPECT_TRUE(contains(csv.out, "mean,n\nA,B,,,1,1,4.0,2\n")) << csv.out;
    EXPECT_TRUE(contains(csv.out, "A,B,,,Weighted,Weighted,6.89,9\n")) << csv.out;
    EXPECT_FALSE(contains(csv.out, "Marginal,Weighted")) << csv.out;  // the blank crossing has no line
    const CliRun meansJson = cli("means " + data.path.string() + " --mode proportional --format json" + factors);
    EXPECT_TRUE(contains(meansJson.out, "\"cell_n\":[[2,1],[4,2]],\"row_n\":[3,6],\"column_n\":[6,3],\"total_n\":9,"
                                        "\"weighted_row_marginals\":[5.33333333333333"))
        << meansJson.out;
    // Unweighted means: the title's mark, no weighted margins (the tests compare the plain ones).
    const CliRun plain = cli("means " + data.path.string() + " --mode unweighted" + factors);
    EXPECT_TRUE(plain.out.starts_with("Unweighted ** Cell Means\n")) << plain.out;
    EXPECT_FALSE(contains(plain.out, "Weighted  ")) << plain.out;
    EXPECT_TRUE(contains(plain.out, "Total  6  3      9\n")) << plain.out;

    // The attrition test has neither; a pair must be two factors other than the replicates.
    for (const char* command : {"means ", "simple-effects "}) {
        const CliRun attrition = cli(command + data.path.string() + " --mode attrition" + factors);
        EXPECT_EQ(attrition.code, 2);
        EXPECT_TRUE(contains(attrition.err, "--mode attrition has no")) << attrition.err;
    }
    const CliRun replicates = cli("simple-effects " + data.path.string() + " --mode proportional --pair A,R" + factors);
    EXPECT_EQ(replicates.code, 2);
    EXPECT_TRUE(contains(replicates.err, "--pair \"A,R\"")) << replicates.err;
}

// The scores read are transformed and screened in the order given before every analysis, and
// refused as the ordinary analysis refuses them; the steps themselves are checked with the
// ordinary analysis.
TEST(CliUnequal, TransformAndScreenWithEveryMode)
{
    const DataFile unweighted(kUnweighted);
    const std::string run = "analyze " + unweighted.path.string() + " --mode unweighted" + kFactors;
    const CliRun tenfold = cli(run + " --transform multiply:10");
    ASSERT_EQ(tenfold.code, 0) << tenfold.err;
    EXPECT_TRUE(contains(tenfold.out, "A          1   2025.00  3471.43  7.71  .050\n")) << tenfold.out;
    // The text names the steps under the table; without steps there is no such line.
    EXPECT_TRUE(tenfold.out.ends_with("of the SS column.\n  Scores transformed: multiplied by 10.\n")) << tenfold.out;
    EXPECT_FALSE(contains(cli(run).out, "Scores transformed"));
    const CliRun halted = cli(run + " --transform add:-100 --transform log");
    EXPECT_EQ(halted.code, 2);
    EXPECT_EQ(halted.out, "");
    EXPECT_TRUE(contains(halted.err, "varisect-cli: --transform \"log\"\nTransformation Halted!: The transformation "
                                     "cannot be carried out for these data"))
        << halted.err;

    // The attrition test reads only the sizes, but the steps are still checked.
    const DataFile attrition(ones("Unequal N\n 2\n 2\n 10\n 2\n", 12));
    const std::string attritionRun = "analyze " + attrition.path.string() + " --mode attrition --factor G=2 --factor R=10";
    EXPECT_EQ(cli(attritionRun + " --transform rank").out, cli(attritionRun).out);  // no steps named either
    EXPECT_EQ(cli(attritionRun + " --transform add:-1 --transform log").code, 2);

    // The table of group sizes: doubled scores, four times every SS; the imputed score stays marked.
    const DataFile groups(kGroups);
    const CliRun doubled = cli("analyze " + groups.path.string() +
                               " --mode groupsizes --factor Group=2 --factor Trial=3 --factor Subjects=3 --transform multiply:2");
    ASSERT_EQ(doubled.code, 0) << doubled.err;
    EXPECT_TRUE(contains(doubled.out, "Total      13   283.73\n")) << doubled.out;  // 4 x 70.933
    EXPECT_TRUE(contains(doubled.out, "  There was 1 implanted score.")) << doubled.out;
}

}  // namespace
}  // namespace varisect
