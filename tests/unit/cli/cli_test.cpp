// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "cli/cliarguments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <sstream>

#include "engine/reference.h"
#include "support/clitest.h"
#include "support/toothgrowth.h"

namespace varisect {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("varisect-cli-test-" + std::to_string(std::random_device{}()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name, const std::string& content) const
    {
        std::ofstream(path / name, std::ios::binary) << content;
        return (path / name).string();
    }
};

using testing::cli;
using testing::CliRun;

// The first group of every match of `pattern` in `text`.
std::vector<std::string> captures(const std::string& text, const std::string& pattern)
{
    const std::regex re(pattern);
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1]);
    return out;
}

// The JSON table holds one row to a line, keys in a fixed order.
std::vector<std::string> sourcesOf(const std::string& json) { return captures(json, "\"source\":\"([^\"]*)\""); }
std::vector<std::string> keysOf(const std::string& row) { return captures(row, "\"([a-z_0-9]+)\":"); }

std::string rowOf(const std::string& json, const std::string& source)
{
    const auto at = json.find("{\"source\":\"" + source + "\",");
    EXPECT_NE(at, std::string::npos) << "no row " << source;
    return at == std::string::npos ? "" : json.substr(at, json.find('}', at) - at + 1);
}

// A field of a row: NaN for null; anything else must read back whole as a finite number.
double number(const std::string& row, const std::string& key)
{
    const auto at = row.find("\"" + key + "\":");
    if (at == std::string::npos || row.compare(at + key.size() + 3, 4, "null") == 0) {
        EXPECT_NE(at, std::string::npos) << "no " << key << " in " << row;
        return std::nan("");
    }
    char* end = nullptr;
    const double value = std::strtod(row.c_str() + at + key.size() + 3, &end);
    EXPECT_TRUE(std::isfinite(value) && (*end == ',' || *end == '}')) << key << " in " << row;
    return value;
}

bool isNull(const std::string& row, const std::string& key) { return std::isnan(number(row, key)); }

const std::vector<std::string> kKeys = {"source", "df", "ss", "ms", "f", "p", "p_exact"};

TEST(Cli, HandCheckedTwoFactorDesign)
{
    TempDir dir;
    const std::string six = "analyze " + dir.file("six.dat", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n") +
                            " --factor A=2 --factor S=3 --type none ";
    // A designation without F-ratios is accepted and has no effect.
    const CliRun json = cli(six + "--designate S --format=json");
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_TRUE(json.out.starts_with("{\"rows\":[\n  {\"source\":\"A\",")) << json.out;
    EXPECT_TRUE(json.out.ends_with("}\n],\n\"messages\":[]}\n")) << json.out;
    EXPECT_EQ(sourcesOf(json.out), (std::vector<std::string>{"A", "S", "AxS", "Total"}));
    const std::vector<std::pair<std::string, double>> sums = {{"A", 1.5}, {"S", 16}, {"AxS", 0}, {"Total", 17.5}};
    for (const auto& [source, ss] : sums)
        EXPECT_NEAR(number(rowOf(json.out, source), "ss"), ss, 1e-12) << source;
    EXPECT_EQ(number(rowOf(json.out, "Total"), "df"), 5);
    EXPECT_TRUE(isNull(rowOf(json.out, "Total"), "ms"));
    EXPECT_EQ(keysOf(rowOf(json.out, "AxS")), kKeys);
    EXPECT_EQ(captures(json.out, "(\"f\":null,\"p\":null,\"p_exact\":null\\})").size(), 4u) << json.out;  // no F-ratios

    // CSV: a header and one line per row.
    const CliRun csv = cli(six + "--format csv");
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_TRUE(csv.out.starts_with("Source,df,SS,MS,,,\nA,1,1.5,")) << csv.out;
    EXPECT_TRUE(csv.out.ends_with("\nTotal,5,17.5,,,,\n")) << csv.out;
}

TEST(Cli, TypicalRepeatedMeasuresRequest)
{
    // Drug (2) x Time (3) x Subjects (5), Drug cycling fastest; every source has an effect.
    std::string crlf;
    const int subject[5] = {3, 7, 5, 9, 6};
    for (int s = 0; s < 5; ++s)
        for (int t = 0; t < 3; ++t)
            for (int d = 0; d < 2; ++d)
                crlf += std::to_string(subject[s] + 2 * d + t * t + (s * 7 + t * 3 + d * 5) % 4) + "\r\n";
    std::string lf = crlf;
    std::erase(lf, '\r');
    TempDir dir;
    const std::string design = " --factor Drug=2 --factor Time=3 --factor Subjects=5 --type repeated --designate ";
    const CliRun r = cli("analyze " + dir.file("crlf.dat", crlf) + design + "Subjects --format json");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(sourcesOf(r.out),
              (std::vector<std::string>{"S", "D", "  SxD", "T", "  SxT", "DxT", "  SxDxT", "Total"}));

    // Each effect's exact tail is taken on the df of the error row below it; error rows carry no
    // F or p. (The sums, F-ratios and approximate p are the engine's, checked there.)
    for (const std::string effect : {"D", "T", "DxT"}) {
        const std::string e = rowOf(r.out, effect), error = rowOf(r.out, "  Sx" + effect);
        const double exact = testing::exactUpperTailF(number(e, "f"), number(e, "df"), number(error, "df"));
        EXPECT_NEAR(number(e, "p_exact"), exact, 1e-12 * exact) << e;
        EXPECT_TRUE(isNull(error, "f") && isNull(error, "p") && isNull(error, "p_exact")) << error;
    }

    // LF endings and the subjects factor named by its label give the same table. The text
    // layout marks the designated factor and ends its lines with LF alone.
    const std::string lfRun = "analyze " + dir.file("lf.dat", lf) + design + "s";
    EXPECT_EQ(cli(lfRun + " --format json").out, r.out);
    const CliRun csv = cli(lfRun + " --format csv");
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_TRUE(csv.out.starts_with("Source,df,SS,MS,F,p,p_exact\nS,4,")) << csv.out;
    const std::vector<std::string> drug = captures(csv.out, "\nD,1,[^\n]*,([^,\n]+)\n");
    ASSERT_EQ(drug.size(), 1u) << csv.out;
    EXPECT_NEAR(std::stod(drug[0]), number(rowOf(r.out, "D"), "p_exact"), 1e-14);
    const CliRun text = cli(lfRun);
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out.find('\r'), std::string::npos);
    EXPECT_NE(text.out.find("  (Subjects)    5"), std::string::npos) << text.out;
}

