// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/datafile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

namespace varisect {
namespace {

using Kind = DataReadError::Kind;

PlainDataResult read(std::string_view text, const ReadLimits& limits = {})
{
    return readPlainDataText(text, "scores.dat", limits);
}

std::vector<std::string> texts(const PlainDataResult& r)
{
    std::vector<std::string> out;
    for (const ScoreItem& item : r.items)
        out.push_back(item.text);
    return out;
}

TEST(PlainDataFile, LineEndingsAndBlanksAroundNumbers)
{
    const std::vector<std::string> expected = {"1", "2.5", "-3", ".25"};
    for (const std::string_view text : {
             "1\r\n2.5\r\n-3\r\n.25\r\n",  // as the program writes it
             "1\n2.5\n-3\n.25\n",          // LF only
             "1\r\n2.5\n-3\r\n.25",        // mixed, last line without an ending
             " 1 \r\n\t2.5\t\r\n  -3\r\n.25  \r\n\r\n",  // blanks, one empty line at the end
             "1\n2.5\n-3\n.25\n\n \n\t\n",               // several blank lines at the end
             "\xEF\xBB\xBF" "1\r\n2.5\r\n-3\r\n.25\r\n",  // byte order mark of an editor
         }) {
        SCOPED_TRACE(std::string(text));
        const PlainDataResult r = read(text);
        ASSERT_TRUE(r.ok()) << r.error->message;
        EXPECT_EQ(texts(r), expected);
        EXPECT_EQ(r.values(), (Scores{1.0f, 2.5f, -3.0f, 0.25f}));
        EXPECT_EQ(r.imputedCount(), 0);
    }
    EXPECT_TRUE(read("").ok());
    EXPECT_TRUE(read("").items.empty());
    EXPECT_TRUE(read("\r\n").items.empty());
}

TEST(PlainDataFile, ImputedMarkIsKeptPerScore)
{
    const PlainDataResult r = read("12.5I\r\n3\r\n 4I \r\n1E2I\n");
    ASSERT_TRUE(r.ok()) << r.error->message;
    ASSERT_EQ(r.items.size(), 4u);
    EXPECT_EQ(texts(r), (std::vector<std::string>{"12.5", "3", "4", "1E2"}));
    EXPECT_TRUE(r.items[0].imputed);
    EXPECT_FALSE(r.items[1].imputed);
    EXPECT_TRUE(r.items[2].imputed);
    EXPECT_FLOAT_EQ(r.items[3].value, 100.0f);
    EXPECT_EQ(r.imputedCount(), 3);

    // The mark stands directly behind a number, in capitals, once.
    for (const std::string_view bad : {"12.5 I", "12.5i", "I", "12.5II", "I12.5"}) {
        const PlainDataResult b = read(std::string("1\n") + std::string(bad) + "\n");
        ASSERT_FALSE(b.ok()) << bad;
        EXPECT_EQ(b.error->kind, Kind::NotANumber) << bad;
        EXPECT_EQ(b.error->line, 2) << bad;
    }
}

TEST(PlainDataFile, ScoresAreSinglePrecision)
{
    const PlainDataResult r = read("2.1\n16777217\n");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.items[0].value, 2.1f);
    EXPECT_EQ(r.items[0].text, "2.1");
    EXPECT_EQ(r.items[1].value, 16777216.0f);  // nearest float; the text keeps what was written
    EXPECT_EQ(r.items[1].text, "16777217");
}

TEST(PlainDataFile, TextThatIsNotAWholeNumberIsRefusedWithItsLine)
{
    const PlainDataResult r = read("1\r\n2\r\nabc\r\n4\r\n");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->kind, Kind::NotANumber);
    EXPECT_EQ(r.error->line, 3);
    EXPECT_EQ(r.error->message, "Line 3 of scores.dat is not a number: \"abc\"");
    EXPECT_EQ(r.items.size(), 2u);  // what was read before the problem

    // Leading parts that would read as numbers are not cut off silently.
    for (const std::string_view bad : {"1,5", "3-", "1.2.3", "12abc", "1 2", "--1", "1e", "0x10",
                                       "nan", "inf", "+", "."}) {
        const PlainDataResult b = read(bad);
        ASSERT_FALSE(b.ok()) << bad;
        EXPECT_EQ(b.error->kind, Kind::NotANumber) << bad;
        EXPECT_EQ(b.error->line, 1) << bad;
    }
}

TEST(PlainDataFile, EmptyLineBeforeMoreScoresIsAnError)
{
    const PlainDataResult r = read("1\r\n2\r\n\r\n \r\n5\r\n");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->kind, Kind::EmptyLine);
    EXPECT_EQ(r.error->line, 3);
    EXPECT_NE(r.error->message.find("Line 3 of scores.dat is empty"), std::string::npos);

    const PlainDataResult first = read("\n1\n");
    ASSERT_FALSE(first.ok());
    EXPECT_EQ(first.error->line, 1);
}

TEST(PlainDataFile, NumbersBeyondSinglePrecisionAreRefused)
{
    for (const std::string_view bad : {"1e39", "-3.5e38", "1e400", "1e99999999999"}) {
        const PlainDataResult r = read(std::string("0\n") + std::string(bad));
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.error->kind, Kind::NotFinite) << bad;
        EXPECT_EQ(r.error->line, 2);
        EXPECT_NE(r.error->message.find("Line 2 of scores.dat"), std::string::npos);
    }
    // Tiny values simply round to zero, and the largest float is still a score.
    const PlainDataResult ok = read("1e-60\n3.4e38\n");
    ASSERT_TRUE(ok.ok());
    EXPECT_EQ(ok.items[0].value, 0.0f);
}

