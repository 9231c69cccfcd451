// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/datafile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <streambuf>
#include <thread>

#include "engine/numbertext.h"

namespace varisect {
namespace {

using Kind = DataReadError::Kind;

PlainDataResult read(std::string_view text, const ReadLimits& limits = {})
{
    return readPlainDataText(text, "scores.dat", limits);
}

TEST(PlainDataFile, LineEndingsBlanksAndByteOrderMark)
{
    for (const std::string_view text : {
             "1\r\n2.5\r\n-3\r\n.25\r\n",                    // as the program writes it
             "1\n2.5\n-3\n.25\n",                            // LF only
             "1\r\n2.5\n-3\r\n.25",                          // mixed, last line without an ending
             " 1 \r\n\t2.5\t\r\n  -3\r\n.25  \r\n\r\n",      // blanks, an empty line at the end
             "1\n2.5\n-3\n.25\n\n \n\t\n",                   // several blank lines at the end
             "\xEF\xBB\xBF" "1\r\n2.5\r\n-3\r\n.25\r\n",     // byte order mark of an editor
         }) {
        const PlainDataResult r = read(text);
        ASSERT_TRUE(r.ok()) << r.error->message;
        EXPECT_EQ(r.values(), (Scores{1.0f, 2.5f, -3.0f, 0.25f})) << text;
        EXPECT_EQ(r.imputedCount(), 0);
    }
    EXPECT_TRUE(read("").ok() && read("").items.empty() && read("\r\n").items.empty());
}

TEST(PlainDataFile, ItemsKeepTheirTextAndImputedMark)
{
    const PlainDataResult r = read("12.5I\r\n3\r\n 4I \r\n1E2I\n16777217\n");
    ASSERT_TRUE(r.ok()) << r.error->message;
    std::vector<std::string> texts;  // imputed ones flagged with "*"
    for (const ScoreItem& item : r.items)
        texts.push_back(item.text + (item.imputed ? "*" : ""));
    EXPECT_EQ(texts, (std::vector<std::string>{"12.5*", "3", "4*", "1E2*", "16777217"}));
    EXPECT_EQ(r.values(), (Scores{12.5f, 3, 4, 100, 16777216.0f}));  // single precision
    EXPECT_EQ(r.imputedCount(), 3);
}

TEST(PlainDataFile, RefusalsNameTheLineAndTheProblem)
{
    struct Case {
        std::string text;
        Kind kind;
        long line;
        std::string message;  // or a part of it
    };
    const std::vector<Case> cases = {
        {"1\r\n2\r\nabc\r\n4\r\n", Kind::NotANumber, 3, "Line 3 of scores.dat is not a number: \"abc\""},
        {"1\r\n2\r\n\r\n \r\n5\r\n", Kind::EmptyLine, 3, "Line 3 of scores.dat is empty, but more scores follow"},
        {"\n1\n", Kind::EmptyLine, 1, "Line 1 of scores.dat is empty"},
        {"0\n1e39", Kind::NotFinite, 2, "Line 2 of scores.dat holds a number too large for a score: \"1e39\""},
        {"0\n-3.5e38\n", Kind::NotFinite, 2, "Line 2 of"},
        // Control characters are shown escaped, long texts cut; a lone CR is part of the line.
        {std::string("1\n2\0\x07x\n", 7), Kind::NotANumber, 2, "not a number: \"2\\x00\\x07x\""},
        {"1\r2\r\n", Kind::NotANumber, 1, "Line 1 of scores.dat is not a number: \"1\\x0D2\""},
        {std::string(200, 'x'), Kind::NotANumber, 1, "not a number: \"" + std::string(40, 'x') + "...\""},
        {"Unequal N\r\n 1\r\n 2\r\n 3\r\n 3\r\n1\r\n", Kind::UnequalNFile, 1, "holds an unequal N data set"},
    };
    for (const Case& c : cases) {
        const PlainDataResult r = read(c.text);
        ASSERT_FALSE(r.ok()) << c.message;
        EXPECT_EQ(r.error->kind, c.kind) << c.message;
        EXPECT_EQ(r.error->line, c.line) << c.message;
        EXPECT_NE(r.error->message.find(c.message), std::string::npos) << r.error->message;
    }
    EXPECT_EQ(quotedForMessage("1,5\xE2\x82\xAC"), "\"1,5\xE2\x82\xAC\"");  // UTF-8 stays readable
    EXPECT_EQ(quotedForMessage("\xE2\x82"), "\"\\xE2\\x82\"");             // a cut sequence does not

    // Texts that only begin like a number, and marks out of place, are not scores.
    for (const std::string bad : {"1,5", "3-", "1.2.3", "12abc", "1 2", "--1", "1e", "0x10", "nan", "inf", "+",
                                  ".", "12.5 I", "12.5i", "I", "12.5II", "I12.5"}) {
        const PlainDataResult r = read("1\n" + bad + "\n");
        EXPECT_TRUE(!r.ok() && r.error->kind == Kind::NotANumber && r.error->line == 2) << bad;
    }
    // No number out of range becomes 0 or infinity: 1E+390 written with a negative exponent
    // is too large, a 401-place fraction too small. The largest float is still a score.
    const std::vector<std::pair<std::string, Kind>> outOfRange = {
        {"1" + std::string(400, '0') + "e-10", Kind::NotFinite},
        {"0." + std::string(400, '0') + "1", Kind::TooSmall},
        {"1e-60I", Kind::TooSmall},
    };
    for (const auto& [text, kind] : outOfRange) {
        const PlainDataResult r = read("1\n" + text + "\n");
        ASSERT_FALSE(r.ok()) << text;
        EXPECT_EQ(r.error->kind, kind) << text;
        EXPECT_EQ(r.error->line, 2);
    }
    EXPECT_NE(read("1e-60\n").error->message.find("Line 1 of scores.dat holds a number too close to 0 for a score"),
              std::string::npos);
    const PlainDataResult edge = read("1e-40\n3.4e38\n");
    ASSERT_TRUE(edge.ok());
    EXPECT_GT(edge.items[0].value, 0.0f);
}

TEST(GridDataFile, EveryLineBecomesACellSoTheUserCanRepairIt)
{
    const auto grid = [](std::string_view text, long n) {
        std::istringstream in{std::string(text)};
        const GridDataResult r = readGridData(in, "grid.dat", n);
        EXPECT_TRUE(r.ok()) << r.error->message;
        std::vector<std::string> cells;  // imputed ones flagged with "*"
        for (const ScoreItem& item : r.items)
            cells.push_back(item.text + (item.imputed ? "*" : ""));
        return cells;
    };
    // Texts that are no numbers stay as they are, blank lines between scores are empty cells.
    EXPECT_EQ(grid("1\r\n 1,5 \r\n\r\nabc\r\n12.5I\r\nX\r\n", 6),
              (std::vector<std::string>{"1", "1,5", "", "abc", "12.5*", "X"}));
    EXPECT_EQ(grid("12.5 I\nabcI\nI\n", 3), (std::vector<std::string>{"12.5 I", "abc*", "I"}));
    // Blank lines at the end count within the design's N (a half-entered data set saved whole),
    // not beyond it (an editor's empty last line).
    EXPECT_EQ(grid("1\n\n3\n\n\n", 5), (std::vector<std::string>{"1", "", "3", "", ""}));
    EXPECT_EQ(grid("1\n2\n3\n\n\n", 3), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(grid("1\n2\n\n", 5).size(), 3u);  // short file: the count check will tell
    std::istringstream numbers("7\n-2.5I\n");
    const GridDataResult values = readGridData(numbers, "grid.dat", 2);
    EXPECT_EQ(values.items[1].value, -2.5f);

    ReadLimits limits;
    limits.maxLineLength = 5;
    std::istringstream tooLong("1\n123456\n");
    const GridDataResult refused = readGridData(tooLong, "grid.dat", 2, limits);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error->kind, Kind::LineTooLong);
    EXPECT_EQ(refused.error->line, 2);
}

// Endless lines "1": the reader has to stop on its own.
struct EndlessLines : std::streambuf {
    char line[2] = {'1', '\n'};
    int_type underflow() override
    {
        setg(line, line, line + 2);
        return traits_type::to_int_type(line[0]);
    }
};

TEST(PlainDataFile, LongLinesBinaryDataAndEndlessInputAreStopped)
{
    ReadLimits limits;
    limits.maxLineLength = 10;
    const std::string ten = "      1234";  // the ending does not count
    EXPECT_TRUE(read(ten + "\r\n" + ten + "\n" + ten, limits).ok());
    const PlainDataResult r = read("1\n" + ten + "5\r\n", limits);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->kind, Kind::LineTooLong);
    EXPECT_EQ(r.error->message, "Line 2 of scores.dat is longer than 10 characters; it cannot hold a score.");

