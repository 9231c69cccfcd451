// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "support/clitest.h"

namespace varisect {
namespace {

using namespace testing;

// Alpha (2) x Beta (3) x Reps (2): cell means A1 2, 3, 4 and A2 6, 7, 11.
const std::string kSix = "1\n5\n2\n6\n3\n10\n3\n7\n4\n8\n5\n12\n";

TEST(CliMeans, TablesPanelsAndFormats)
{
    const DataFile data(kSix);
    const std::string run = "means " + data.path.string() + " --factor Alpha=2 --factor Beta=3 --factor Reps=2 ";
    const CliRun text = cli(run + "--designate Reps");
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out, "  Cell means, using raw data\n\n"
                        "          Alpha\n"
                        "Beta        1     2  Marginal\n"
                        "1         2.0   6.0       4.0\n"
                        "2         3.0   7.0       5.0\n"
                        "3         4.0  11.0       7.5\n"
                        "Marginal  3.0   8.0       5.5\n");

    // Transformed scores say so; the means are those of the transformed scores.
    const CliRun doubled = cli(run + "--designate Reps --transform multiply:2 --screen greater:20:0");
    ASSERT_EQ(doubled.code, 0) << doubled.err;
    EXPECT_TRUE(doubled.out.starts_with("  Cell means, using transformed data\n\n")) << doubled.out;
    EXPECT_TRUE(contains(doubled.out, "\n3         8.0  10.0       9.0\n")) << doubled.out;

    // Without a designated factor every pair is shown; json keeps full precision.
    const CliRun json = cli(run + "--format json");
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_TRUE(json.out.starts_with("{\"tables\":[\n  {\"columns\":\"Alpha\",\"rows\":\"Beta\",\"transposed\":false,"
                                     "\"panel\":null,\"panel_level\":null,\"heading\":\"\",\"n\":2,"
                                     "\"column_levels\":[\"1\",\"2\"],\"row_levels\":[\"1\",\"2\",\"3\"],"
                                     "\"means\":[[2,6],[3,7],[4,11]],\"row_marginals\":[4,5,7.5],"
                                     "\"column_marginals\":[3,8],\"grand_mean\":5.5},\n"))
        << json.out;
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 6) << json.out;

    // Panels for each level of the replicates, as csv: 2 panels of 4 x 3 cells and a header.
    const CliRun csv = cli(run + "--pair beta,alpha --panels R --format csv");
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 25);
    EXPECT_TRUE(contains(csv.out, "\nAlpha,Beta,Reps,2,2,3,12.0\n")) << csv.out;
    EXPECT_TRUE(contains(csv.out, "\nAlpha,Beta,Reps,1,Marginal,Marginal,4.5\n")) << csv.out;

    // A first factor of 5 levels goes to the rows.
    std::string fifteen;
    for (int i = 0; i < 30; ++i)
        fifteen += std::to_string(i % 7) + "\n";
    const DataFile wide(fifteen);
    const CliRun swapped = cli("means " + wide.path.string() + " --factor Dose=5 --factor Time=3 --factor S=2 "
                            "--designate S --format json");
    ASSERT_EQ(swapped.code, 0) << swapped.err;
    EXPECT_TRUE(contains(swapped.out, "{\"columns\":\"Time\",\"rows\":\"Dose\",\"transposed\":true,")) << swapped.out;

    for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
             {"--pair Alpha,alpha", "--pair \"Alpha,alpha\": name two different factors."},
             {"--pair Alpha", "--pair \"Alpha\": write FIRST,SECOND"},
             {"--designate R --pair A,R", "not one of the pairs offered (Alpha x Beta)."},
             {"--pair A,B --panels Beta", "--panels \"Beta\": the panels need a substantive factor that is not in the "
                                          "pair Alpha x Beta."},
             {"--effect-sizes hays", "--effect-sizes belongs to the analyze command."}}) {
        const CliRun bad = cli(run + args);
        EXPECT_EQ(bad.code, 2) << args;
        EXPECT_EQ(bad.out, "") << args;
        EXPECT_TRUE(contains(bad.err, message)) << bad.err;
    }
}