TEST(Cli, ImputedScoresAndQuestionsOfTheAnalysis)
{
    TempDir dir;
    // A (3) x S (4), repeated measures: the error row SxA has 6 df, less one per imputed score.
    const auto run = [&](int imputed) {
        std::string content;
        for (int i = 0; i < 12; ++i)
            content += std::to_string((i * 5) % 7 + i / 3) + (i < imputed ? "I" : "") + "\r\n";
        return cli("analyze " + dir.file("imputed.dat", content) +
                   " --factor A=3 --factor S=4 --type repeated --designate S --format json");
    };
    const CliRun one = run(1);
    ASSERT_EQ(one.code, 0) << one.err;
    EXPECT_EQ(number(rowOf(one.out, "  SxA"), "df"), 5);
    EXPECT_EQ(number(rowOf(one.out, "Total"), "df"), 10);
    const CliRun six = run(6);
    EXPECT_EQ(six.code, 1);
    EXPECT_EQ(six.out, "");
    EXPECT_NE(six.err.find("Error Condition!: You have too many imputed scores for the specified design.\n"
                           "The analysis cannot be carried out as planned.\n"
                           "Perhaps you intended to use a nested design?\n"),
              std::string::npos)
        << six.err;

    // Every subject shows the same pattern, so the F-ratio of A is undefined. The question is
    // answered yes, shown on the error stream and kept in the JSON.
    const CliRun flat = cli("analyze " + dir.file("flat.dat", "1\n2\n3\n1\n2\n3\n1\n2\n3\n") +
                            " --factor A=3 --factor S=3 --type repeated --designate S --format json");
    ASSERT_EQ(flat.code, 0) << flat.err;
    EXPECT_NE(flat.out.find("\"messages\":[\n  {\"title\":\"Undefined F-ratio!\",\"text\":\""), std::string::npos)
        << flat.out;
    EXPECT_NE(flat.err.find("Undefined F-ratio!: The Mean Square for the denominator"), std::string::npos);
    EXPECT_TRUE(isNull(rowOf(flat.out, "A"), "f"));
}