    std::string binary;
    for (int i = 0; i < 5000; ++i)
        binary += static_cast<char>((i * 37) % 256 == '\n' ? 1 : (i * 37) % 256);
    const PlainDataResult bin = read(binary);
    ASSERT_FALSE(bin.ok());
    EXPECT_EQ(bin.error->kind, Kind::LineTooLong);

    EndlessLines lines;
    std::istream in(&lines);
    const PlainDataResult endless = readPlainData(in, "pipe");
    ASSERT_FALSE(endless.ok());
    EXPECT_EQ(endless.error->kind, Kind::TooManyLines);
    EXPECT_EQ(endless.error->line, long(ReadLimits{}.maxLines) + 1);
    EXPECT_NE(endless.error->message.find("(at most 16352 scores)"), std::string::npos);
    // Blank lines count too; a file a little longer than the largest design is counted exactly.
    const PlainDataResult blanks = read("1\n" + std::string(30000, '\n'));
    EXPECT_TRUE(!blanks.ok() && blanks.error->kind == Kind::TooManyLines);
    std::string many;
    for (long i = 0; i < kMaxScores + 5; ++i)
        many += "1\r\n";
    EXPECT_EQ(read(many).items.size(), std::size_t(kMaxScores + 5));
}

DataLayoutResult readUnequal(std::string_view text, UnequalAnalysis analysis = UnequalAnalysis::UnweightedMeans)
{
    std::istringstream in{std::string(text)};
    return readUnequalNData(in, "cells.dat", analysis);
}

TEST(UnequalNDataFile, HeaderBlanksAndScoresAfterIt)
{
    const DataLayoutResult cells = readUnequal("Unequal N \r\n 3\r\n2\r\n  4 \r\n 0\r\n1.5\r\n2I\r\n3\r\n4\r\n\r\n");
    ASSERT_TRUE(cells.ok()) << cells.error->message;
    EXPECT_EQ(cells.layout.kind, DataLayout::Kind::CellSizes);
    EXPECT_EQ(cells.layout.designatedFactor, 3);
    EXPECT_EQ(cells.layout.cellSizes, (std::vector<long>{4, 0}));
    ASSERT_EQ(cells.layout.items.size(), 4u);
    EXPECT_TRUE(cells.layout.items[1].imputed);

    const DataLayoutResult groups =
        readUnequal("Unequal N\n 3\n 1\n 2\n 2\n 1\n 2\n1\n2\n3\n4\n5\n6\n", UnequalAnalysis::UnequalGroupSizes);
    ASSERT_TRUE(groups.ok()) << groups.error->message;
    EXPECT_EQ(groups.layout.groupingFactor, 1);
    EXPECT_EQ(groups.layout.crossedFactor, 2);
    EXPECT_EQ(groups.layout.headerLineCount(), 7);

    // Subjects (3) nested under Group (1, 2 levels), crossed with Trial (2, 2 levels): two group
    // sizes calling for (1 + 2) x 2 scores.
    Design design;
    design.factors = {Factor{"Group", 'G', 2, {}}, Factor{"Trial", 'T', 2, {}}, Factor{"Subjects", 'S', 4, {}}};
    EXPECT_FALSE(checkLayoutAgainstDesign(groups.layout, design, "g.dat").has_value());
    EXPECT_EQ(expectedScoreCount(groups.layout, design), 6);
    // With replicates as factor 3, the cells are the 2 x 2 combinations of the other two.
    DataLayout fourCells = cells.layout;
    fourCells.cellSizes = {1, 2, 3, 4};
    EXPECT_FALSE(checkLayoutAgainstDesign(fourCells, design, "c.dat").has_value());
    EXPECT_EQ(expectedScoreCount(fourCells, design), 10);
    const auto wrongCount = checkLayoutAgainstDesign(cells.layout, design, "c.dat");
    ASSERT_TRUE(wrongCount.has_value());
    EXPECT_EQ(wrongCount->message, "The header of c.dat does not fit the design: it gives 2 cell sizes, but the "
                                   "design has 4.");
}

TEST(UnequalNDataFile, DamagedHeadersAreRefusedByLine)
{
    struct Case {
        std::string text;
        UnequalAnalysis analysis;
        Kind kind;
        long line;
        std::string message;  // or a part of it
    };
    const auto unweighted = UnequalAnalysis::UnweightedMeans;
    const auto groups = UnequalAnalysis::UnequalGroupSizes;
    const std::vector<Case> cases = {
        {"", unweighted, Kind::NotUnequalNFile, 1, "cells.dat does not start with the line \"Unequal N\""},
        {"Unequal N\r\n", unweighted, Kind::HeaderCutShort, 2,
         "cells.dat ends after 1 line, but its header promises more: line 2 should hold the number of the "
         "replicates or subjects factor."},
        {"Unequal N\r\nthree\r\n", unweighted, Kind::BadHeader, 2,
         "Line 2 of cells.dat should hold the number of the replicates or subjects factor, a whole number from 1 "
         "to 8, but holds \"three\"."},
        {"Unequal N\r\n 2\r\n 1.5\r\n", unweighted, Kind::BadHeader, 3, "the number of cells, a whole number"},
        {"Unequal N\r\n 2\r\n 99999999999\r\n", unweighted, Kind::BadHeader, 3, "from 1 to 16352"},
        {"Unequal N\r\n 2\r\n 2\r\n 3\r\n-1\r\n", unweighted, Kind::BadHeader, 5,
         "should hold the size of cell 2 of 2, a whole number from 0 to 16352, but holds \"-1\""},
        {"Unequal N\r\n 2\r\n 3\r\n 16000\r\n 300\r\n 100\r\n", unweighted, Kind::BadHeader, 6,
         "add up to more than 16352 scores"},
        {"Unequal N\r\n 2\r\n 16352\r\n 1\r\n 1\r\n", unweighted, Kind::HeaderCutShort, 6, "line 6 should hold the size"},
        {"Unequal N\r\n 2\r\n 2\r\n\r\n 1\r\n", unweighted, Kind::BadHeader, 4, "but holds \"\""},
        {"Unequal N\r\n 3\r\n 3\r\n 1\r\n", groups, Kind::BadHeader, 4, "should name three different factors"},
        {"Unequal N\r\n 3\r\n 1\r\n", groups, Kind::HeaderCutShort, 4, "the factor crossed with subjects"},
        {"Unequal N\r\n 2\r\n 1\r\n 3\r\nx\r\n", unweighted, Kind::NotANumber, 5, "Line 5 of cells.dat is not a number"},
    };
    for (const Case& c : cases) {
        const DataLayoutResult r = readUnequal(c.text, c.analysis);
        ASSERT_FALSE(r.ok()) << c.message;
        EXPECT_EQ(r.error->kind, c.kind) << r.error->message;
        EXPECT_EQ(r.error->line, c.line) << r.error->message;
        EXPECT_NE(r.error->message.find(c.message), std::string::npos) << r.error->message;
    }
}

TEST(DataFileProbes, CountingItemsAndTheFirstLine)
{
    const auto count = [](std::string_view text) {
        std::istringstream in{std::string(text)};
        return countItems(in, "f.dat");
    };
    // The header of an unequal-N file counts, so it cannot pass for a plain file of N scores.
    EXPECT_EQ(count("Unequal N\r\n 2\r\n 1\r\n 3\r\n1\r\n2\r\n3\r\n\r\n").count, 7);
    EXPECT_EQ(count("1\r\n\r\n2\r\n").error->kind, Kind::EmptyLine);
    std::string many;
    for (std::size_t i = 0; i <= ReadLimits{}.maxLines; ++i)
        many += "x\n";
    EXPECT_EQ(count(many).error->kind, Kind::TooManyLines);

    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::filesystem::path path = folder / ("varisect-probe-" + std::to_string(::getpid()) + ".dat");
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF  Unequal N \r\n 1\r\n";
    EXPECT_TRUE(firstLine(path).unequalNMarker());
    EXPECT_EQ(countItems(path).count, 2);
    std::ofstream(path, std::ios::binary) << "Unequal N2\r\n";
    EXPECT_FALSE(firstLine(path).unequalNMarker());
    std::filesystem::remove(path);

    // A named pipe or a device is refused before anything is read, so no reader waits for a
    // writer. Should one block after all, a writer that opens and closes the pipe releases it.
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::atomic<bool> done = false;
    std::thread rescue([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!done)
            ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));
    });
    const std::vector<std::optional<DataReadError>> refusals = {
        readPlainDataFile(path).error, readGridDataFile(path, 6).error, countItems(path).error,
        firstLine(path).error, readUnequalNDataFile(path, UnequalAnalysis::UnweightedMeans).error,
        readPlainDataFile("/dev/zero").error};
    done = true;
    rescue.join();
    for (const auto& e : refusals) {
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->kind, Kind::NotAFile) << e->message;
    }
    EXPECT_EQ(refusals[0]->message, path.string() + " is a named pipe, not a data file; only an ordinary file can be "
                                                    "read as one.");
    EXPECT_NE(refusals.back()->message.find("/dev/zero is a device"), std::string::npos);
    std::filesystem::remove(path);

    const FirstLine gone = firstLine(path);
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error->kind, Kind::CannotOpen);
    EXPECT_EQ(gone.error->systemError, ENOENT);
    EXPECT_EQ(readUnequalNDataFile(folder, UnequalAnalysis::UnweightedMeans).error->systemError, EISDIR);
}

