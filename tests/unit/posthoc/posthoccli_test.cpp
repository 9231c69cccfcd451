// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "support/clitest.h"

namespace varisect {
namespace {

using testing::cli;
using testing::contains;
using testing::DataFile;

// Group (2) x Subject (4) x Time (3), subjects nested under the groups, Group cycling fastest.
const char* const kMixed = "16\n9.9\n10.8\n11.7\n7.8\n9.6\n10.5\n12.3\n15.8\n18\n15.4\n19.4\n15.6\n14.5\n15.2\n16.2\n"
                           "13.7\n13.6\n14.2\n16.2\n12.9\n14.4\n13.8\n12.8\n";
const std::string kDesign = " --factor Group=2 --factor Subject=4 --factor Time=3 --type repeated --designate Subject "
                            "--nest Subject:Group";

// The numbers of `key` in the json text, in order.
std::vector<double> numbers(const std::string& json, const std::string& key)
{
    const std::regex re("\"" + key + "\":(-?[0-9.eE+-]+)");
    std::vector<double> out;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), re); it != std::sregex_iterator(); ++it)
        out.push_back(std::stod((*it)[1]));
    return out;
}

// Reference values computed outside the project with R 4 from the same scores: the subjects'
// contrast scores (and level differences) regressed on the group, the residual variance their
// error on 6 df; TukeyHSD(aov(subject mean ~ group)) for the groups.
TEST(PosthocCli, SeparateErrorsAndPairsMatchAnIndependentComputation)
{
    const DataFile data(kMixed);
    const auto run = cli("analyze " + data.path.string() + kDesign +
                         " --trend Time --adjust holm --posthoc Time:holm --posthoc Group --format json");
    ASSERT_EQ(run.code, 0) << run.err;
    const std::vector<double> f = numbers(run.out, "f");
    // The table's F column comes first (G, T, GxT), then the contrasts block.
    const std::vector<double> dfError = numbers(run.out, "df_error");
    ASSERT_EQ(dfError, (std::vector<double>{6, 6}));
    ASSERT_GE(f.size(), 2u);
    EXPECT_NEAR(f[f.size() - 2], 9.257963, 1e-5);
    EXPECT_NEAR(f[f.size() - 1], 37.5966, 1e-4);
    EXPECT_TRUE(contains(run.out, "\"error_term\":\"linear x S\",\"own_error\":true")) << run.out;
    EXPECT_TRUE(contains(run.out, "\"contrasts\":{\"adjustment\":\"holm\""));

    const std::vector<double> difference = numbers(run.out, "difference");
    const std::vector<double> se = numbers(run.out, "se");
    const std::vector<double> p = numbers(run.out, "p_adjusted");
    ASSERT_EQ(difference.size(), 4u);  // 3 pairs of times, 1 of groups
    const double rDifference[] = {-5.1875, -2.875, 2.3125};
    const double rSe[] = {0.9742251, 0.9448876, 0.4953429};
    const double rRawP[] = {0.001787073, 0.02272421, 0.003436854};
    const double holmFactor[] = {3, 1, 2};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(difference[i], rDifference[i], 1e-6);  // scores are single precision
        EXPECT_NEAR(se[i], rSe[i], 1e-7);
        EXPECT_NEAR(p[p.size() - 4 + i], rRawP[i] * holmFactor[i], 1e-8);
    }
    EXPECT_NEAR(difference[3], -0.575, 1e-6);
    EXPECT_NEAR(p.back(), 0.540004, 1e-6);
    EXPECT_NEAR(numbers(run.out, "ci_lower").back(), -2.740891, 1e-6);
    EXPECT_NEAR(numbers(run.out, "ci_upper").back(), 1.590891, 1e-6);

    // The text names each contrast's error and the adjustment; csv has a block per request.
    const auto text = cli("analyze " + data.path.string() + kDesign + " --trend Time --contrast-error pooled");
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_TRUE(contains(text.out, "   T: linear     the pooled error Error + (df 12, MS")) << text.out;
    EXPECT_TRUE(contains(text.out, "  p not adjusted for multiplicity (the 2 contrasts)")) << text.out;
    const auto csv = cli("analyze " + data.path.string() + kDesign + " --posthoc T@G:bonferroni --format csv");
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_TRUE(contains(csv.out, "\nfactor,method,at_factor,at_level,first,second,mean_first,mean_second,difference,"
                                  "se,t,df,p_adjusted,ci_lower,ci_upper\nTime,bonferroni,Group,G1,T1,T2,"))
        << csv.out;

    // Holm's rows carry Bonferroni's intervals, and every output says so.
    const auto holm = cli("analyze " + data.path.string() + kDesign + " --posthoc Time:holm --posthoc Group");
    ASSERT_EQ(holm.code, 0) << holm.err;
    const std::string holmIntervals = "Intervals: Bonferroni-adjusted 95% confidence intervals of the differences "
                                      "(Holm's step-down method has none of its own)";
    EXPECT_TRUE(contains(holm.out, "\n  " + holmIntervals + "\n")) << holm.out;
    EXPECT_TRUE(contains(run.out, "\"method\":\"holm\",\"at_factor\":null,\"statistic\":\"t\",\"intervals\":\"bonferroni\""))
        << run.out;
    EXPECT_TRUE(contains(run.out, "\"method\":\"tukey\",\"at_factor\":null,\"statistic\":\"q\",\"intervals\":\"tukey\""));
    EXPECT_TRUE(contains(run.out, "\"" + holmIntervals + "\""));
    const auto holmCsv = cli("analyze " + data.path.string() + kDesign + " --posthoc Time:holm --format csv");
    EXPECT_TRUE(contains(holmCsv.out, "\n# " + holmIntervals + "\n")) << holmCsv.out;
}

