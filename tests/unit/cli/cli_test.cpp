// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace varisect {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// A small JSON reader, enough to take the program's output apart and to notice when it is not
// well-formed (no true/false and no \u escapes above 0x7F: the program writes neither).

struct Json {
    enum class Type { Null, Number, String, Array, Object } type = Type::Null;
    double number = 0;
    std::string string;
    std::vector<Json> array;
    std::vector<std::pair<std::string, Json>> object;  // in document order

    const Json& at(const std::string& key) const
    {
        for (const auto& [k, v] : object)
            if (k == key)
                return v;
        throw std::runtime_error("no key " + key);
    }
    std::vector<std::string> keys() const
    {
        std::vector<std::string> out;
        for (const auto& entry : object)
            out.push_back(entry.first);
        return out;
    }
};

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : t_(text) {}
    Json document()
    {
        Json v = value();
        if (peek() != 0)
            fail("text after the document");
        return v;
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at " + std::to_string(i_));
    }
    char peek()  // the next character after white space, 0 at the end
    {
        while (i_ < t_.size() && std::string_view(" \n\r\t").find(t_[i_]) != std::string_view::npos)
            ++i_;
        return i_ < t_.size() ? t_[i_] : 0;
    }
    void expect(char c)
    {
        if (peek() != c)
            fail(std::string("expected ") + c);
        ++i_;
    }
    std::string str()
    {
        expect('"');
        std::string out;
        for (char c; (c = t_.at(i_++)) != '"';) {
            if (static_cast<unsigned char>(c) < 0x20)
                fail("raw control character in string");
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = t_.at(i_++);
            const auto simple = std::string_view("\"\\/bfnrt").find(e);
            if (simple != std::string_view::npos) {
                out += "\"\\/\b\f\n\r\t"[simple];
            } else if (e == 'u') {
                const unsigned code = std::stoul(std::string(t_.substr(i_, 4)), nullptr, 16);
                i_ += 4;
                if (code >= 0x80)
                    fail("\\u escape above 0x7F");
                out += static_cast<char>(code);
            } else {
                fail("bad escape");
            }
        }
        return out;
    }
    template <typename Element>
    void list(char close, Element element)
    {
        ++i_;
        if (peek() == close) {
            ++i_;
            return;
        }
        do
            element();
        while (peek() == ',' && ++i_);
        expect(close);
    }
    Json value()
    {
        Json v;
        const char c = peek();
        if (c == '{') {
            v.type = Json::Type::Object;
            list('}', [&] {
                std::string key = str();
                expect(':');
                v.object.emplace_back(std::move(key), value());
            });
        } else if (c == '[') {
            v.type = Json::Type::Array;
            list(']', [&] { v.array.push_back(value()); });
        } else if (c == '"') {
            v.type = Json::Type::String;
            v.string = str();
        } else if (t_.substr(i_, 4) == "null") {
            i_ += 4;
        } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t used = 0;
            v.number = std::stod(std::string(t_.substr(i_, 40)), &used);
            v.type = Json::Type::Number;
            i_ += used;
        } else {
            fail("bad value");
        }
        return v;
    }

    std::string_view t_;
    std::size_t i_ = 0;
};

Json parseJson(const std::string& text) { return JsonReader(text).document(); }

// ---------------------------------------------------------------------------------------------

