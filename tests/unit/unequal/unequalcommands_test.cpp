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

TEST(CliUnequal, UnweightedMeans)
{
    const DataFile data(kUnweighted);
    const CliRun text = cli("analyze " + data.path.string() + " --mode unweighted" + kFactors);
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out, "     Unweighted Means Analysis of Variance Table\n"
                        "  Factors\n"
                        "   Alpha     2\n"
                        "   Beta      2\n"
                        "  (Reps)     3\n"
                        "\n"
                        "Source    df  SS (raw)     MS     F     p\n"
                        "A          1     20.25  34.71  7.71  .050\n"
                        "B          1      2.25   3.86    <1  .410\n"
                        "AxB        1      6.25  10.71  2.38  .197\n"
                        "  Within   4     18.00   4.50\n"
                        "Total      7     70.88\n");
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
    std::string content = "Unequal N\n 2\n 2\n 10\n 2\n";
    for (int i = 0; i < 12; ++i)
        content += "1\n";
    const DataFile data(content);
    const CliRun json = cli("analyze " + data.path.string() + " --mode attrition --factor Group=2 --factor Reps=10 --format json");
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_TRUE(json.out.starts_with("{\"mode\":\"attrition\",\"attrition_significant\":true,\n\"rows\":[")) << json.out;
    // The planned scores per cell are the replicates factor's levels: a cell of 10 exceeds 9.
    const CliRun over = cli("analyze " + data.path.string() + " --mode attrition --factor Group=2 --factor Reps=9");
    EXPECT_EQ(over.code, 2);
    EXPECT_TRUE(contains(over.err, "Too many scores specified!")) << over.err;
}

TEST(CliUnequal, Proportional)
{
    const DataFile data("Unequal N\n 3\n 4\n 2\n 1\n 4\n 2\n3\n5\n8\n4\n6\n6\n8\n9\n13\n");
    const std::string factors = " --factor A=2 --factor B=2 --factor R=4";
    const CliRun csv = cli("analyze " + data.path.string() + " --mode proportional --format csv" + factors);
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(csv.out, "Source,df,SS,MS,F,p,p_exact\n"
                       "A,1,43.556,43.556,12.10,.018,0.0176904569270393\n"
                       "B,1,10.889,10.889,3.02,.141,0.142498422209592\n"
                       "AxB,1,.444,.444,<1,.737,0.739636701486301\n"
                       "  Within,5,18.000,3.6,,,\n"
                       "Total,8,72.889,,,,\n");
    std::string sizes = "Unequal N\n 3\n 4\n 2\n 3\n 4\n 5\n";  // 2, 4 / 3, 5
    for (int i = 0; i < 14; ++i)
        sizes += "1\n";
    const DataFile unequal(sizes);
    const CliRun refused = cli("analyze " + unequal.path.string() + " --mode proportional" + factors);
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(contains(refused.err, "cell 4 (line 7):\nProportionality Violation!:")) << refused.err;
    EXPECT_EQ(cli("analyze " + data.path.string() + " --mode proportional --nest A:B" + factors).code, 2);
}

TEST(CliUnequal, GroupSizes)
{
    // Subjects (factor 3) nested under Group (1), crossed with Trial (2); groups of 2 and 3, one
    // imputed score.
    const DataFile data("Unequal N\n 3\n 1\n 2\n 2\n 2\n 3\n3\n4\n5\n6\n7\n9\n6\n5\n7\n7\n8\n9\n8\n8I\n12\n");
    const std::string factors = " --factor Group=2 --factor Trial=3 --factor Subjects=3";
    const CliRun text = cli("analyze " + data.path.string() + " --mode groupsizes" + factors);
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_TRUE(contains(text.out, "  There was 1 implanted score.  (* = df subtracted).\n")) << text.out;
    EXPECT_TRUE(contains(text.out, "GxT         2    1.089    .544     <1  .558\n"
                                   "  Error+    5*   4.111    .822\n"
                                   "Total      13   70.933\n"))
        << text.out;
    // The header must name three different factors.
    const DataFile same("Unequal N\n 3\n 3\n 2\n 3\n 1\n 1\n 1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n");
    const CliRun refused = cli("analyze " + same.path.string() + " --mode groupsizes" + factors);
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(contains(refused.err, "should name three different factors")) << refused.err;
}

}  // namespace
}  // namespace varisect