TEST(Cli, NestingAndEffectSizes)
{
    TempDir dir;
    std::string content;
    for (int i = 0; i < 12; ++i)
        content += std::to_string((i * 7) % 5 + i % 2) + "\n";
    const std::string run = "analyze " + dir.file("twelve.dat", content) +
                            " --factor A=2 --factor B=2 --factor R=3 --type independent --designate R --format json ";
    const CliRun nested = cli(run + "--nest b:A");
    ASSERT_EQ(nested.code, 0) << nested.err;
    EXPECT_EQ(sourcesOf(nested.out), (std::vector<std::string>{"A", "B +", "  Within", "Total"}));

    const CliRun hays = cli(run + "--effect-sizes hays");
    ASSERT_EQ(hays.code, 0) << hays.err;
    EXPECT_EQ(keysOf(rowOf(hays.out, "Total")),
              (std::vector<std::string>{"source", "df", "ss", "ms", "f", "p", "p_exact", "omega2", "power", "ci_lower",
                                        "ci_upper"}));
    EXPECT_FALSE(isNull(rowOf(hays.out, "A"), "omega2"));
    EXPECT_TRUE(isNull(rowOf(hays.out, "  Within"), "omega2"));
    const CliRun partial = cli(run + "--effect-sizes partial");
    ASSERT_EQ(partial.code, 0) << partial.err;
    EXPECT_EQ(keysOf(rowOf(partial.out, "A")),
              (std::vector<std::string>{"source", "df", "ss", "ms", "f", "p", "p_exact", "partial_omega2", "ci_lower",
                                        "ci_upper"}));
    EXPECT_FALSE(isNull(rowOf(partial.out, "A"), "ci_upper"));
}

// The tooth-growth data (R's ToothGrowth) as ten subjects crossed with supplement and dose; the
// figures checked here are those of the sphericity and effect-size unit tests.
TEST(Cli, SphericityAndEtaSquared)
{
    TempDir dir;
    std::ostringstream content;
    for (const float x : kToothGrowth)
        content << x << "\n";
    const std::string run = "analyze " + dir.file("tooth.dat", content.str()) +
                            " --factor Type=2 --factor Dose=3 --factor Subjects=10 --type repeated --designate S ";

    const CliRun json = cli(run + "--sphericity --effect-sizes generalized-eta --format json");
    ASSERT_EQ(json.code, 0) << json.err;
    const auto block = json.out.find("\"sphericity\":{\"rows\":[");
    ASSERT_NE(block, std::string::npos);
    const std::string dose = rowOf(json.out.substr(block), "D");
    EXPECT_NEAR(number(dose, "gg_epsilon"), 0.838, 5e-4);
    EXPECT_EQ(number(dose, "hf_df2"), 18.0);  // epsilon above 1: the df stay
    EXPECT_EQ(keysOf(dose), (std::vector<std::string>{"source", "effect_df", "error_df", "w", "chi_square", "test_df",
                                                      "p", "w_computable", "gg_epsilon", "hf_epsilon", "f", "gg_df1",
                                                      "gg_df2", "gg_p", "hf_df1", "hf_df2", "hf_p"}));
    EXPECT_NEAR(number(rowOf(json.out, "D"), "generalized_eta2"), 0.773, 5e-4);
    EXPECT_TRUE(isNull(rowOf(json.out, "  SxD"), "generalized_eta2"));
    EXPECT_NE(json.out.find("\"unavailable\":null}"), std::string::npos);
    // Without --sphericity there is no block.
    EXPECT_EQ(cli(run + "--format json").out.find("sphericity"), std::string::npos);

    const CliRun text = cli(run + "--sphericity --effect-sizes partial-eta");
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("Source    df       SS  Partial Eta\xC2\xB2         90% CI      p\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("\n  Sphericity of the within-subject effects\n"
                            "  Source     W  Chi-sq  df     p  G-G eps  H-F eps  G-G p  H-F p\n"),
              std::string::npos)
        << text.out;

    const CliRun csv = cli(run + "--sphericity --effect-sizes eta --format csv");
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')), "Source,df,SS,Eta\xC2\xB2,90% CI,p,p_exact,ci_lower,ci_upper");
    EXPECT_NE(csv.out.find("\n\nsphericity_source,effect_df,w,chi_square,test_df,p,gg_epsilon,hf_epsilon,gg_df1,"
                           "gg_df2,gg_p,hf_df1,hf_df2,hf_p,note\nT,1,,,,,1,1,1,9,"),
              std::string::npos)
        << csv.out;

    for (const auto& [args, message] :
         {std::pair{run + "--sphericity=yes", "option --sphericity takes no value."},
          {"analyze " + dir.file("tooth.dat", content.str()) +
               " --factor Type=2 --factor Dose=3 --factor Subjects=10 --type independent --designate S --sphericity",
           "--sphericity needs a repeated-measures design (--type repeated)."},
          {run + "--effect-sizes omega", "choose hays, partial, eta, partial-eta or generalized-eta."}}) {
        const CliRun refused = cli(args);
        EXPECT_EQ(refused.code, 2);
        EXPECT_TRUE(refused.out.empty());
        EXPECT_NE(refused.err.find(message), std::string::npos) << refused.err;
    }
}