class TempDir {
public:
    TempDir()
    {
        static std::atomic<int> counter{0};
        std::random_device random;
        path_ = fs::temp_directory_path() /
                ("varisect-cli-test-" + std::to_string(random()) + "-" + std::to_string(++counter));
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name, const std::string& content) const
    {
        const fs::path p = path_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

CliRun cli(std::vector<std::string> args)
{
    std::ostringstream out, err;
    CliRun r;
    r.code = runCli(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::string lines(const std::vector<double>& scores, const char* ending = "\r\n")
{
    std::ostringstream s;
    for (const double v : scores)
        s << v << ending;
    return s.str();
}

// Scores of the typical repeated-measures request: Drug (2) x Time (3) x Subjects (5), Drug
// cycling fastest. Subjects differ, and Drug and Time have effects of their own.
std::vector<double> drugTimeSubjects()
{
    std::vector<double> scores;
    const double subject[5] = {3, 7, 5, 9, 6};
    for (int s = 0; s < 5; ++s)
        for (int t = 0; t < 3; ++t)
            for (int d = 0; d < 2; ++d)
                scores.push_back(subject[s] + 2 * d + t * t + ((s * 7 + t * 3 + d * 5) % 4));
    return scores;
}

const std::vector<std::string> kTypicalDesign = {"--factor", "Drug=2", "--factor", "Time=3",
                                                 "--factor", "Subjects=5", "--type", "repeated",
                                                 "--designate", "Subjects"};

std::vector<std::string> analyze(const std::string& path, std::vector<std::string> rest)
{
    std::vector<std::string> args = {"analyze", path};
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
}

const Json& row(const Json& doc, const std::string& source)
{
    for (const Json& r : doc.at("rows").array)
        if (r.at("source").string == source)
            return r;
    throw std::runtime_error("no row " + source);
}

TEST(Cli, HandCheckedTwoFactorDesign)
{
    TempDir dir;
    const std::string path = dir.file("six.dat", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n");
    const std::vector<std::string> design = {"--factor", "A=2", "--factor", "S=3", "--type", "none"};

    auto args = analyze(path, design);
    args.insert(args.end(), {"--format", "json"});
    const CliRun json = cli(args);
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(json.err, "");
    const Json doc = parseJson(json.out);
    const auto& rows = doc.at("rows").array;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].at("source").string, "A");
    EXPECT_DOUBLE_EQ(rows[0].at("ss").number, 1.5);
    EXPECT_EQ(rows[0].at("df").number, 1);
    EXPECT_EQ(rows[1].at("source").string, "S");
    EXPECT_DOUBLE_EQ(rows[1].at("ss").number, 16);
    EXPECT_EQ(rows[2].at("source").string, "AxS");
    EXPECT_NEAR(rows[2].at("ss").number, 0, 1e-12);
    EXPECT_EQ(rows[3].at("source").string, "Total");
    EXPECT_DOUBLE_EQ(rows[3].at("ss").number, 17.5);
    EXPECT_EQ(rows[3].at("df").number, 5);
    for (const Json& r : rows) {
        EXPECT_EQ(r.at("f").type, Json::Type::Null);  // no F-ratios asked for
        EXPECT_EQ(r.at("p").type, Json::Type::Null);
    }
    EXPECT_EQ(rows[3].at("ms").type, Json::Type::Null);
    EXPECT_TRUE(doc.at("messages").array.empty());

    // The text table: heading, the factors, the rows, LF endings.
    const CliRun text = cli(analyze(path, design));
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("Analysis of Variance Table"), std::string::npos);
    EXPECT_EQ(text.out.find('\r'), std::string::npos);
    std::istringstream tableLines(text.out);
    std::string line;
    std::vector<std::string> sources;
    while (std::getline(tableLines, line))
        if (line.starts_with("A ") || line.starts_with("S ") || line.starts_with("AxS") ||
            line.starts_with("Total"))
            sources.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(sources, (std::vector<std::string>{"A", "S", "AxS", "Total"}));

    // CSV: the header and one line per row.
    args = analyze(path, design);
    args.insert(args.end(), {"--format", "csv"});
    const CliRun csv = cli(args);
    ASSERT_EQ(csv.code, 0) << csv.err;
    std::istringstream csvLines(csv.out);
    std::vector<std::string> all;
    while (std::getline(csvLines, line))
        all.push_back(line);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_TRUE(all[0].starts_with("Source,df,SS,MS,"));
    EXPECT_TRUE(all[1].starts_with("A,1,"));
    EXPECT_TRUE(all[4].starts_with("Total,5,17.5"));
}

TEST(Cli, TypicalRepeatedMeasuresRequestAsJson)
{
    TempDir dir;
    const std::vector<double> scores = drugTimeSubjects();
    const std::string path = dir.file("drug.dat", lines(scores));
    auto args = analyze(path, kTypicalDesign);
    args.insert(args.end(), {"--format", "json"});
    const CliRun r = cli(args);
    ASSERT_EQ(r.code, 0) << r.err;
    const Json doc = parseJson(r.out);
    EXPECT_EQ(doc.keys(), (std::vector<std::string>{"rows", "messages"}));

    std::vector<std::string> sources;
    for (const Json& rw : doc.at("rows").array) {
        EXPECT_EQ(rw.keys(), (std::vector<std::string>{"source", "df", "ss", "ms", "f", "p"}));
        sources.push_back(rw.at("source").string);
    }
    EXPECT_EQ(sources, (std::vector<std::string>{"S", "D", "  SxD", "T", "  SxT", "DxT", "  SxDxT", "Total"}));

    // Effects carry F and p against the error row below them; error rows and S carry none.
    double ssSum = 0;
    for (const char* effect : {"D", "T", "DxT"}) {
        const Json& e = row(doc, effect);
        const Json& error = row(doc, std::string("  Sx") + effect);
        ASSERT_EQ(e.at("f").type, Json::Type::Number) << effect;
        EXPECT_NEAR(e.at("f").number, e.at("ms").number / error.at("ms").number, 1e-9 * e.at("f").number);
        EXPECT_GT(e.at("p").number, 0);
        EXPECT_LE(e.at("p").number, 1);
        EXPECT_EQ(error.at("f").type, Json::Type::Null);
        EXPECT_EQ(error.at("p").type, Json::Type::Null);
        EXPECT_NEAR(e.at("ms").number, e.at("ss").number / e.at("df").number, 1e-9);
        ssSum += e.at("ss").number + error.at("ss").number;
    }
    EXPECT_EQ(row(doc, "S").at("ms").type, Json::Type::Null);
    ssSum += row(doc, "S").at("ss").number;
    EXPECT_EQ(row(doc, "  SxDxT").at("df").number, 8);

    // Total against the scores themselves.
    double mean = 0;
    for (const double v : scores)
        mean += v / scores.size();
    double total = 0;
    for (const double v : scores)
        total += (v - mean) * (v - mean);
    const Json& t = doc.at("rows").array.back();
    EXPECT_EQ(t.at("source").string, "Total");
    EXPECT_EQ(t.at("df").number, 29);
    EXPECT_NEAR(t.at("ss").number, total, 1e-9 * total);
    EXPECT_NEAR(ssSum, total, 1e-9 * total);
    EXPECT_EQ(t.at("ms").type, Json::Type::Null);

    // The same data with LF endings and the labels instead of the names give the same table.
    const std::string lf = dir.file("drug-lf.dat", lines(scores, "\n"));
    const CliRun again = cli({"analyze", lf, "--format", "json", "--factor", "Drug=2", "--factor", "Time=3",
                           "--factor", "Subjects=5", "--type", "repeated", "--designate", "s"});
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(again.out, r.out);

    // The text layout shows the full names and the designated factor.
    const CliRun text = cli(analyze(path, kTypicalDesign));
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("(Subjects)"), std::string::npos);
    EXPECT_NE(text.out.find("  SxDxT"), std::string::npos);
}

TEST(Cli, ImputedScoresReduceTheErrorDfOrStopTheAnalysis)
{
    TempDir dir;
    // A (3) x S (4), repeated measures: the error row SxA has 6 df.
    std::vector<std::string> items;
    for (int i = 0; i < 12; ++i)
        items.push_back(std::to_string((i * 5) % 7 + i / 3));
    const auto fileWithImputed = [&](int k) {
        std::string content;
        for (int i = 0; i < 12; ++i)
            content += items[std::size_t(i)] + (i < k ? "I" : "") + "\r\n";
        return dir.file("imputed" + std::to_string(k) + ".dat", content);
    };
    const std::vector<std::string> design = {"--factor", "A=3", "--factor", "S=4", "--type",
                                             "repeated", "--designate", "S", "--format", "json"};
    const CliRun one = cli(analyze(fileWithImputed(1), design));
    ASSERT_EQ(one.code, 0) << one.err;
    const Json doc = parseJson(one.out);
    EXPECT_EQ(row(doc, "  SxA").at("df").number, 5);
    EXPECT_EQ(doc.at("rows").array.back().at("df").number, 10);  // N - imputed - 1

    const CliRun six = cli(analyze(fileWithImputed(6), design));
    EXPECT_EQ(six.code, 1);
    EXPECT_EQ(six.out, "");
    EXPECT_NE(six.err.find("Error Condition!: You have too many imputed scores for the specified design.\n"
                           "The analysis cannot be carried out as planned.\n"
                           "Perhaps you intended to use a nested design?\n"),
              std::string::npos)
        << six.err;
}

TEST(Cli, QuestionsAreAnsweredYesAndReported)
{
    TempDir dir;
    // Every subject shows the same pattern: the error mean square of A is zero.
    const std::string path = dir.file("flat.dat", "1\n2\n3\n1\n2\n3\n1\n2\n3\n");
    const CliRun r = cli({"analyze", path, "--factor", "A=3", "--factor", "S=3", "--type", "repeated",
                       "--designate", "S", "--format", "json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Json doc = parseJson(r.out);
    const auto& messages = doc.at("messages").array;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].at("title").string, "Undefined F-ratio!");
    EXPECT_NE(messages[0].at("text").string.find("associated with the A source is zero."), std::string::npos);
    EXPECT_NE(r.err.find("Undefined F-ratio!: The Mean Square for the denominator"), std::string::npos);
    EXPECT_EQ(row(doc, "A").at("f").type, Json::Type::Null);
}

TEST(Cli, NestedDesignPoolsAndChecksTheNesting)
{
    TempDir dir;
    std::string content;
    for (int i = 0; i < 12; ++i)
        content += std::to_string((i * 7) % 5 + i % 2) + "\n";
    const std::string path = dir.file("nested.dat", content);
    // Independent groups, B nested under A, S the replicates.
    const CliRun r = cli({"analyze", path, "--factor", "A=2", "--factor", "B=2", "--factor", "S=3",
                       "--type", "independent", "--designate", "S", "--nest", "b:Alpha", "--format",
                       "json"});
    // "b" is the label of B; "Alpha" names no factor.
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("there is no factor \"Alpha\""), std::string::npos) << r.err;

