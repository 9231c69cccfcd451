// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrasts/contrasts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <sstream>

#include "cli/cli.h"
#include "engine/numbertext.h"
#include "contrasts/contrastdata.h"
#include "support/recordingprompts.h"

namespace varisect {
namespace {

using contrastdata::design;
using contrastdata::unevenScores;

TEST(Contrasts, PolynomialsAreOrthogonalForAnySpacing)
{
    EXPECT_EQ(orthogonalPolynomials({1, 2, 3, 4}),
              (std::vector<std::vector<double>>{{-3, -1, 1, 3}, {1, -1, -1, 1}, {-1, 3, -3, 1}}));
    EXPECT_EQ(orthogonalPolynomials({10, 20, 30}), (std::vector<std::vector<double>>{{-1, 0, 1}, {1, -2, 1}}));
    const std::vector<double> doses{1, 2, 4, 8, 16};
    const auto p = orthogonalPolynomials(doses);
    ASSERT_EQ(p.size(), 4u);
    for (std::size_t i = 0; i < p.size(); ++i) {
        EXPECT_NEAR(std::accumulate(p[i].begin(), p[i].end(), 0.0), 0, 1e-12);
        for (std::size_t k = i + 1; k < p.size(); ++k)
            EXPECT_NEAR(std::inner_product(p[i].begin(), p[i].end(), p[k].begin(), 0.0), 0, 1e-12);
    }
    // The linear trend is the centred values themselves, up to scale.
    for (std::size_t i = 1; i < doses.size(); ++i)
        EXPECT_NEAR(p[0][i] / p[0][0], (doses[i] - 6.2) / (doses[0] - 6.2), 1e-12);
}

TEST(Contrasts, BadCoefficientsAndValuesAreRefusedWithTheirMessages)
{
    const Factor dose{"Dose", 'D', 3, {}};
    auto title = [&](std::vector<std::string> texts) {
        const ReadNumbers r = readCoefficients(texts, dose, 2);
        EXPECT_TRUE(r.values.empty() || !r.problem);
        return r.problem ? r.problem->title : std::string("accepted");
    };
    EXPECT_EQ(title({"1", "-1", ""}), "accepted");
    EXPECT_EQ(title({"1", "1", "-1"}), "Coefficients Do Not Sum to Zero!");
    EXPECT_EQ(title({"0", "", "0"}), "Empty Contrast!");
    EXPECT_EQ(title({"1", "-1"}), "Wrong Number of Coefficients!");
    EXPECT_EQ(title({"1", "x", "-1"}), "Not a Number!");
    EXPECT_EQ(title({"1", "2-", "-1"}), "Not a Number!");
    EXPECT_NE(readCoefficients({"1", "1", "-1"}, dose, 2).problem->text.find("add up to 1"), std::string::npos);

    EXPECT_EQ(readLevelValues({"1", "2", "2"}, dose).problem->title, "Equal Level Values!");
    EXPECT_EQ(readLevelValues({"1", "2"}, dose).problem->title, "Wrong Number of Values!");
    EXPECT_EQ(readLevelValues({"1", "two", "3"}, dose).problem->title, "Not a Number!");
    EXPECT_FALSE(readLevelValues(splitNumberList("0, 2.5 10"), dose).problem);

    // Neither the designated factor nor a nested one, and trends only from 3 levels.
    Design d = design({{"Group", 2}, {"Subject", 3}, {"Time", 3}, {"Kind", 2}}, AnovaType::RepeatedMeasures, 2);
    EXPECT_EQ(eligibleFactors(d, ContrastKind::Comparison), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(eligibleFactors(d, ContrastKind::Trend), (std::vector<int>{3}));
    d.nested = true;
    d.nestingMatrix = {{'T', 'G'}};
    EXPECT_EQ(noEligibleFactor(d, ContrastKind::Trend)->title, "No Factor for Trends!");
}

TEST(Contrasts, CommandLineAddsTheRowsInEveryFormatAndRefusesBadInput)
{
    const auto dir = std::filesystem::temp_directory_path() / "varisect-contrasts-test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "doses.dat").string();
    {
        std::ofstream f(path);
        for (const float v : unevenScores(12))
            f << v << "\n";
    }
    auto run = [&](const std::string& extra, std::string* err = nullptr) {
        std::istringstream in("analyze " + path + " --factor Dose=4 --factor Subject=3 --type repeated "
                              "--designate Subject " + extra);
        std::ostringstream out, errors;
        const int code = runCli({std::istream_iterator<std::string>(in), {}}, out, errors);
        if (err)
            *err = errors.str();
        return std::make_pair(code, out.str());
    };
    const auto text = run("--trend Dose=1,2,4,8 --contrast D=1,-1,0,0");
    EXPECT_EQ(text.first, 0);
    for (const char* row : {"  D: linear", "  D: quadratic", "  D: cubic", "  D: c1 (1 -1 0 0)", "Trend coefficients"})
        EXPECT_NE(text.second.find(row), std::string::npos) << row;
    EXPECT_NE(run("--trend Dose --format csv").second.find("\n  D: cubic,1,"), std::string::npos);
    EXPECT_NE(run("--contrast 1=1,-1,0,0 --format json").second.find("\"source\":\"  D: c1 (1 -1 0 0)\""),
              std::string::npos);

    std::string err;
    EXPECT_EQ(run("--contrast Dose=1,1,0,0", &err).first, kExitBadInput);
    EXPECT_NE(err.find("Coefficients Do Not Sum to Zero!"), std::string::npos);
    EXPECT_EQ(run("--trend Subject", &err).first, kExitBadInput);
    EXPECT_NE(err.find("subjects factor"), std::string::npos);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace varisect