// Subject (4) x Time (3), both within: the trend rows' exact p in the table's own rows, against
// R 4: pf(t.test(contrast scores)$statistic^2, 1, 3) for each row's own error, and
// pf(F, 1, 6) against the pooled S x T error.
TEST(PosthocCli, ContrastRowsOnTheirOwnErrorKeepTheirExactP)
{
    const DataFile data("3\n5\n4\n6\n5\n6\n6\n9\n8\n7\n9\n12\n");
    const std::string base = "analyze " + data.path.string() +
        " --factor Subject=4 --factor Time=3 --type repeated --designate Subject --trend Time";
    const struct {
        const char* error;
        double linear, quadratic;
    } cases[] = {{"separate", 0.013846832988859, 0.181690113816209},
                 {"pooled", 0.000358927202312518, 0.659742549190444}};
    for (const auto& c : cases) {
        const std::string error = std::string(" --contrast-error ") + c.error;
        const auto json = cli(base + error + " --format json");
        ASSERT_EQ(json.code, 0) << json.err;
        // The table's rows (S, T, the two trends, SxT, Total), then the contrasts block.
        const std::vector<double> exact = numbers(json.out, "p_exact");
        ASSERT_EQ(exact.size(), 1u + 2u + 2u) << c.error << ": " << json.out;
        EXPECT_NEAR(exact[1], c.linear, 1e-12) << c.error;
        EXPECT_NEAR(exact[2], c.quadratic, 1e-12) << c.error;
        EXPECT_EQ(exact[1], exact[3]) << c.error;  // the row and the block agree
        EXPECT_EQ(exact[2], exact[4]) << c.error;
        EXPECT_TRUE(contains(json.out, "{\"source\":\"  SxT\",\"df\":6,")) << json.out;

        const auto csv = cli(base + error + " --format csv");
        ASSERT_EQ(csv.code, 0) << csv.err;
        const std::regex row("  T: (linear|quadratic),1,[^\n]*,([0-9.e-]+)(?=\n)");
        std::vector<double> rows;
        for (auto it = std::sregex_iterator(csv.out.begin(), csv.out.end(), row); it != std::sregex_iterator(); ++it)
            rows.push_back(std::stod((*it)[2]));
        ASSERT_EQ(rows.size(), 2u) << csv.out;
        EXPECT_NEAR(rows[0], c.linear, 1e-12) << c.error;
        EXPECT_NEAR(rows[1], c.quadratic, 1e-12) << c.error;
    }
}

TEST(PosthocCli, BadRequestsAreRefusedWithAClearMessage)
{
    const DataFile data(kMixed);
    const std::string base = "analyze " + data.path.string() + kDesign;
    const struct {
        const char* options;
        const char* message;
    } cases[] = {
        {" --posthoc Time:scheffe", "--posthoc \"Time:scheffe\": choose the method tukey, holm or bonferroni"},
        {" --posthoc Weight", "--posthoc \"Weight\""},
        {" --posthoc Subject", "Not Available!"},
        {" --posthoc Time@Time", "Not Available!"},
        {" --trend Time --contrast-error own", "--contrast-error \"own\": choose separate or pooled."},
        {" --trend Time --adjust sidak", "--adjust \"sidak\": choose none, holm or bonferroni."},
        {" --adjust holm", "--adjust applies to the p of --trend and --contrast rows"},
        {" --contrast-error pooled", "--contrast-error applies to"},
    };
    for (const auto& c : cases) {
        const auto run = cli(base + c.options);
        EXPECT_NE(run.code, 0) << c.options;
        EXPECT_TRUE(run.out.empty()) << c.options;
        EXPECT_TRUE(contains(run.err, c.message)) << c.options << ": " << run.err;
    }
}

}  // namespace
}  // namespace varisect