    const CliRun ok = cli({"analyze", path, "--factor", "A=2", "--factor", "B=2", "--factor", "S=3",
                        "--type", "independent", "--designate", "S", "--nest", "b:A", "--format", "json"});
    ASSERT_EQ(ok.code, 0) << ok.err;
    const Json doc = parseJson(ok.out);
    std::vector<std::string> sources;
    for (const Json& rw : doc.at("rows").array)
        sources.push_back(rw.at("source").string);
    EXPECT_EQ(sources, (std::vector<std::string>{"A", "B +", "  Within", "Total"}));

    const auto nestRun = [&](std::vector<std::string> nests) {
        std::vector<std::string> args = {"analyze", path, "--factor", "A=2", "--factor", "B=2",
                                         "--factor", "C=3", "--type", "none"};
        for (const std::string& n : nests)
            args.insert(args.end(), {"--nest", n});
        return cli(args);
    };
    CliRun bad = nestRun({"A:B", "B:A"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("Nesting Error!: You have designated A as nested under B and B as nested "
                           "under A. Nesting is a one-way relationship."),
              std::string::npos)
        << bad.err;
    bad = nestRun({"A:B", "B:C", "C:A"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("Nesting Error: The hierarchical structure in your choices implies that A "
                           "is nested under C ,but you have specified that C is nested under A."),
              std::string::npos)
        << bad.err;
    bad = nestRun({"A:A"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("cannot be nested under itself"), std::string::npos);
    bad = nestRun({"AB"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("NESTED:OUTER"), std::string::npos);
}

TEST(Cli, EffectSizesOnlyForCrossedIndependentGroups)
{
    TempDir dir;
    std::string content;
    for (int i = 0; i < 12; ++i)
        content += std::to_string(i % 2 * 3 + (i * 5) % 4) + "\n";
    const std::string path = dir.file("groups.dat", content);
    const std::vector<std::string> design = {"--factor", "A=2", "--factor", "B=2", "--factor", "R=3",
                                             "--type", "independent", "--designate", "R"};

    auto args = analyze(path, design);
    args.insert(args.end(), {"--effect-sizes", "hays", "--format", "json"});
    const CliRun hays = cli(args);
    ASSERT_EQ(hays.code, 0) << hays.err;
    const Json doc = parseJson(hays.out);
    for (const Json& rw : doc.at("rows").array) {
        EXPECT_EQ(rw.keys(), (std::vector<std::string>{"source", "df", "ss", "ms", "f", "p", "omega2", "power"}));
    }
    EXPECT_EQ(row(doc, "A").at("omega2").type, Json::Type::Number);
    EXPECT_EQ(row(doc, "  Within").at("omega2").type, Json::Type::Null);
    EXPECT_EQ(row(doc, "Total").at("power").type, Json::Type::Null);

    args = analyze(path, design);
    args.insert(args.end(), {"--effect-sizes", "partial", "--format", "json"});
    const CliRun partial = cli(args);
    ASSERT_EQ(partial.code, 0) << partial.err;
    EXPECT_NE(partial.out.find("\"partial_omega2\":"), std::string::npos);
    EXPECT_EQ(partial.out.find("\"power\":"), std::string::npos);

    args = analyze(path, design);
    args.insert(args.end(), {"--effect-sizes", "hays"});
    const CliRun text = cli(args);
    EXPECT_EQ(text.code, 0) << text.err;

    const CliRun repeated = cli({"analyze", path, "--factor", "A=2", "--factor", "B=2", "--factor", "R=3",
                              "--type", "repeated", "--designate", "R", "--effect-sizes", "hays"});
    EXPECT_EQ(repeated.code, 2);
    EXPECT_NE(repeated.err.find("--effect-sizes needs an independent-groups design that is not nested."),
              std::string::npos);
    const CliRun nested = cli({"analyze", path, "--factor", "A=2", "--factor", "B=2", "--factor", "R=3",
                            "--type", "independent", "--designate", "R", "--nest", "B:A",
                            "--effect-sizes", "partial"});
    EXPECT_EQ(nested.code, 2);
}

TEST(Cli, BadDataIsRefusedWithWhatAndWhere)
{
    TempDir dir;
    const std::vector<std::string> design = {"--factor", "A=2", "--factor", "S=3", "--type", "none"};
    struct Case {
        std::string name, content, expected;
    };
    const std::vector<Case> cases = {
        {"short.dat", "1\r\n2\r\n3\r\n4\r\n5\r\n", " is 5, while the design calls for 6 scores."},
        {"long.dat", "1\n2\n3\n4\n5\n6\n7\n", " is 7, while the design calls for 6 scores."},
        {"empty.dat", "", " is 0, while the design calls for 6 scores."},
        {"word.dat", "1\r\n2\r\n3\r\nfour\r\n5\r\n6\r\n", "Line 4 of "},
        {"comma.dat", "1\n2\n3\n4\n5\n6,5\n", "Line 6 of "},
        {"gap.dat", "1\n2\n\n3\n4\n5\n6\n", "Line 3 of "},
        {"huge.dat", "1\n2\n3\n1e39\n5\n6\n", "Line 4 of "},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name, c.content);
        const CliRun r = cli(analyze(path, design));
        EXPECT_EQ(r.code, 2) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(path), std::string::npos) << c.name;
    }
    const std::string shortPath = (dir.path() / "short.dat").string();
    EXPECT_EQ(cli(analyze(shortPath, design)).err,
              "Wrong file selected?: The number of scores in " + shortPath +
                  " is 5, while the design calls for 6 scores.\n");

    const CliRun missing = cli(analyze((dir.path() / "none.dat").string(), design));
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos);

    // The data file is only read.
    const std::string content = "1\r\n2I\r\n3\r\n4\r\n5\r\n6";
    const std::string path = dir.file("keep.dat", content);
    const auto stamp = fs::last_write_time(path);
    EXPECT_EQ(cli(analyze(path, design)).code, 0);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), content);
    EXPECT_EQ(fs::last_write_time(path), stamp);
}