TEST(PlainDataFile, PlainDecimalsReadAsTheGeneralReaderReadsThem)
{
    // Scores of the everyday form take a shorter way to std::from_chars; their values must be
    // the general reader's to the last bit, long and signed ones included.
    std::mt19937 rng(26);
    // Random number texts of 1 to `maxDigits` digits, perhaps with a point among them; every
    // `minusEvery`th one negative.
    const auto addRandom = [&rng](std::vector<std::string>& to, int count, int maxDigits, int minusEvery) {
        for (int i = 0; i < count; ++i) {
            std::string t = i % minusEvery == 0 ? "-" : "";
            const int digits = std::uniform_int_distribution<int>(1, maxDigits)(rng);
            const int point = std::uniform_int_distribution<int>(-1, digits)(rng);
            for (int k = 0; k < digits; ++k) {
                if (k == point)
                    t += '.';
                t += static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(rng));
            }
            to.push_back(t);
        }
    };
    std::vector<std::string> texts = {"0", "-0", ".5", "5.", "-.5", "16777217", "0.1", "-3.4028235E38",
                                      "340282356779733661637539395458142568448", std::string(60, '9'),
                                      "0." + std::string(50, '0') + "1"};
    addRandom(texts, 3000, 25, 3);
    // Up to 7 digits are divided by a power of ten directly: every place of the point, halves of
    // the last place and the largest and smallest of them.
    for (const char* t : {"9999999", ".9999999", "-999999.9", "0000001", ".0000001", "1.5", "2.5", "0.0000005",
                          "8388609", "16777215", "3.000001", "-0.000000"})
        texts.emplace_back(t);
    addRandom(texts, 20000, 7, 2);
    for (const std::string& t : texts) {
        ScoreItem item;
        float general = 0;
        const NumberStatus status = readWholeNumber(t, general);
        const ScoreTextProblem problem = parseScoreText(t, item);
        ASSERT_EQ(problem == ScoreTextProblem::None, status == NumberStatus::Ok) << t;
        if (status == NumberStatus::Ok) {
            EXPECT_EQ(std::bit_cast<std::uint32_t>(item.value), std::bit_cast<std::uint32_t>(general)) << t;
            EXPECT_EQ(item.text, t);
        }
    }
}

