// SPDX-License-Identifier: GPL-3.0-or-later
// Long and wide tables into a design and its scores, the long CSV export, and varisect-cli on
// imported tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <sstream>

#include "data/datafilewriter.h"
#include "import/export.h"
#include "import/layout.h"
#include "support/clitest.h"

using namespace varisect;
using varisect::testing::cli;
using varisect::testing::CliRun;
using varisect::testing::contains;
namespace fs = std::filesystem;

namespace {

ImportTable csv(const std::string& text)
{
    const ImportResult r = readCsvText(text, "t.csv");
    EXPECT_TRUE(r.ok()) << (r.error ? r.error->message : "");
    return r.ok() ? *r.table : ImportTable{};
}

std::vector<float> values(const DataLayout& d)
{
    std::vector<float> out;
    for (const ScoreItem& i : d.items)
        out.push_back(i.value);
    return out;
}

// Drug (Placebo, Active) x Time (1..3) x 4 subjects; the score of subject s, drug d, time t.
float score(int s, int d, int t) { return static_cast<float>(s * 10 + d * 3 + t * t) / 2; }

std::string longText(bool shuffled)
{
    std::string text = "Subject,Drug,Time,Score\n";
    for (int s = 1; s <= 4; ++s)
        for (int t = 3; t >= 1; --t)
            for (int d = 1; d <= 2; ++d) {
                const int ss = shuffled ? 5 - s : s;
                std::ostringstream line;
                line << "S" << ss << "," << (d == 1 ? "Placebo" : "Active") << "," << t << "," << score(ss, d, t)
                     << "\n";
                text += line.str();
            }
    return text;
}

std::string wideText()
{
    std::string text = "Subject,Drug1_Time1,Drug2_Time1,Drug1_Time2,Drug2_Time2,Drug1_Time3,Drug2_Time3\n";
    for (int s = 1; s <= 4; ++s) {
        std::ostringstream line;
        line << "S" << s;
        for (int t = 1; t <= 3; ++t)
            for (int d = 1; d <= 2; ++d)
                line << "," << score(s, d, t);
        text += line.str() + "\n";
    }
    return text;
}

fs::path tempFile(const std::string& name, const std::string& text)
{
    // Made once, removed when the tests end.
    static const struct Dir {
        fs::path path = fs::temp_directory_path() / ("varisect-layout-" + std::to_string(::getpid()));
        Dir() { fs::create_directories(path); }
        ~Dir() { fs::remove_all(path); }
    } dir;
    std::ofstream(dir.path / name, std::ios::binary) << text;
    return dir.path / name;
}

}  // namespace