TEST(Cli, BadArgumentsAreRefusedWithAClearMessage)
{
    TempDir dir;
    const std::string path = dir.file("six.dat", "1\n2\n3\n4\n5\n6\n");
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"analyse"}, "unknown command \"analyse\""},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "none", "--colour", "red"},
         "unknown option \"--colour\""},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "-t", "none"}, "unknown option \"-t\""},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type"}, "option --type needs a value."},
        {{"analyze", path, "--factor", "--factor", "S=3", "--type", "none"}, "option --factor needs a value."},
        {{"analyze", "--factor", "A=2", "--factor", "S=3", "--type", "none"}, "no data file given."},
        {{"analyze", path, path, "--factor", "A=2", "--factor", "S=3", "--type", "none"},
         "only one data file"},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3"}, "--type is missing"},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "mixed"},
         "--type \"mixed\": choose independent, repeated or none."},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "none", "--type", "none"},
         "--type is given more than once."},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "none", "--format", "xml"},
         "choose text, csv or json."},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "none", "--effect-sizes", "eta"},
         "choose hays or partial."},
        {{"analyze", path, "--factor", "A=6", "--type", "none"}, "at least 2 factors"},
        {{"analyze", path, "--type", "none"}, "no factors given"},
        {{"analyze", path, "--factor", "A", "--factor", "S=3", "--type", "none"}, "write NAME=LEVELS"},
        {{"analyze", path, "--factor", "A=2.5", "--factor", "S=3", "--type", "none"},
         "--factor \"A=2.5\": the number of levels must be a whole number from 2 to 16352."},
        {{"analyze", path, "--factor", "A=-2", "--factor", "S=3", "--type", "none"}, "whole number"},
        {{"analyze", path, "--factor", "A=99999999999999999999", "--factor", "S=3", "--type", "none"},
         "whole number"},
        {{"analyze", path, "--factor", "A=", "--factor", "S=3", "--type", "none"}, "whole number"},
        {{"analyze", path, "--factor", "A=b=2", "--factor", "S=3", "--type", "none"},
         "a factor name cannot contain \"=\"."},
        {{"analyze", path, "--factor", "=2", "--factor", "S=3", "--type", "none"},
         "Error: Please enter a name for Factor 1"},
        {{"analyze", path, "--factor", "A=2", "--factor", "3rd=3", "--type", "none"},
         "Change required!: The first character of the factor name must be a letter"},
        {{"analyze", path, "--factor", "A=2", "--factor", "S\tx=3", "--type", "none"}, "control character"},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=1", "--type", "none"},
         "Error: You have specified that factor 2 has only 1 levels.  There must be at least 2 levels "
         "in a factor.  Please re-enter the design specifications."},
        {{"analyze", path, "--factor", "A=200", "--factor", "S=100", "--type", "none"},
         "Program Limitation!: You have specified 20000 scores, but the maximum allowed by the program "
         "is 16352 scores."},
        {{"analyze", path, "--factor", "A=2", "--factor", "B=2", "--factor", "C=2", "--factor", "D=2",
          "--factor", "E=2", "--factor", "F=2", "--factor", "G=2", "--factor", "H=2", "--factor", "I=2",
          "--type", "none"},
         "Program Limitation: Sorry, the program only accommodates 8 factors."},
        {{"analyze", path, "--factor", "Drug=2", "--factor", "dose=3", "--type", "none"},
         "Change required!: The program requires the first letter of all factor names to be unique.  "
         "Please change the name of either Drug or dose."},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "repeated"},
         "--designate is missing: name the subjects factor."},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "independent"},
         "--designate is missing: name the replicates factor."},
        {{"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "repeated", "--designate", "X"},
         "--designate \"X\": there is no factor \"X\" in the design (factors: A, S)."},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.code, 2) << c.expected;
        EXPECT_EQ(r.out, "") << c.expected;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << "expected: " << c.expected << "\ngot: " << r.err;
    }

    // A designation is accepted and ignored without F-ratios.
    const CliRun none = cli({"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "none",
                          "--designate", "S", "--format=json"});
    EXPECT_EQ(none.code, 0) << none.err;
    EXPECT_EQ(cli({"analyze", path, "--factor", "A=2", "--factor", "S=3", "--type", "none",
                   "--designate", "Q"}).code, 2);

    const CliRun help = cli({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("Usage: varisect-cli analyze"), std::string::npos);
    EXPECT_EQ(cli({"analyze", "--help"}).code, 0);
    const CliRun nothing = cli({});
    EXPECT_EQ(nothing.code, 2);
    EXPECT_NE(nothing.err.find("Usage:"), std::string::npos);
}