TEST(PlainDataFile, GarbageGetsAReadableMessage)
{
    // NUL bytes and other control characters are shown escaped, not passed to the terminal.
    const PlainDataResult nul = read(std::string("1\n2\0\x07x\n", 7));
    ASSERT_FALSE(nul.ok());
    EXPECT_EQ(nul.error->line, 2);
    EXPECT_EQ(nul.error->message, "Line 2 of scores.dat is not a number: \"2\\x00\\x07x\"");

    // A lone CR inside a line is part of the line.
    const PlainDataResult cr = read("1\r2\r\n");
    ASSERT_FALSE(cr.ok());
    EXPECT_EQ(cr.error->message, "Line 1 of scores.dat is not a number: \"1\\x0D2\"");

    // Long texts are cut in the message; UTF-8 stays readable.
    const PlainDataResult longText = read(std::string(200, 'x') + "\n");
    ASSERT_FALSE(longText.ok());
    EXPECT_LT(longText.error->message.size(), 120u);
    EXPECT_NE(longText.error->message.find("...\""), std::string::npos);
    EXPECT_EQ(quotedForMessage("1,5\xE2\x82\xAC"), "\"1,5\xE2\x82\xAC\"");
    EXPECT_EQ(quotedForMessage("\xE2\x82"), "\"\\xE2\\x82\"");  // a cut sequence

    // Binary data without line endings runs into the length cap.
    std::string binary;
    for (int i = 0; i < 5000; ++i)
        binary += static_cast<char>((i * 37) % 256 == '\n' ? 1 : (i * 37) % 256);
    const PlainDataResult bin = read(binary);
    ASSERT_FALSE(bin.ok());
    EXPECT_EQ(bin.error->kind, Kind::LineTooLong);
    EXPECT_EQ(bin.error->line, 1);
}

TEST(PlainDataFile, LineLengthCapCountsTheTextNotTheEnding)
{
    ReadLimits limits;
    limits.maxLineLength = 10;
    const std::string ten = "      1234";  // ten characters with the blanks
    EXPECT_TRUE(read(ten + "\r\n" + ten + "\n" + ten, limits).ok());
    const PlainDataResult r = read("1\n" + ten + "5\r\n", limits);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->kind, Kind::LineTooLong);
    EXPECT_EQ(r.error->line, 2);
    EXPECT_EQ(r.error->message, "Line 2 of scores.dat is longer than 10 characters; it cannot hold a score.");
}

// A stream of endless lines "1\n": the reader must stop on its own.
class EndlessLines : public std::streambuf {
protected:
    int_type underflow() override
    {
        setg(buffer_, buffer_, buffer_ + sizeof buffer_);
        return traits_type::to_int_type(buffer_[0]);
    }

private:
    char buffer_[4096] = {};

public:
    EndlessLines()
    {
        for (std::size_t i = 0; i < sizeof buffer_; i += 2) {
            buffer_[i] = '1';
            buffer_[i + 1] = '\n';
        }
    }
};

TEST(PlainDataFile, StopsOnEndlessInput)
{
    EndlessLines lines;
    std::istream in(&lines);
    const auto start = std::chrono::steady_clock::now();
    const PlainDataResult r = readPlainData(in, "pipe");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->kind, Kind::TooManyLines);
    EXPECT_EQ(r.error->line, long(ReadLimits{}.maxLines) + 1);
    EXPECT_NE(r.error->message.find("16352"), std::string::npos);

    // Endless empty lines after the scores stop too.
    std::string blanks = "1\n";
    blanks.append(30000, '\n');
    const PlainDataResult b = read(blanks);
    ASSERT_FALSE(b.ok());
    EXPECT_EQ(b.error->kind, Kind::TooManyLines);

    // A file a little longer than the largest design is still counted exactly.
    std::string many;
    for (long i = 0; i < kMaxScores + 5; ++i)
        many += "1\r\n";
    const PlainDataResult m = read(many);
    ASSERT_TRUE(m.ok());
    EXPECT_EQ(m.items.size(), std::size_t(kMaxScores + 5));
}

TEST(PlainDataFile, UnequalNFileIsRecognised)
{
    const PlainDataResult r = read("Unequal N\r\n 1\r\n 2\r\n 3\r\n 3\r\n1\r\n");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->kind, Kind::UnequalNFile);
    EXPECT_NE(r.error->message.find("unequal N"), std::string::npos);
}

class TempDir {
public:
    TempDir()
    {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("varisect-datafile-" + std::to_string(stamp) + "-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

TEST(PlainDataFile, ReadsFilesAndExplainsWhyAFileCannotBeRead)
{
    TempDir dir;
    const auto file = dir.path() / "scores.dat";
    {
        std::ofstream out(file, std::ios::binary);
        out << "1\r\n2I\r\n3";
    }
    const PlainDataResult r = readPlainDataFile(file);
    ASSERT_TRUE(r.ok()) << r.error->message;
    EXPECT_EQ(r.values(), (Scores{1, 2, 3}));
    EXPECT_EQ(r.imputedCount(), 1);

    {
        std::ofstream out(file, std::ios::binary);
        out << "1\r\nx\r\n";
    }
    const PlainDataResult bad = readPlainDataFile(file);
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error->message, "Line 2 of " + file.string() + " is not a number: \"x\"");

    const PlainDataResult missing = readPlainDataFile(dir.path() / "nothing.dat");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error->kind, Kind::CannotOpen);
    EXPECT_EQ(missing.error->message, (dir.path() / "nothing.dat").string() + " does not exist.");

    const PlainDataResult folder = readPlainDataFile(dir.path());
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error->kind, Kind::CannotOpen);
    EXPECT_NE(folder.error->message.find("is a folder"), std::string::npos);
}

}  // namespace
}  // namespace varisect