TEST(CliSimpleEffects, TablesAndRefusals)
{
    const DataFile data(kSix);
    const std::string six = "simple-effects " + data.path.string() + " --factor Alpha=2 --factor Beta=3 --factor Reps=2 ";
    const CliRun csv = cli(six + "--type independent --designate Reps --format csv");
    ASSERT_EQ(csv.code, 0) << csv.err;
    // The exact tails of F(2, 6) are (1 + F / 3)^-3: 27/64 at 1 and 27/1000 at 7.
    EXPECT_EQ(csv.out, "Source,df,SS,MS,F,p,p_exact\n"
                       "A at B 1,1,16.00,16.00,8.00,.029,0.0300197452875444\n"
                       "A at B 2,1,16.00,16.00,8.00,.029,0.0300197452875444\n"
                       "A at B 3,1,49.00,49.00,24.50,.003,0.00257859752355399\n"
                       "B at A 1,2,4.00,2.00,1.00,.424,0.421875\n"
                       "B at A 2,2,28.00,14.00,7.00,.027,0.027\n"
                       "  Within,6,12.00,2.00,,,\n");

    // Doubled scores: four times the sums of squares, the same F-ratios.
    const CliRun doubled = cli(six + "--type independent --designate Reps --format csv --transform multiply:2");
    ASSERT_EQ(doubled.code, 0) << doubled.err;
    EXPECT_TRUE(contains(doubled.out, "\nA at B 1,1,64.00,64.00,8.00,.029,0.0300197452875444\n")) << doubled.out;

    // Repeated measures with a nested pair: the pair of substantive factors is not available.
    const CliRun nested = cli(six + "--type repeated --designate Reps --nest B:A");
    EXPECT_EQ(nested.code, 1);
    EXPECT_EQ(nested.out, "");
    EXPECT_TRUE(contains(nested.err, "Not Available!: It is not appropriate to examine simple effects in this case."))
        << nested.err;

    // Drug (2) x Time (3) x Subjects (4): every effect row is followed by its own error row.
    std::string scores;
    for (int i = 0; i < 24; ++i)
        scores += std::to_string((i * 7) % 11 + i / 6) + "\n";
    const DataFile rm(scores);
    const std::string design = "simple-effects " + rm.path.string() + " --factor Drug=2 --factor Time=3 --factor Subjects=4 ";
    const CliRun json = cli(design + "--type repeated --designate s --pair time,drug --format json");
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_TRUE(contains(json.out, "{\"source\":\"D at T 3\",")) << json.out;
    EXPECT_TRUE(contains(json.out, "{\"source\":\"  DxS at T 3\",\"df\":3,")) << json.out;
    EXPECT_TRUE(contains(json.out, "{\"source\":\"  TxS at D 2\",\"df\":6,")) << json.out;
    EXPECT_TRUE(json.out.ends_with("\"f\":null,\"p\":null,\"p_exact\":null}\n],\n\"messages\":[]}\n")) << json.out;

    const CliRun two = cli("simple-effects " + rm.path.string() + " --factor Drug=6 --factor Subjects=4 "
                        "--type repeated --designate S");
    EXPECT_EQ(two.code, 1);
    EXPECT_TRUE(contains(two.err, "Not appropriate for this design!: Simple effects are not defined if there are "
                                  "fewer than two substantive factors.\n"))
        << two.err;

    std::string sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen += std::to_string(i % 5) + "\n";
    const DataFile four(sixteen);
    const std::string abcs = "simple-effects " + four.path.string() + " --factor A=2 --factor B=2 --factor C=2 --factor S=2 ";
    const CliRun noPair = cli(abcs + "--type repeated --designate S");
    EXPECT_EQ(noPair.code, 2);
    EXPECT_TRUE(contains(noPair.err, "--pair is missing: choose one of A x B, A x C, B x C.\n")) << noPair.err;
    const CliRun noType = cli(abcs + "--type none --pair A,B");
    EXPECT_EQ(noType.code, 2);
    EXPECT_TRUE(contains(noType.err, "simple effects need F-ratios: choose --type independent or repeated.")) << noType.err;
}

}  // namespace
}  // namespace varisect