TEST(Cli, JsonStrings)
{
    EXPECT_EQ(jsonQuoted("  SxD"), "\"  SxD\"");
    EXPECT_EQ(jsonQuoted("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(jsonQuoted("line\nnext\r\t"), "\"line\\nnext\\r\\t\"");
    EXPECT_EQ(jsonQuoted(std::string("\x01\x1f\0", 3)), "\"\\u0001\\u001f\\u0000\"");
    EXPECT_EQ(jsonQuoted("Omega\xC2\xB2"), "\"Omega\xC2\xB2\"");
    const std::string all = "x\"\\\n\x02y";
    EXPECT_EQ(parseJson(jsonQuoted(all)).string, all);
}

// The installed program: main() passes its arguments and exit code through.
TEST(Cli, ProgramExitCodes)
{
    const char* program = std::getenv("VARISECT_CLI");
    if (!program)
        GTEST_SKIP() << "VARISECT_CLI is not set";
    TempDir dir;
    const std::string path = dir.file("six.dat", "1\n2\n3\n4\n5\n6\n");
    const std::string quiet = " >" + (dir.path() / "out.txt").string() + " 2>" + (dir.path() / "err.txt").string();
    const auto status = [&](const std::string& args) {
        const int s = std::system(("'" + std::string(program) + "' " + args + quiet).c_str());
        return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    };
    EXPECT_EQ(status("--help"), 0);
    EXPECT_EQ(status("analyze '" + path + "' --factor A=2 --factor S=3 --type none"), 0);
    std::ifstream out(dir.path() / "out.txt");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(out), {}).find("Total"), std::string::npos);
    EXPECT_EQ(status("analyze '" + path + "' --factor A=2 --factor S=4 --type none"), 2);
}

}  // namespace
}  // namespace varisect