TEST(Layouts, LongAndWideGiveTheDesignOrderScores)
{
    const ImportTable longTable = csv(longText(false));
    const ImportProposal fromLong = proposeFromLong(longTable, {3, {1, 2}, 0});
    ASSERT_TRUE(fromLong.ready()) << fromLong.refusal.value_or("");
    const Design& d = fromLong.design;
    ASSERT_EQ(d.factorCount(), 3);
    EXPECT_EQ(d.factor(1).name, "Drug");
    EXPECT_EQ(d.factor(1).levelLabels, (std::vector<std::string>{"Pl", "Ac"}));
    EXPECT_EQ(fromLong.factors[0].fullLabels, (std::vector<std::string>{"Placebo", "Active"}));
    EXPECT_EQ(d.factor(2).levelLabels, (std::vector<std::string>{"1", "2", "3"}));  // numbers sorted
    EXPECT_EQ(d.factor(3).name, "Subject");
    EXPECT_EQ(d.factor(3).levels, 4);
    EXPECT_EQ(d.anovaType, AnovaType::RepeatedMeasures);
    EXPECT_EQ(d.designatedFactor, 3);
    EXPECT_FALSE(d.nested);
    ASSERT_FALSE(fromLong.notes.empty());  // the shortened labels are said

    // The design order by hand: Drug fastest, then Time, then Subject.
    std::vector<float> expected;
    for (int s = 1; s <= 4; ++s)
        for (int t = 1; t <= 3; ++t)
            for (int dr = 1; dr <= 2; ++dr)
                expected.push_back(score(s, dr, t));
    EXPECT_EQ(values(*fromLong.data), expected);

    WideMapping wide;
    wide.subjectColumn = 0;
    wide.cellColumns = {1, 2, 3, 4, 5, 6};
    const ImportTable wideTable = csv(wideText());
    std::vector<std::string> headers;
    for (const int c : wide.cellColumns)
        headers.push_back(wideTable.columns[size_t(c)].name);
    wide.within = *splitCellHeaders(headers);
    EXPECT_EQ(wide.within.factorNames, (std::vector<std::string>{"Drug", "Time"}));
    const ImportProposal fromWide = proposeFromWide(wideTable, wide);
    ASSERT_TRUE(fromWide.ready()) << fromWide.refusal.value_or("");
    EXPECT_EQ(dataFileText(*fromWide.data), dataFileText(*fromLong.data));
    EXPECT_EQ(fromWide.design.anovaType, AnovaType::RepeatedMeasures);

    // The guess finds both layouts.
    const LayoutGuess g1 = guessLayout(longTable);
    EXPECT_EQ(g1.shape, DataShape::Long);
    EXPECT_EQ(g1.longMapping.scoreColumn, 3);
    EXPECT_EQ(g1.longMapping.subjectColumn, 0);
    EXPECT_EQ(g1.longMapping.factorColumns, (std::vector<int>{1, 2}));
    const LayoutGuess g2 = guessLayout(wideTable);
    EXPECT_EQ(g2.shape, DataShape::Wide);
    EXPECT_EQ(g2.wideMapping.cellColumns, wide.cellColumns);

    // The long CSV export reads back to the same scores.
    const std::string exported = longCsvText(fromLong.design, *fromLong.data,
                                             {fromLong.factors[0].fullLabels, fromLong.factors[1].fullLabels, {}});
    EXPECT_EQ(exported.substr(0, 48), "Drug,Time,Subject,Score\r\nPlacebo,1,1,7\r\nActive,1");
    const ImportProposal again = proposeFromLong(csv(exported), {3, {0, 1}, 2});
    ASSERT_TRUE(again.ready());
    EXPECT_EQ(dataFileText(*again.data), dataFileText(*fromLong.data));
}