// Every refusal: exit code 2, nothing on the output, the message on the error stream (a leading
// "\n" asks for it at the start of a line). DATA stands for a file holding `data`. The
// design check's and the data-file reader's other messages are checked where they are made.
TEST(Cli, BadInputIsRefusedWithAClearMessage)
{
    struct Case {
        std::string args, expected, data = "1\n2\n3\n4\n5\n6\n";
    };
    const std::string six = "analyze DATA --factor A=2 --factor S=3 ";
    const std::vector<Case> cases = {
        {"", "\nUsage: varisect-cli analyze"},
        {"analyse", "\nvarisect-cli: unknown command \"analyse\".  Run varisect-cli --help for the usage.\n"},
        {"--version analyze", "\nvarisect-cli: --version takes nothing after it.\n"},
        {six + "--type none --colour red", "\nvarisect-cli: unknown option \"--colour\"."},
        {six + "--type", "\nvarisect-cli: option --type needs a value.\n"},
        {six, "\nvarisect-cli: --type is missing: choose independent, repeated or none.\n"},
        {six + "--type repeated", "--designate is missing: name the subjects factor."},
        {six + "--type repeated --designate X",
         "--designate \"X\": there is no factor \"X\" in the design (factors: A, S).\n"},
        {six + "--type repeated --designate S --effect-sizes hays",
         "--effect-sizes needs an independent-groups design that is not nested."},
        {six + "--type none --nest A:S --nest s:a",
         "\nNesting Error!: You have designated A as nested under S and S as nested under A. Nesting is "
         "a one-way relationship. Please correct the designation.\n"},
        {"analyze DATA --factor A=2.5 --factor S=3 --type none",
         "--factor \"A=2.5\": the number of levels must be a whole number from 2 to 16352.\n"},
        {"analyze DATA --factor A=2 --factor S=1 --type none",
         "\nError: You have specified that factor 2 has only 1 levels.  There must be at least 2 levels "
         "in a factor.  Please re-enter the design specifications.\n"},
        {six + "--type none",
         "\nWrong file selected?: The number of scores in DATA is 5, while the design calls for 6 scores.\n",
         "1\r\n2\r\n3\r\n4\r\n5\r\n"},
        {six + "--type none",
         "\nvarisect-cli: Line 2 of DATA holds a number too large for a score: \"1000000000000000000000000000000000000000...\"\n",
         "1\n1" + std::string(400, '0') + "e-10\n3\n4\n5\n6\n"},
        {"analyze DATA.none --factor A=2 --factor S=3 --type none", "\nvarisect-cli: DATA.none does not exist.\n"},
        {"analyze DATA.d --factor A=2 --factor S=3 --type none",
         "\nvarisect-cli: DATA.d is a folder, not a data file.\n"},
    };
    TempDir dir;
    const std::string path = dir.file("case.dat", "");
    fs::create_directory(path + ".d");
    const auto placed = [&](std::string s) {
        for (auto at = s.find("DATA"); at != std::string::npos; at = s.find("DATA", at + path.size()))
            s.replace(at, 4, path);
        return s;
    };
    for (const Case& c : cases) {
        dir.file("case.dat", c.data);
        const CliRun r = cli(placed(c.args));
        EXPECT_EQ(r.code, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(("\n" + r.err).find(placed(c.expected)), std::string::npos) << c.expected << "\ngot: " << r.err;
    }
    const CliRun help = cli("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: varisect-cli analyze")) << help.out;
    // The version is the project's; packaging/check-install.sh compares it with the desktop program's.
    const CliRun version = cli("--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.err, "");
    EXPECT_TRUE(std::regex_match(version.out, std::regex("varisect-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << version.out;
}

// --transform and --screen change the scores read, in the order given, exactly as the same
// values written into the file would analyse.
TEST(Cli, TransformAndScreenStepsRunInOrder)
{
    TempDir dir;
    const std::string design = " --factor A=2 --factor S=3 --type none --format json";
    const std::string raw = "analyze " + dir.file("raw.dat", "1\n2\n3\n4\n5\n6\n");
    const auto same = [&](const std::string& steps, const std::vector<double>& values) {
        std::string text;
        for (double v : values) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.9g\n", static_cast<double>(static_cast<float>(v)));
            text += buf;
        }
        const CliRun stepped = cli(raw + design + steps);
        const CliRun direct = cli("analyze " + dir.file("direct.dat", text) + design);
        ASSERT_EQ(stepped.code, 0) << stepped.err;
        ASSERT_EQ(direct.code, 0) << direct.err;
        EXPECT_EQ(stepped.out, direct.out) << steps;
    };
    // ln(10 x), each step held in single precision like the scores themselves.
    std::vector<double> logs;
    for (int x = 1; x <= 6; ++x)
        logs.push_back(std::log(static_cast<double>(static_cast<float>(10.0 * x))));
    same(" --transform multiply:10 --transform LOG", logs);
    // 2 and 3 become 10, then ranks with the ties sharing 5.5; the other order ranks first.
    same(" --screen between:1:4:10 --transform rank", {1, 5.5, 5.5, 2, 3, 4});
    same(" --transform rank --screen=between:1:4:10", {1, 10, 10, 4, 5, 6});
    same(" --transform power:0 --transform add:-0.5 --screen equal:0.5:7", {7, 7, 7, 7, 7, 7});
    // The text form names the steps under the table (10 .. 60: three scores above 30).
    const CliRun text = cli(raw + " --factor A=2 --factor S=3 --type none --transform multiply:10 --screen greater:30:30");
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_TRUE(text.out.ends_with("\n\n  Scores transformed: multiplied by 10, then values above 30 replaced by 30 "
                                   "(3 scores).\n"))
        << text.out;
    EXPECT_FALSE(testing::contains(cli(raw + " --factor A=2 --factor S=3 --type none").out, "Scores transformed"));

    // The checks of the steps end the run with their message, named by the step; the messages
    // themselves are the transformation's and the screen's own.
    const std::string zero = "analyze " + dir.file("zero.dat", "0\n1\n0.5\n1\n1\n1\n") + design;
    const std::vector<std::pair<std::string, std::string>> refused = {
        {zero + " --transform arcsin --transform log",
         "varisect-cli: --transform \"log\"\nTransformation Halted!: The transformation cannot be carried out for "
         "these data (all scores must be >0).\n"},
        {raw + design + " --screen between:5:1:0",
         "varisect-cli: --screen \"between:5:1:0\"\nLimits Reversed!: Please enter the lower limit in the left (>) "
         "box and the upper limit in the right (<) box.\n"},
        {raw + design + " --transform sqrt", "choose log, rank, arcsin, add:C, multiply:C or power:C.\n"},
        {raw + design + " --transform multiply", "write multiply:C with the constant, for example multiply:10.\n"},
        {raw + design + " --transform log:2", "log takes no constant.\n"},
        {raw + design + " --transform add:1,5", "\"1,5\" is not a number.\n"},
        {raw + design + " --transform add:1e39", "is beyond the range of the scores (about 3.4E+38).\n"},
        {raw + design + " --screen equal:2", "write equal:A:R, the value compared with and its replacement.\n"},
        {raw + design + " --screen within:1:2:3", "choose less:A:R, equal:A:R, greater:A:R or between:LOW:HIGH:R.\n"},
    };
    for (const auto& [args, expected] : refused) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(("\n" + r.err).find(expected), std::string::npos) << expected << "\ngot: " << r.err;
    }
}

TEST(Cli, JsonQuotingEscapesControlCharactersOnly)
{
    EXPECT_EQ(jsonQuoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(jsonQuoted("line\nnext\r\t"), "\"line\\nnext\\r\\t\"");
    EXPECT_EQ(jsonQuoted(std::string("\x01\x1f\0", 3)), "\"\\u0001\\u001f\\u0000\"");
    EXPECT_EQ(jsonQuoted("Omega\xC2\xB2"), "\"Omega\xC2\xB2\"");
}

// Only CR LF pairs lose their CR: a lone CR, one before another CR and one at the end stay.
TEST(Cli, UnixLineEndingsDropTheCrOfEachCrLfOnly)
{
    EXPECT_EQ(clisupport::withUnixLineEndings(""), "");
    EXPECT_EQ(clisupport::withUnixLineEndings("\r\na\r\nb\r\n"), "\na\nb\n");
    EXPECT_EQ(clisupport::withUnixLineEndings("a\rb\r\r\nc\r"), "a\rb\r\nc\r");
    EXPECT_EQ(clisupport::withUnixLineEndings("\n\r"), "\n\r");
}

}  // namespace
}  // namespace varisect