// A file is read in one block and split in memory; a stream is read character by character.
// Both have to see the same lines, items and refusals.
TEST(DataFileProbes, FilesReadInOneBlockReadAsStreamsDo)
{
    ReadLimits limits;
    limits.maxLineLength = 8;
    std::vector<std::string> contents = {
        "1\r\n2.5I\r\n-3\r\n",
        "\xEF\xBB\xBF" "12345678\r\n1\n",  // the mark does not count, the ending neither
        "12345678\r",                        // a lone CR ends the file
        "1\n123456789\r\n2\n",                // one character too many
        "1\n1234567\r\r\n",                   // a CR inside the line counts
        "1\n123456789",                        // too long without an ending
        "1\n\n2\n",                            // an empty line before a score
        "1\n2\n\n \n",                          // blank lines at the end
        "1\n2x\n3\n",                          // not a number
        "1e99\n",                              // too large for a score
        "Unequal N\n 2\n 2\n 1\n 2\n7\n8\n9\n",
        "Unequal N\n 2\n 3\n 1\n",              // the header ends too soon
        "",
        "\n\n",
        // Plain scores only, read straight from the block, up to a line that is not.
        "1\r\n-2.5\r\n.125\n-0\n9999999\r\n0.000001",
        "1\n2\n12345678\n",                 // 8 digits: one more than the short way takes
        "1\n2\r\n3\r",                      // a CR without its LF at the end
        "1\n2\n3I\n",
    };
    // Files longer than the pieces a plain file is read in, their lines cut at every place by a
    // piece's end (after the digits, between CR and LF, ...), then plain to their end, ending in
    // a line that is not plain, or holding one line more than is read.
    std::string plain;
    for (int i = 0; i < 7000; ++i)
        plain += std::to_string(i % 997) + "." + std::to_string(i % 10) + "\r\n";
    for (const char* shift : {"", "1\n", "-1\n", "1\n1\n", "22\n1\n", "\xEF\xBB\xBF"}) {
        contents.push_back(std::string(shift) + plain);
        contents.push_back(std::string(shift) + plain + "7I");
        contents.push_back(std::string(shift) + plain.substr(0, 30000) + "x\n" + plain.substr(30000));
    }
    std::string tooMany;
    for (std::size_t i = 0; i <= limits.maxLines; ++i)
        tooMany += "5\n";
    contents.push_back(tooMany);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("varisect-block-" + std::to_string(::getpid()) + ".dat");
    const std::string name = path.string();
    const auto sameError = [](const auto& a, const auto& b, const std::string& text) {
        ASSERT_EQ(a.has_value(), b.has_value()) << quotedForMessage(text);
        if (a) {
            EXPECT_EQ(a->kind, b->kind) << quotedForMessage(text);
            EXPECT_EQ(a->line, b->line) << quotedForMessage(text);
            EXPECT_EQ(a->message, b->message) << quotedForMessage(text);
        }
    };
    const auto texts = [](const std::vector<ScoreItem>& items) {
        std::vector<std::string> out;
        for (const ScoreItem& item : items)
            out.push_back(item.text + (item.imputed ? "*" : "") + "=" + std::to_string(item.value));
        return out;
    };
    for (const std::string& text : contents) {
        std::ofstream(path, std::ios::binary) << text;
        std::istringstream a(text), b(text), c(text), d(text);
        const PlainDataResult plainFile = readPlainDataFile(path, limits);
        const PlainDataResult plainStream = readPlainData(a, name, limits);
        sameError(plainFile.error, plainStream.error, text);
        EXPECT_EQ(texts(plainFile.items), texts(plainStream.items)) << quotedForMessage(text);
        // The numbers alone: the same values, marks and refusals.
        const PlainScoresResult numbers = readPlainScoresFile(path, limits);
        sameError(numbers.error, plainFile.error, text);
        const auto bits = [](const Scores& values) {
            std::vector<std::uint32_t> out;
            for (const float v : values)
                out.push_back(std::bit_cast<std::uint32_t>(v));
            return out;
        };
        EXPECT_EQ(bits(numbers.values), bits(plainFile.values())) << quotedForMessage(text);
        EXPECT_EQ(numbers.imputedCount, plainFile.imputedCount()) << quotedForMessage(text);
        const GridDataResult gridFile = readGridDataFile(path, 6, limits);
        const GridDataResult gridStream = readGridData(b, name, 6, limits);
        sameError(gridFile.error, gridStream.error, text);
        EXPECT_EQ(texts(gridFile.items), texts(gridStream.items)) << quotedForMessage(text);
        const DataLayoutResult unequalFile = readUnequalNDataFile(path, UnequalAnalysis::UnweightedMeans, limits);
        const DataLayoutResult unequalStream = readUnequalNData(c, name, UnequalAnalysis::UnweightedMeans, limits);
        sameError(unequalFile.error, unequalStream.error, text);
        EXPECT_EQ(unequalFile.layout.cellSizes, unequalStream.layout.cellSizes) << quotedForMessage(text);
        EXPECT_EQ(texts(unequalFile.layout.items), texts(unequalStream.layout.items)) << quotedForMessage(text);
        const ItemCount countFile = countItems(path, limits);
        const ItemCount countStream = countItems(d, name, limits);
        sameError(countFile.error, countStream.error, text);
        EXPECT_EQ(countFile.count, countStream.count) << quotedForMessage(text);
    }
    std::filesystem::remove(path);

    // Reading that fails after a block: the line the block ends in is the one that failed.
    for (const auto& [block, lines] : {std::pair<std::string_view, long>{"1\n2\n3", 2}, {"1\n2\n", 2}, {"", 0}}) {
        DataLineReader reader(block, 10, true);
        std::string_view line;
        long read = 0;
        DataLineReader::Status status;
        while ((status = reader.next(line)) == DataLineReader::Status::Line)
            ++read;
        EXPECT_EQ(status, DataLineReader::Status::Failed) << block;
        EXPECT_EQ(read, lines) << block;
        EXPECT_EQ(reader.lineNumber(), lines + 1) << block;
        EXPECT_EQ(reader.next(line), DataLineReader::Status::Failed);
    }
}

}  // namespace
}  // namespace varisect