TEST(Layouts, HeaderSplitsAndExplicitOrder)
{
    auto split = splitCellHeaders({"A1B1", "A2B1", "A1B2", "A2B2"});
    ASSERT_TRUE(split);
    EXPECT_EQ(split->factorNames, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(split->cellLevels[2], (std::vector<std::string>{"1", "2"}));
    split = splitCellHeaders({"pre", "post", "follow-up"});
    ASSERT_TRUE(split);
    EXPECT_EQ(split->factorNames, (std::vector<std::string>{"Condition"}));
    EXPECT_EQ(split->cellLevels[1], (std::vector<std::string>{"post"}));
    EXPECT_FALSE(splitCellHeaders({"T1"}));
    const auto ordered = withinByOrder({{"Drug", 2}, {"Time", 3}}, 6);
    ASSERT_TRUE(ordered);
    EXPECT_EQ(ordered->cellLevels[3], (std::vector<std::string>{"2", "2"}));
    EXPECT_FALSE(withinByOrder({{"Drug", 2}, {"Time", 3}}, 5));
}

TEST(Layouts, UnequalCellsMissingScoresAndDuplicates)
{
    // Independent groups, no subject column: 3, 2 and 2 scores in the cells of Group; one score
    // missing (row 5).
    const std::string text = "Group,Score\nA,1\nA,2\nB,3\nB,\nC,5\nA,3\nB,4\nC,6\n";
    const ImportTable t = csv(text);
    const ImportProposal stop = proposeFromLong(t, {1, {0}, -1});
    EXPECT_FALSE(stop.ready());
    ASSERT_EQ(stop.issues.size(), 1u);
    EXPECT_EQ(stop.issues[0].kind, ImportIssue::Kind::MissingScore);
    EXPECT_EQ(stop.issues[0].rows, (std::vector<long>{5}));
    EXPECT_EQ(stop.issues[0].text, "row 5 has no score in \"Score\".");

    const ImportProposal dropped = proposeFromLong(t, {1, {0}, -1}, {true});
    ASSERT_TRUE(dropped.ready());
    EXPECT_EQ(dropped.droppedRows, (std::vector<long>{5}));
    ASSERT_TRUE(dropped.unequal());
    EXPECT_EQ(dropped.data->kind, DataLayout::Kind::CellSizes);
    EXPECT_EQ(dropped.data->cellSizes, (std::vector<long>{3, 2, 2}));
    EXPECT_EQ(values(*dropped.data), (std::vector<float>{1, 2, 3, 3, 4, 5, 6}));
    EXPECT_EQ(dropped.design.factorCount(), 2);
    EXPECT_EQ(dropped.design.factor(2).name, "Replicates");
    EXPECT_EQ(dropped.design.factor(2).levels, 3);
    EXPECT_EQ(dropped.data->designatedFactor, 2);
    EXPECT_EQ(dropped.design.anovaType, AnovaType::IndependentGroups);

    // Repeated measures: a duplicated cell and a subject short of a cell are listed by row;
    // dropping is not offered.
    const std::string rm = "S,T,Y\n1,1,5\n1,2,6\n2,1,7\n2,1,8\n2,2,9\n3,1,1\n";
    const ImportProposal r = proposeFromLong(csv(rm), {2, {1}, 0}, {true});
    EXPECT_FALSE(r.ready());
    ASSERT_EQ(r.issues.size(), 2u);
    EXPECT_EQ(r.issues[0].kind, ImportIssue::Kind::DuplicateCell);
    EXPECT_EQ(r.issues[0].rows, (std::vector<long>{4, 5}));
    EXPECT_EQ(r.issues[0].text, "rows 4 and 5 hold two scores for S 2 in the cell T 1.");
    EXPECT_EQ(r.issues[1].kind, ImportIssue::Kind::EmptyCell);
    EXPECT_EQ(r.issues[1].text, "S 3 (row 7) has no score in the cell T 2.");

    // A text in the score column is refused, naming row and column.
    const ImportProposal text2 = proposeFromLong(csv("G,Y\nA,1\nB,x\n"), {1, {0}, -1});
    ASSERT_TRUE(text2.refusal);
    EXPECT_EQ(*text2.refusal, "row 3, column 2 (\"Y\"): \"x\" is not a number.");
    const ImportProposal huge = proposeFromLong(csv("G,Y\nA,1\nB,1e39\n"), {1, {0}, -1});
    ASSERT_TRUE(huge.refusal);
    EXPECT_NE(huge.refusal->find("row 3, column 2"), std::string::npos);
}

TEST(Layouts, MixedDesignsAndGroupSizes)
{
    // Group between, Time within: subjects nested under Group.
    std::string text = "Id,Group,Time,Score\n";
    const int sizes[] = {2, 3};
    int id = 0;
    for (int g = 0; g < 2; ++g)
        for (int s = 0; s < sizes[g]; ++s) {
            ++id;
            for (int t = 1; t <= 2; ++t)
                text += std::to_string(id) + "," + (g == 0 ? "Ctl" : "Trt") + "," + std::to_string(t) + "," +
                        std::to_string(id * 10 + t) + "\n";
        }
    const ImportProposal p = proposeFromLong(csv(text), {3, {1, 2}, 0});
    ASSERT_TRUE(p.ready()) << p.refusal.value_or("");
    ASSERT_TRUE(p.unequal());
    const DataLayout& d = *p.data;
    EXPECT_EQ(d.kind, DataLayout::Kind::GroupSizes);
    EXPECT_EQ(d.designatedFactor, 3);
    EXPECT_EQ(d.groupingFactor, 1);
    EXPECT_EQ(d.crossedFactor, 2);
    EXPECT_EQ(d.cellSizes, (std::vector<long>{2, 3}));
    // Group by group, each Time in turn, the group's subjects.
    EXPECT_EQ(values(d), (std::vector<float>{11, 21, 12, 22, 31, 41, 51, 32, 42, 52}));
    EXPECT_TRUE(p.design.nested);
    ASSERT_EQ(p.design.nestingMatrix.size(), 1u);
    EXPECT_EQ(p.design.nestingMatrix[0], (NestRelation{'I', 'G'}));
}

TEST(Layouts, SubjectsNumberedWithinTheirGroups)
{
    // Equal groups of two, Group between and Time within, with identifiers unique across the
    // groups and restarting at 1 in each.
    std::string unique = "Id,Group,Time,Score\n", restarting = unique;
    for (int s = 1; s <= 4; ++s)
        for (int t = 1; t <= 2; ++t) {
            const std::string rest = std::string(",") + (s <= 2 ? "Ctl" : "Trt") + "," + std::to_string(t) + "," +
                                     std::to_string(s * 10 + t) + "\n";
            unique += std::to_string(s) + rest;
            restarting += std::to_string(s <= 2 ? s : s - 2) + rest;
        }
    const ImportProposal expected = proposeFromLong(csv(unique), {3, {1, 2}, 0});
    ASSERT_TRUE(expected.ready());
    // One score per cell, subjects numbered within their group.
    EXPECT_FALSE(expected.unequal());
    EXPECT_EQ(expected.design.factor(3).levels, 2);
    EXPECT_EQ(values(*expected.data), (std::vector<float>{11, 31, 12, 32, 21, 41, 22, 42}));

    LongMapping m{3, {1, 2}, 0, {1}};
    const ImportProposal p = proposeFromLong(csv(restarting), m);
    ASSERT_TRUE(p.ready()) << p.refusal.value_or("");
    EXPECT_EQ(dataFileText(*p.data), dataFileText(*expected.data));
    EXPECT_EQ(p.design.anovaType, AnovaType::RepeatedMeasures);
    EXPECT_EQ(p.design.factor(3).levels, 2);
    EXPECT_EQ(p.design.nestingMatrix, expected.design.nestingMatrix);

    // Taken as unique, the restarting identifiers make Group a within-subject factor of two
    // people: a different design, which is why the grouping must be said.
    const ImportProposal asUnique = proposeFromLong(csv(restarting), {3, {1, 2}, 0});
    ASSERT_TRUE(asUnique.ready());
    EXPECT_FALSE(asUnique.design.nested);

    // A duplicate names the subject with its group; a group column that is no factor is refused.
    const ImportProposal dup = proposeFromLong(csv(restarting + "2,Trt,1,99\n"), m);
    ASSERT_EQ(dup.issues.size(), 1u);
    EXPECT_EQ(dup.issues[0].text, "rows 8 and 10 hold two scores for Id 2 (Group Trt) in the cell Time 1.");
    // The command line says the same with --subjects-within.
    const fs::path uniqueFile = tempFile("unique.csv", unique), restartingFile = tempFile("restarting.csv", restarting);
    const CliRun expectedTable = cli("analyze " + uniqueFile.string() + " --subject Id");
    ASSERT_EQ(expectedTable.code, 0) << expectedTable.err;
    EXPECT_EQ(cli("analyze " + restartingFile.string() + " --subject Id --subjects-within Group").out,
              expectedTable.out);
    const CliRun noSubject =
        cli("analyze " + restartingFile.string() + " --subjects-within Group --score Score --factor-column Time");
    EXPECT_EQ(noSubject.code, 2);
    EXPECT_TRUE(contains(noSubject.err, "--subjects-within needs the subject column")) << noSubject.err;

    const ImportProposal bad = proposeFromLong(csv(restarting), {3, {2}, 0, {1}});
    ASSERT_TRUE(bad.refusal);
    EXPECT_EQ(*bad.refusal, "The subjects can only be numbered within the groups of a factor column (\"Group\" is not one).");
}

TEST(Layouts, DesignRulesAreProposedNotCut)
{
    std::vector<std::string> notes;
    const auto names = proposeFactorNames({"time", "Treatment", "2nd, dose", "Tally"}, notes);
    EXPECT_EQ(names, (std::vector<std::string>{"Time", "R-Treatment", "Nd dose", "A-Tally"}));
    EXPECT_EQ(notes.size(), 3u);
    notes.clear();
    EXPECT_EQ(proposeLevelLabels({"ab", "c"}, "F", notes), (std::vector<std::string>{"ab", "c"}));
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(proposeLevelLabels({"Placebo", "Plus"}, "F", notes), (std::vector<std::string>{"1", "2"}));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "The level labels of F are proposed as Placebo -> 1, Plus -> 2 (a level label has one or "
                        "two characters).");

    // Nine factors, or more cells than the program holds, are refused with the reason.
    const std::string text = "A,B,C,D,E,F,G,H,I,Y\n1,1,1,1,1,1,1,1,1,1\n2,2,2,2,2,2,2,2,2,1\n";
    const ImportProposal p = proposeFromLong(csv(text), {9, {0, 1, 2, 3, 4, 5, 6, 7, 8}, -1});
    ASSERT_TRUE(p.refusal);
    EXPECT_NE(p.refusal->find("at most 8"), std::string::npos) << *p.refusal;
    // Two factors of 200 levels call for 40000 cells, more than the program holds.
    std::string many = "A,B,Y\n";
    for (int r = 0; r < 200; ++r)
        many += std::to_string(r) + "," + std::to_string((r * 7) % 200) + ",1\n";
    const ImportProposal large = proposeFromLong(csv(many), {2, {0, 1}, -1});
    ASSERT_TRUE(large.refusal);
    EXPECT_NE(large.refusal->find("more than 16352 cells"), std::string::npos) << *large.refusal;
}

TEST(Layouts, ValueLabelledWideSpssFileKeepsItsLabels)
{
    // A wide table as a statistics file delivers it: Group labelled 1 "Control", 2 "Treated".
    ImportTable t;
    t.source = ImportTable::Source::StatisticsFile;
    t.sourceName = "w.sav";
    t.columns = {{"Group", {{ImportCell::ofNumber(1), "Control"}, {ImportCell::ofNumber(2), "Treated"}}},
                 {"T1", {}},
                 {"T2", {}}};
    for (int s = 0; s < 4; ++s) {
        t.rows.push_back({ImportCell::ofNumber(s % 2 ? 1 : 2), ImportCell::ofNumber(s), ImportCell::ofNumber(s + 10)});
        t.rowNumbers.push_back(s + 1);
    }
    WideMapping m;
    m.betweenColumns = {0};
    m.cellColumns = {1, 2};
    m.within = *splitCellHeaders({"T1", "T2"});
    const ImportProposal p = proposeFromWide(t, m);
    ASSERT_TRUE(p.ready()) << p.refusal.value_or("");
    EXPECT_EQ(p.factors[0].fullLabels, (std::vector<std::string>{"Control", "Treated"}));
    EXPECT_EQ(p.design.factor(1).levelLabels, (std::vector<std::string>{"Co", "Tr"}));
    EXPECT_EQ(p.design.factor(2).name, "T");
    EXPECT_EQ(p.design.factor(3).name, "Subjects");
    EXPECT_EQ(p.design.factor(3).levels, 2);
    // Control (value 1) holds rows 2 and 4 (scores 1 and 3); Treated rows 1 and 3.
    EXPECT_EQ(values(*p.data), (std::vector<float>{1, 0, 11, 10, 3, 2, 13, 12}));

    // A missing between value names its case.
    t.rows[2][0] = ImportCell::missing();
    const ImportProposal q = proposeFromWide(t, m);
    EXPECT_FALSE(q.ready());
    ASSERT_FALSE(q.issues.empty());
    EXPECT_EQ(q.issues[0].text, "case 3 has no value in \"Group\".");
}

TEST(CliImport, AnalyzeMeansAndExportOnImportedTables)
{
    const fs::path longCsv = tempFile("long.csv", longText(true));
    const fs::path wideCsv = tempFile("wide.csv", wideText());
    const fs::path dat = longCsv.parent_path() / "scores.dat";
    const fs::path back = longCsv.parent_path() / "back.csv";
    const CliRun summary = cli("export " + longCsv.string() + " --score Score --factor-column Drug,Time --subject "
                               "Subject --write-scores " + dat.string() + " --write-csv " + back.string());
    ASSERT_EQ(summary.code, 0) << summary.err;
    EXPECT_TRUE(contains(summary.out, "Factor 1: Drug, 2 levels: Placebo [Pl] Active [Ac]\n")) << summary.out;
    EXPECT_TRUE(contains(summary.out, "--factor Drug=2 --factor Time=3 --factor Subject=4 --type repeated "
                                      "--designate Subject"))
        << summary.out;

    const std::string factors = " --factor Drug=2 --factor Time=3 --factor Subject=4 --designate Subject";
    const CliRun fromFile = cli("analyze " + dat.string() + factors + " --type repeated");
    ASSERT_EQ(fromFile.code, 0) << fromFile.err;
    // The same table from the long table, the wide one, the long CSV written and, with no
    // options, the guess, which says what it took.
    for (const std::string& args :
         {longCsv.string() + " --score Score --factor-column Drug --factor-column Time --subject Subject",
          wideCsv.string() + " --subject Subject --cells #2,#3,#4,#5,#6,#7 --within Drug=2 --within Time=3",
          back.string() + " --score Score --factor-column Drug,Time --subject Subject", wideCsv.string()}) {
        const CliRun r = cli("analyze " + args);
        EXPECT_EQ(r.code, 0) << args << r.err;
        EXPECT_EQ(r.out, fromFile.out) << args;
    }
    EXPECT_TRUE(contains(cli("analyze " + wideCsv.string()).err, "as wide data"));

    const CliRun means = cli("means " + longCsv.string() + " --format csv");
    ASSERT_EQ(means.code, 0) << means.err;
    EXPECT_EQ(means.out, cli("means " + dat.string() + factors + " --format csv").out);
    const CliRun simple = cli("simple-effects " + wideCsv.string());
    ASSERT_EQ(simple.code, 0) << simple.err;
    EXPECT_TRUE(contains(simple.out, "D at T 1")) << simple.out;

    // Unequal cells: analyze needs --mode and runs it.
    const fs::path unequal = tempFile("unequal.csv", "Group;Score\nA;1,5\nA;2\nA;3\nB;4\nB;5\nC;6\nC;7,5\n");
    const CliRun noMode = cli("analyze " + unequal.string());
    EXPECT_EQ(noMode.code, 2);
    EXPECT_TRUE(contains(noMode.err, "--mode")) << noMode.err;
    const CliRun table = cli("analyze " + unequal.string() + " --mode unweighted");
    EXPECT_EQ(table.code, 0) << table.err;
    EXPECT_TRUE(contains(table.out, "SS (raw)")) << table.out;

    // A bad column is named with the columns there are; a missing score stops with its row.
    const CliRun badColumn = cli("analyze " + longCsv.string() + " --score Scor --factor-column Drug");
    EXPECT_EQ(badColumn.code, 2);
    EXPECT_TRUE(contains(badColumn.err, "--score \"Scor\"")) << badColumn.err;
    EXPECT_TRUE(contains(badColumn.err, "\"Subject\", \"Drug\", \"Time\", \"Score\"")) << badColumn.err;
    const fs::path gap = tempFile("gap.csv", "Group,Score\nA,1\nA,2\nB,\nB,4\nB,5\nA,6\nB,7\n");
    const CliRun stopped = cli("analyze " + gap.string() + " --type independent");
    EXPECT_EQ(stopped.code, 2);
    EXPECT_TRUE(contains(stopped.err, "row 4 has no score")) << stopped.err;
    EXPECT_TRUE(contains(stopped.err, "--drop-incomplete")) << stopped.err;
    EXPECT_EQ(cli("analyze " + gap.string() + " --drop-incomplete").code, 0);
}
