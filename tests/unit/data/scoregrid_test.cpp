// SPDX-License-Identifier: GPL-3.0-or-later
// The score grid without its widgets: the entry column's edits, the rows' labels and print
// layout, the rules of typing, pasting and saving under the options of the two grids, and the
// file commands walked with scripted dialogs over real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "data/acceptedhistory.h"
#include "data/dataok.h"
#include "data/gridmessages.h"
#include "data/scorecolumn.h"
#include "data/scorefiles.h"
#include "data/scoregridrules.h"
#include "session/session.h"
#include "support/fakeservices.h"
#include "support/memorysettingsstore.h"

namespace varisect {
namespace {

Design design(std::vector<std::pair<std::string, int>> factors)
{
    Design d;
    for (const auto& [name, levels] : factors)
        d.factors.push_back(Factor{name, name[0], levels, {}});
    return d;
}

// ---- The entry column ----

TEST(ScoreColumn, EditsMoveTextsAndMarksTogetherAndSayWhichRowsChanged)
{
    ScoreColumn c(5);
    EXPECT_FALSE(c.anyScore());
    RowRange r = c.setScores({"1", "2", "3"}, {false, true});
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.last, 2);
    EXPECT_EQ(c.texts(), (std::vector<std::string>{"1", "2", "3", "", ""}));
    EXPECT_TRUE(c.imputed(1) && !c.imputed(2));
    EXPECT_TRUE(c.setScore(0, "1", false).empty());  // no change, nothing to announce
    EXPECT_TRUE(c.setScore(9, "1", false).empty());  // outside the column

    // Insert before the marked score: it moves down with its mark; the last entry falls off.
    c.setScore(4, "5", false);
    r = c.insertAt(1);
    EXPECT_EQ(c.texts(), (std::vector<std::string>{"1", "", "2", "3", ""}));
    EXPECT_TRUE(c.imputed(2) && !c.imputed(1));
    EXPECT_EQ(r.first, 1);
    EXPECT_EQ(r.last, 4);
    r = c.removeAt(1);
    EXPECT_EQ(c.texts(), (std::vector<std::string>{"1", "2", "3", "", ""}));
    EXPECT_TRUE(c.imputed(1));
    // At the last row both empty it.
    c.setScore(4, "9", true);
    c.insertAt(4);
    EXPECT_EQ(c.text(4), "");
    EXPECT_FALSE(c.imputed(4));
    c.setScore(4, "9", true);
    c.removeAt(4);
    EXPECT_EQ(c.text(4), "");
    EXPECT_FALSE(c.imputed(4));

    // A fill stops at the end of the column.
    r = c.fillFrom(3, {"7", "8", "9"}, {true});
    EXPECT_EQ(c.texts(), (std::vector<std::string>{"1", "2", "3", "7", "8"}));
    EXPECT_TRUE(c.imputed(3) && !c.imputed(4));
    EXPECT_EQ(c.firstFilledFrom(3), 3);

    // Marking: a mixed selection turns all marked, an all-marked one all unmarked.
    c.toggleImputed({0, 1, 42});
    EXPECT_TRUE(c.imputed(0) && c.imputed(1));
    r = c.toggleImputed({0, 3});
    EXPECT_FALSE(c.imputed(0) || c.imputed(3));
    EXPECT_TRUE(c.imputed(1));
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.last, 3);

    c.clearAll();
    EXPECT_FALSE(c.anyScore());
    EXPECT_EQ(c.firstFilledFrom(0), -1);
    EXPECT_EQ(c.marks(), std::vector<bool>(5, false));
}

// ---- The rows ----

TEST(ScoreColumn, EachEditIsOneStepThatUndoTakesBackAndRedoPutsBack)
{
    ScoreColumn c(4);
    const unsigned long start = c.currentStep();
    EXPECT_FALSE(c.canUndo() || c.canRedo());
    EXPECT_TRUE(c.undo().empty());
    // One score typed key by key is one step; the next row starts another.
    c.setScore(1, "1", false);
    c.setScore(1, "18", false, true);
    c.setScore(2, "3", true);
    c.fillFrom(0, {"5"}, {});
    c.toggleImputed({0});
    c.clearAll();
    EXPECT_FALSE(c.anyScore());

    RowRange r = c.undo();  // "Clear All" back: every score and mark
    EXPECT_EQ(c.texts(), (std::vector<std::string>{"5", "18", "3", ""}));
    EXPECT_TRUE(c.imputed(0) && c.imputed(2));
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.last, 2);
    c.undo();
    EXPECT_FALSE(c.imputed(0));
    c.undo();
    c.undo();
    EXPECT_EQ(c.texts(), (std::vector<std::string>{"", "18", "", ""}));
    EXPECT_FALSE(c.imputed(2));
    r = c.undo();
    EXPECT_EQ(c.texts(), (std::vector<std::string>(4)));
    EXPECT_EQ(r.first, 1);
    EXPECT_FALSE(c.canUndo());
    EXPECT_EQ(c.currentStep(), start);

    r = c.redo();
    EXPECT_EQ(c.text(1), "18");
    c.redo();
    EXPECT_TRUE(c.imputed(2));
    // Something new after an undo: what could be redone is gone.
    c.undo();
    c.clearRows({1, 7});
    EXPECT_EQ(c.texts(), (std::vector<std::string>(4)));
    EXPECT_FALSE(c.canRedo());
    c.undo();
    EXPECT_EQ(c.text(1), "18");
    // An edit that changes nothing is no step; the insert and remove of entries are.
    const unsigned long step = c.currentStep();
    EXPECT_TRUE(c.setScore(1, "18", false).empty());
    EXPECT_EQ(c.currentStep(), step);
    c.insertAt(1);
    c.removeAt(0);
    EXPECT_EQ(c.texts(), (std::vector<std::string>{"", "18", "", ""}));
    c.undo();
    EXPECT_EQ(c.texts(), (std::vector<std::string>{"", "", "18", ""}));
    c.undo();
    EXPECT_EQ(c.texts(), (std::vector<std::string>{"", "18", "", ""}));
}

TEST(ScoreColumn, RemembersWhetherTheEntriesAreThoseOfTheFile)
{
    ScoreColumn c(3);
    EXPECT_FALSE(c.atSaved());  // a new grid was never saved
    c.setScore(0, "1", false);
    c.markSaved();
    EXPECT_TRUE(c.atSaved());
    c.setScore(1, "2", false);
    EXPECT_FALSE(c.atSaved());
    c.undo();
    EXPECT_TRUE(c.atSaved());
    c.undo();
    EXPECT_FALSE(c.atSaved());
    c.redo();
    EXPECT_TRUE(c.atSaved());
    // Typing on into the saved entry starts a step of its own, so undo reaches the file again.
    c.setScore(0, "12", false, true);
    EXPECT_FALSE(c.atSaved());
    c.undo();
    EXPECT_TRUE(c.atSaved());
    // A new edit after undoing past the save: the file's state can never come back.
    c.undo();
    c.setScore(2, "3", false);
    c.undo();
    EXPECT_FALSE(c.atSaved());
    // Entries shown (not typed) start a new history; a new grid too.
    c.forgetHistory();
    EXPECT_FALSE(c.canUndo() || c.atSaved());
    c.setScore(0, "4", false);
    c.reset(2);
    EXPECT_FALSE(c.canUndo());
}

TEST(ScoreColumn, TheHistoryKeepsTheLatestSteps)
{
    ScoreColumn c(1);
    c.markSaved();
    for (std::size_t k = 0; k < ScoreColumn::kHistorySteps + 5; ++k)
        c.setScore(0, std::to_string(k), false);
    std::size_t undone = 0;
    while (c.canUndo()) {
        c.undo();
        ++undone;
    }
    EXPECT_EQ(undone, ScoreColumn::kHistorySteps);
    EXPECT_EQ(c.text(0), "4");
    EXPECT_FALSE(c.atSaved());  // the saved state fell out of the history
}

TEST(ScoreColumn, AStepNumberStandsForTheSameEntriesAcrossNewHistories)
{
    ScoreColumn c(2);
    const unsigned long fresh = c.currentStep();
    c.setScore(0, "1", false);
    const unsigned long typed = c.currentStep();
    EXPECT_NE(typed, fresh);
    // Entries shown anew start a history whose start is not the start of the one before.
    c.setScores({"7", "8"}, {});
    c.forgetHistory();
    const unsigned long shown = c.currentStep();
    EXPECT_NE(shown, fresh);
    EXPECT_NE(shown, typed);
    c.setScore(1, "9", false);
    c.undo();
    EXPECT_EQ(c.currentStep(), shown);
    // Once the oldest steps are forgotten, the start of the history is the last step forgotten.
    ScoreColumn d(1);
    std::vector<unsigned long> steps;
    for (std::size_t k = 0; k <= ScoreColumn::kHistorySteps; ++k) {
        d.setScore(0, std::to_string(k), false);
        steps.push_back(d.currentStep());
    }
    while (d.canUndo())
        d.undo();
    EXPECT_EQ(d.text(0), "0");
    EXPECT_EQ(d.currentStep(), steps.front());
}

TEST(AcceptedHistory, UndoBackToAcceptedOrTransformedScoresFindsThemWhole)
{
    ScoreColumn c(3);
    AcceptedHistory history;
    AcceptedData data;
    c.setScores({"1", "2", "3"}, {});
    data.accept({1, 2, 3});
    history.remember(c, data);
    // A log shown rounded in the grid, as one step; the data keep every digit and the step.
    data.transformTo({0.f, 0.693147f, 1.098612f}, "natural log");
    c.setScores({"0.00", "0.69", "1.10"}, {});
    history.remember(c, data);

    c.undo();
    const AcceptedData* before = history.find(c);
    ASSERT_NE(before, nullptr);
    EXPECT_TRUE(before->accepted());
    EXPECT_FALSE(before->transformed());
    EXPECT_TRUE(before->steps().empty());
    EXPECT_EQ(before->scores(), (Scores{1, 2, 3}));
    c.redo();
    const AcceptedData* after = history.find(c);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->scores()[1], 0.693147f);
    EXPECT_EQ(after->steps(), std::vector<std::string>{"natural log"});
    EXPECT_EQ(after->okScores(), (Scores{1, 2, 3}));

    // Restoring keeps this run's outlier check setting.
    AcceptedData now;
    now.outlierCheck = false;
    now.restore(*after);
    EXPECT_FALSE(now.outlierCheck);
    EXPECT_EQ(now.steps(), after->steps());

    // Scores typed after it are new entries, whatever step they land in; so is a score typed on
    // into a remembered step's own row.
    c.setScore(0, "5", false);
    EXPECT_EQ(history.find(c), nullptr);
    c.undo();
    c.undo();
    ScoreColumn typed(1);
    AcceptedHistory h2;
    typed.setScore(0, "4", false);
    h2.remember(typed, data);
    typed.setScore(0, "42", false, true);
    EXPECT_EQ(h2.find(typed), nullptr);

    // Only the latest are kept.
    for (std::size_t k = 0; k < AcceptedHistory::kKept + 3; ++k) {
        c.setScore(2, std::to_string(k), false);
        history.remember(c, data);
    }
    while (c.canUndo())
        c.undo();
    EXPECT_EQ(history.find(c), nullptr);
}

TEST(FileState, BackToTheSavedScoresKeepsTheFileNames)
{
    FileState file;
    file.changed();
    file.backToSaved();  // typed, never saved: nothing to go back to
    EXPECT_FALSE(file.dataSaved());
    EXPECT_TRUE(file.dataChanged());

    file.opened("/tmp/a.dat");
    file.changed();
    file.backToSaved();
    EXPECT_TRUE(file.dataSaved());
    EXPECT_FALSE(file.dataChanged());
    EXPECT_EQ(file.currentFileName(), "/tmp/a.dat");
    EXPECT_TRUE(file.saveFileName().empty());  // not written: still only opened

    file.savedAs("/tmp/b.dat");
    file.changed();
    file.backToSaved();
    EXPECT_FALSE(file.dataChanged());
    EXPECT_EQ(file.currentFileName(), "/tmp/b.dat");
    EXPECT_EQ(file.openFileName(), "/tmp/a.dat");
}

TEST(GridRows, FactorialRowsShowNamesAndLevelsWithLabelsWhereThereAreEnough)
{
    Design d = design({{"Drug", 2}, {"Time", 3}, {"Subj", 2}});
    d.factors[1].levelLabels = {"am", "pm", "ev"};
    d.factors[2].levelLabels = {"x"};  // too few: the numbers stay
    const GridRows rows = GridRows::factorial(d, true);
    EXPECT_EQ(rows.rowCount(), 12);
    EXPECT_EQ(rows.entryColumn(), 6);
    std::string shown;
    for (int c = 0; c < rows.labelColumns(); ++c)
        shown += rows.text(10, c) + " ";
    EXPECT_EQ(shown, "Drug 1 Time ev Subj 2 ");  // factor 1 cycles fastest
    EXPECT_EQ(rows.heading(0), "Factor 1");
    EXPECT_EQ(rows.heading(3), "Level");
    EXPECT_EQ(rows.heading(6), "Score");
    EXPECT_EQ(GridRows::factorial(d, false).text(10, 3), "3");

    // Printed: the name, two blanks, the level padded to the column's widest and three blanks,
    // then the score as typed (an imputed one without its mark).
    ScoreColumn c(12);
    c.setScores({"1", "22.5"}, {false, true});
    const std::vector<std::string> lines = rows.printLines(c, "Sleep", "   Raw Data");
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "Sleep");
    EXPECT_EQ(lines[1], "   Raw Data");
    EXPECT_EQ(lines[3], "Drug  2   Time  am   Subj  1   22.5");
    EXPECT_EQ(rows.printLines(c, "", "x").front(), "x");
}

TEST(GridRows, ListedRowsRepeatEachCellAndPrintAsATable)
{
    const GridRows rows = GridRows::cells(design({{"A", 2}, {"B", 2}}), {2, 0, 1, 1}, "Score");
    ASSERT_EQ(rows.rowCount(), 4);
    EXPECT_EQ(rows.entryColumn(), 2);
    EXPECT_EQ(rows.heading(0), "A");
    EXPECT_EQ(rows.heading(2), "Score");
    // Cell 1 twice, cell 2 (A2 B1) none, then A1 B2 and A2 B2.
    const std::vector<std::string> expected{"1 1", "1 1", "1 2", "2 2"};
    for (long r = 0; r < 4; ++r)
        EXPECT_EQ(rows.text(r, 0) + " " + rows.text(r, 1), expected[static_cast<std::size_t>(r)]);
    EXPECT_EQ(rows.columnTexts(0), std::vector<std::string>{"2"});

    ScoreColumn c(4);
    c.setScores({"3", "4"}, {false, true});
    const auto table = rows.printTable(c);
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[0], (std::vector<std::string>{"A", "B", "Score"}));
    EXPECT_EQ(table[2], (std::vector<std::string>{"1", "1", "4I"}));

    const GridRows groups = GridRows::listed({"Group"}, {{1}, {2}, {3}}, "Group Size");
    EXPECT_EQ(groups.rowCount(), 3);
    EXPECT_EQ(groups.text(2, 0), "3");
    EXPECT_EQ(groups.heading(1), "Group Size");
}

// ---- Typing, pasting, saving ----

TEST(ScoreGridRules, CountsTakeNoMissingMarkAndNoImputedMark)
{
    const ScoreGridOptions scores, counts{true, {}};  // the missing mark of scores: scoreentry_test
    const KeyOutcome refused = applyGridKey({"", false, false}, EntryKey::typed('x'), counts);
    EXPECT_TRUE(refused.beep);
    EXPECT_FALSE(refused.changed);
    EXPECT_EQ(refused.text, "");
    EXPECT_EQ(applyGridKey({"1", false, false}, EntryKey::typed('2'), counts).text, "12");

    ScoreColumn column(3);
    const PastePlan plan = planPaste(std::string("4I\r\n5\r\n"), column, 1, counts);
    ASSERT_TRUE(plan.ok());
    EXPECT_EQ(plan.texts, (std::vector<std::string>{"4", "5"}));
    EXPECT_EQ(plan.marks, (std::vector<bool>{false, false}));
    EXPECT_EQ(planPaste(std::string("4I\n"), column, 0, scores).marks, std::vector<bool>{true});
}

TEST(ScoreGridRules, AReachedEntryIsTypedOverAndATypedOneAppends)
{
    const ScoreGridOptions plain;
    const ScoreCell cell{"18.00", true, false};
    KeyOutcome o = applyTypingKey(cell, EntryKey::typed(U'7'), false, plain);
    EXPECT_EQ(o.text, "7");
    EXPECT_FALSE(o.imputed);
    EXPECT_TRUE(o.changed);
    o = applyTypingKey(cell, EntryKey::typed(U'7'), true, plain);
    EXPECT_EQ(o.text, "18.007");
    // Backspace clears a reached entry, and takes one character off a typed one.
    o = applyTypingKey(cell, EntryKey::backspace(), false, plain);
    EXPECT_EQ(o.text, "");
    EXPECT_FALSE(o.imputed);
    EXPECT_TRUE(o.changed);
    EXPECT_FALSE(applyTypingKey({"", false, false}, EntryKey::backspace(), false, plain).changed);
    EXPECT_EQ(applyTypingKey(cell, EntryKey::backspace(), true, plain).text, "18.0");
    // A refused first key leaves the entry whole.
    o = applyTypingKey(cell, EntryKey::typed(U'a'), false, plain);
    EXPECT_TRUE(o.beep);
    EXPECT_EQ(o.text, "18.00");
    EXPECT_TRUE(o.imputed);
    EXPECT_TRUE(applyTypingKey(cell, EntryKey::enter(), false, plain).moveDown);
}

TEST(ScoreGridRules, AnEntryEditedInPlaceIsCheckedAsIfTyped)
{
    const ScoreGridOptions plain, counts{true, {}};
    EXPECT_EQ(editedEntryText(U"18.007", plain), std::optional<std::string>("18.007"));
    EXPECT_EQ(editedEntryText(U"", plain), std::optional<std::string>(""));
    EXPECT_EQ(editedEntryText(U"x", plain), std::optional<std::string>("X"));
    EXPECT_FALSE(editedEntryText(U"x", counts));
    EXPECT_FALSE(editedEntryText(U"18a", plain));
    EXPECT_FALSE(editedEntryText(U"1\t2", plain));
    EXPECT_FALSE(editedEntryText(std::u32string(1200, U'1'), plain));  // longer than a file line
}

TEST(ScoreGridRules, PasteRefusalsComeInOrderWithTheSameTitlesInBothGrids)
{
    ScoreColumn column(4);
    column.setScore(3, "9", false);
    for (const std::optional<std::string>& clip : {std::optional<std::string>(), std::optional<std::string>(""),
                                                   std::optional<std::string>(" \r\n\t\n")}) {
        const PastePlan empty = planPaste(clip, column, 0, {});
        ASSERT_FALSE(empty.ok());
        EXPECT_EQ(empty.problem->text, "The clipboard is empty!");
    }
    EXPECT_EQ(planPaste(std::string("1\n"), column, 1, {}).problem->text, pasteOntoDataMessage().text);
    EXPECT_EQ(planPaste(std::string("1\nb\n"), ScoreColumn(3), 0, {}).problem->title, "Error");
    EXPECT_EQ(planPaste(std::string("1\tb\n"), ScoreColumn(3), 0, {}).problem->title, "Error");
}

TEST(ScoreGridRules, ABlockPastesRowByRowAndTooManyScoresAsksFirst)
{
    // Three rows of four cells from a spreadsheet, as its clipboard text has them.
    const std::string block = "1\t2\t3\t4\r\n5\t6\t7\t8\r\n9\t10\t11\t12I\r\n";
    PastePlan plan = planPaste(block, ScoreColumn(14), 1, {});
    ASSERT_TRUE(plan.ok());
    EXPECT_TRUE(plan.block);
    EXPECT_FALSE(plan.tooMany);
    EXPECT_EQ(plan.texts, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}));
    EXPECT_TRUE(plan.marks[11] && !plan.marks[10]);
    // An empty cell keeps its place.
    EXPECT_EQ(planPaste(std::string("1\t\t3\n"), ScoreColumn(3), 0, {}).texts,
              (std::vector<std::string>{"1", "", "3"}));
    EXPECT_EQ(pastedBlockStatus(12, 2, 13), "Pasted 12 scores row by row from the block, into rows 2 to 13.");

    // Past the last cell: the question says what fits and what is left out.
    plan = planPaste(block, ScoreColumn(10), 0, {});
    ASSERT_TRUE(plan.ok());
    ASSERT_TRUE(plan.tooMany);
    EXPECT_EQ(plan.tooMany->buttons, MessageButtons::YesNo);
    EXPECT_EQ(plan.tooMany->text, "The data on the clipboard will not fit into the specified factorial structure.  "
                                  "Paste the first 10 scores and leave out the last 2?");
    EXPECT_EQ(plan.texts.size(), 10u);
    EXPECT_EQ(plan.marks.size(), 10u);
    plan = planPaste(std::string("1\n2\n3\n4\n"), ScoreColumn(3), 0, {});
    ASSERT_TRUE(plan.tooMany);
    EXPECT_EQ(plan.texts, (std::vector<std::string>{"1", "2", "3"}));
}

TEST(ScoreGridRules, SavableMeansTheSameInBothGridsAndGapsAreAnOption)
{
    ScoreColumn column(4);
    column.setScores({"1", "", "X", "4"}, {});
    EXPECT_TRUE(checkSavable(column, {}).ok());  // a half-entered grid is saved as it stands
    const Message gap{"Data Entry Error!", "   At least one score is missing from the data set.", MessageButtons::Ok,
                      MessageIcon::Critical};
    const ScoreGridOptions unequal{false, gap};
    ScoreSaveCheck check = checkSavable(column, unequal);
    ASSERT_FALSE(check.ok());
    EXPECT_EQ(check.row, 1);
    EXPECT_EQ(check.problem->text, gap.text);
    column.setScore(1, "2", false);
    EXPECT_EQ(checkSavable(column, unequal).row, 2);  // the missing mark is a gap too

    // The file layout keeps the header and writes one item per entry.
    column.setScore(2, "3", true);
    DataLayout header;
    header.kind = DataLayout::Kind::CellSizes;
    header.designatedFactor = 3;
    header.cellSizes = {2, 2};
    const DataLayout layout = entriesLayout(column, header);
    EXPECT_EQ(layout.kind, DataLayout::Kind::CellSizes);
    EXPECT_EQ(layout.cellSizes, (std::vector<long>{2, 2}));
    ASSERT_EQ(layout.items.size(), 4u);
    EXPECT_TRUE(layout.items[2].imputed);
    EXPECT_EQ(layout.items[3].text, "4");
}

TEST(GridMessages, LeaveQuestionsOfferCancel)
{
    EXPECT_EQ(notSavedQuestion(LeaveMode::Exit).buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(updateSavedFileQuestion(LeaveMode::Restart).buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(saveInNewFileQuestion(LeaveMode::Exit).buttons, MessageButtons::YesNoCancel);
}

// ---- The file commands ----

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The file commands of a grid for `d` over a fresh session, in a folder of their own.
struct Files {
    std::filesystem::path folder;
    Session session;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    FakeDesktop desktop;
    ScoreColumn column;
    ScoreGridOptions options;
    std::vector<long> wentTo;  // rows the commands put the cursor on
    int savingShown = 0, savingDropped = 0;
    ScoreFiles files;

    explicit Files(const Design& d, const std::string& problemLabel = "Pilot")
        : folder(std::filesystem::temp_directory_path() /
                 ("varisect-scorefiles-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + problemLabel)),
          column(GridRows::factorial(d, false).rowCount()),
          files(ScoreFileParts{session.design, session.file, session.recentFiles},
                ScoreFileOutside{dialogs, settings, desktop}, column, options,
                ScoreFileView{[this](long r) { wentTo.push_back(r); }, [this](const std::string&) { ++savingShown; },
                              [this] { ++savingDropped; }})
    {
        session.design.design = d;
        session.design.problemLabel = problemLabel;
        dialogs.messageFallback = DialogAnswer::Cancel;  // a box the script does not answer is cancelled
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    ~Files() { std::filesystem::remove_all(folder); }
    std::string path(const std::string& name) const { return (folder / name).string(); }
};

TEST(ScoreFiles, SaveRetriesAFailedWriteAndRefusesWhatNoFileCanHold)
{
    Files f(design({{"Drug", 2}, {"Time", 2}}));
    f.column.setScores({"1", "12.5", "-3", "4"}, {false, true});
    // A folder that is not there: Retry writes again, Cancel gives up with nothing changed.
    f.dialogs.saveAnswers = {f.path("nowhere/x.dat")};
    f.dialogs.messageAnswers = {DialogAnswer::Retry, DialogAnswer::Cancel};
    EXPECT_FALSE(f.files.saveAs());
    EXPECT_EQ(f.dialogs.messageTitles(), (std::vector<std::string>{"Disk Not Ready!", "Disk Not Ready!"}));
    EXPECT_EQ(f.savingShown, 1);
    EXPECT_EQ(f.savingDropped, 1);
    EXPECT_FALSE(f.session.file.dataSaved());
    EXPECT_TRUE(f.session.recentFiles.entries.empty());

    // Saved: the mark written, the file state moved, the recent-file list stored.
    const std::string file = f.path("pilot.dat");
    f.dialogs.saveAnswers = {file};
    EXPECT_TRUE(f.files.saveAs());
    EXPECT_EQ(readAll(file), "1\r\n12.5I\r\n-3\r\n4\r\n");
    EXPECT_TRUE(f.session.file.dataSaved());
    EXPECT_EQ(f.session.file.saveFileName(), file);
    EXPECT_EQ(f.settings.read("1Recent_File"), file);

    // A score no line can hold: told, the cursor on it, nothing written.
    f.dialogs.clearRecord();
    f.column.setScore(2, std::string(1001, '1'), false);
    f.dialogs.saveAnswers = {f.path("long.dat")};
    EXPECT_FALSE(f.files.saveAs());
    EXPECT_EQ(f.dialogs.messageTitles(), std::vector<std::string>{"Wait"});
    EXPECT_EQ(f.wentTo, std::vector<long>{2});
    EXPECT_FALSE(std::filesystem::exists(f.path("long.dat")));
    EXPECT_EQ(f.dialogs.saveAnswers.size(), 1u);  // refused before the dialog
}

TEST(ScoreFiles, AnUnequalNFileIsWrittenWithItsHeaderAndWithoutGaps)
{
    Files f(design({{"A", 2}, {"R", 2}}));
    f.options.gapInFile = Message{"Data Entry Error!", "   At least one score is missing from the data set.",
                                  MessageButtons::Ok, MessageIcon::Critical};
    DataLayout header;
    header.kind = DataLayout::Kind::CellSizes;
    header.designatedFactor = 2;
    header.cellSizes = {1, 3};
    f.files.setHeader(header);
    f.column.setScores({"5", "", "7", "8"}, {});
    f.dialogs.saveAnswers = {f.path("u.dat")};
    EXPECT_FALSE(f.files.saveAs());
    EXPECT_EQ(f.wentTo, std::vector<long>{1});
    f.column.setScore(1, "6", true);
    EXPECT_TRUE(f.files.saveAs());
    EXPECT_EQ(readAll(f.path("u.dat")), "Unequal N\r\n 2\r\n 2\r\n 1\r\n 3\r\n5\r\n6I\r\n7\r\n8\r\n");
    // Updated in place: the same layout, no dialog.
    f.column.setScore(0, "9", false);
    EXPECT_TRUE(f.files.updateInPlace());
    EXPECT_EQ(readAll(f.path("u.dat")), "Unequal N\r\n 2\r\n 2\r\n 1\r\n 3\r\n9\r\n6I\r\n7\r\n8\r\n");
}

TEST(ScoreFiles, TheLeaveQuestionAsksOncePerWayOutAndNeverLosesData)
{
    Files f(design({{"A", 2}, {"B", 2}}));
    // Nothing typed: nothing to ask.
    EXPECT_TRUE(f.files.confirmLeave(LeaveMode::Exit));
    EXPECT_TRUE(f.dialogs.messages.empty());
    f.session.file.leaveAnswer(false);

    f.column.setScores({"1", "2", "3", "4"}, {});
    f.dialogs.messageAnswers = {DialogAnswer::Cancel};
    EXPECT_FALSE(f.files.confirmLeave(LeaveMode::Restart));
    EXPECT_EQ(f.dialogs.lastMessage().message.title, "Restart");
    EXPECT_EQ(f.dialogs.lastMessage().message.text, notSavedQuestion(LeaveMode::Restart).text);
    // Yes saves; a cancelled save keeps the user here.
    f.dialogs.messageAnswers = {DialogAnswer::Yes, DialogAnswer::Yes};
    f.dialogs.saveAnswers = {std::nullopt};
    EXPECT_FALSE(f.files.confirmLeave(LeaveMode::Exit));
    const std::string file = f.path("leave.dat");
    f.dialogs.saveAnswers = {file};
    EXPECT_TRUE(f.files.confirmLeave(LeaveMode::Exit));
    EXPECT_EQ(readAll(file), "1\r\n2\r\n3\r\n4\r\n");
    // Answered: the same way out does not ask again.
    const std::size_t asked = f.dialogs.messages.size();
    EXPECT_TRUE(f.files.confirmLeave(LeaveMode::Exit));
    EXPECT_EQ(f.dialogs.messages.size(), asked);

    // Changed since the save: Yes updates the file in place, without a dialog.
    f.session.file.leaveAnswer(false);
    f.column.setScore(0, "15", false);
    f.files.changed();
    f.dialogs.clearRecord();
    f.dialogs.messageAnswers = {DialogAnswer::Yes};
    EXPECT_TRUE(f.files.confirmLeave(LeaveMode::Exit));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].message.text, updateSavedFileQuestion(LeaveMode::Exit).text);
    EXPECT_EQ(readAll(file), "15\r\n2\r\n3\r\n4\r\n");
    // No asks about a new file; No again leaves without saving.
    f.session.file.leaveAnswer(false);
    f.column.setScore(0, "155", false);
    f.files.changed();
    f.dialogs.messageAnswers = {DialogAnswer::No, DialogAnswer::No};
    EXPECT_TRUE(f.files.confirmLeave(LeaveMode::Restart));
    EXPECT_EQ(f.dialogs.lastMessage().message.text, saveInNewFileQuestion(LeaveMode::Restart).text);
    EXPECT_EQ(readAll(file), "15\r\n2\r\n3\r\n4\r\n");
    // Cancel at either question stays: nothing written, still changed, asked again next time.
    for (const std::vector<DialogAnswer>& answers :
         {std::vector<DialogAnswer>{DialogAnswer::Cancel}, {DialogAnswer::No, DialogAnswer::Cancel}}) {
        f.session.file.leaveAnswer(false);
        f.dialogs.clearRecord();
        f.dialogs.messageAnswers = {answers.begin(), answers.end()};
        EXPECT_FALSE(f.files.confirmLeave(LeaveMode::Restart));
        EXPECT_EQ(f.dialogs.messages.size(), answers.size());
        EXPECT_FALSE(f.session.file.leaveAnswered());
        EXPECT_TRUE(f.session.file.dataChanged());
        EXPECT_EQ(readAll(file), "15\r\n2\r\n3\r\n4\r\n");
    }
}

TEST(ScoreFiles, AFileOfTheWrongLengthLoadsOnlyWhenTheUserSays)
{
    Files f(design({{"A", 2}, {"B", 2}}));
    const std::string longer = f.path("six.dat");
    writeFile(longer, "1\n2\n3\n4\n5\n6\n");
    // Abort loads nothing; Retry warns, then Cancel gives up or OK takes what fits.
    f.dialogs.openAnswers = {longer, longer, longer};
    f.dialogs.messageAnswers = {DialogAnswer::Abort, DialogAnswer::Retry, DialogAnswer::Cancel, DialogAnswer::Retry,
                         DialogAnswer::Ok};
    EXPECT_FALSE(f.files.choosePlainFile());
    EXPECT_FALSE(f.files.choosePlainFile());
    EXPECT_EQ(f.dialogs.messageTitles(),
              (std::vector<std::string>{"Wrong file selected?", "Wrong file selected?", "Danger!"}));
    std::optional<GridFile> read = f.files.choosePlainFile();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->count, 6);
    ASSERT_EQ(read->items.size(), 4u);
    EXPECT_EQ(read->items[3].text, "4");
    // Ignore with a shorter file gives what there is.
    const std::string shorter = f.path("two.dat");
    writeFile(shorter, "7\r\n8I\r\n");
    f.dialogs.openAnswers = {shorter};
    f.dialogs.messageAnswers = {DialogAnswer::Ignore};
    read = f.files.choosePlainFile();
    ASSERT_TRUE(read && read->items.size() == 2u);
    EXPECT_TRUE(read->items[1].imputed);
    f.files.opened(read->path, true);
    EXPECT_TRUE(f.session.file.dataFromFile());
    EXPECT_EQ(f.session.recentFiles.entries.at(0).path, shorter);

    // A missing file is looked for again on Retry.
    f.dialogs.clearRecord();
    f.dialogs.openAnswers = {f.path("gone.dat")};
    f.dialogs.messageAnswers = {DialogAnswer::Retry, DialogAnswer::Cancel};
    EXPECT_FALSE(f.files.choosePlainFile());
    EXPECT_EQ(f.dialogs.messageTitles(), (std::vector<std::string>{"File Not Found!", "File Not Found!"}));
    // A file chosen from the recent-file list must fit exactly.
    f.dialogs.clearRecord();
    f.session.file.chosen(shorter, kNewRecentIndex);
    EXPECT_FALSE(f.files.readRecentPlainFile());
    EXPECT_EQ(f.dialogs.messageTitles(), std::vector<std::string>{"File corrupted?!"});
    writeFile(shorter, "1\n2\n3\n4\n");
    EXPECT_TRUE(f.files.readRecentPlainFile());
}

TEST(ScoreFiles, ANamingConflictCopiesOrAttachesOrStops)
{
    Files first(design({{"Drug", 2}, {"Time", 2}}), "Pilot");
    const std::string file = first.path("pilot.dat");
    writeFile(file, "1\r\n12.5I\r\n-3\r\n4\r\n");
    first.dialogs.openAnswers = {file};
    ASSERT_TRUE(first.files.choosePlainFile());
    first.files.opened(file, true);
    EXPECT_TRUE(first.dialogs.messages.empty());  // no entry yet: no conflict

    // The same file under another problem label: Cancel stops, No attaches this design.
    Files other(design({{"Drug", 2}, {"Time", 2}}), "Other");
    other.session.recentFiles = first.session.recentFiles;
    other.dialogs.openAnswers = {file, file};
    other.dialogs.messageAnswers = {DialogAnswer::Cancel, DialogAnswer::No};
    EXPECT_FALSE(other.files.choosePlainFile());
    EXPECT_EQ(other.dialogs.messageTitles(), std::vector<std::string>{"File naming conflict!"});
    ASSERT_TRUE(other.files.choosePlainFile());
    EXPECT_EQ(other.session.recentFiles.entries[0].problemLabel, "Other");

    // Yes: the scores are saved under a new name with this design, and that file is read.
    Files third(design({{"Drug", 2}, {"Time", 2}}), "Third");
    third.session.recentFiles = other.session.recentFiles;
    const std::string renamed = first.path("third.dat");
    third.dialogs.openAnswers = {file};
    third.dialogs.messageAnswers = {DialogAnswer::Yes};
    third.dialogs.saveAnswers = {renamed};
    const std::optional<GridFile> read = third.files.choosePlainFile();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->path, renamed);
    EXPECT_EQ(readAll(renamed), readAll(file));
    EXPECT_EQ(third.session.recentFiles.entries[0].path, renamed);
    EXPECT_EQ(third.session.recentFiles.entries[1].path, file);
}


// ---- "Data &OK" ----

TEST(DataOk, RefusesAGapChecksTypedScoresForOutliersAndKeepsTransformedScores)
{
    Session session;
    ConfirmedOutliers confirmed;
    ScriptedDialogs dialogs;
    dialogs.messageFallback = DialogAnswer::Cancel;
    std::vector<long> wentTo;
    const auto goToRow = [&wentTo](long row) { wentTo.push_back(row); };
    const DataOkParts parts{session.data, session.file, confirmed};

    // Twelve scores of 10 to 12 and one of 500, the fifth imputed.
    std::vector<std::string> texts;
    for (int k = 0; k < 12; ++k)
        texts.push_back(std::to_string(10 + k % 3));
    texts.push_back("500");
    ScoreColumn column(13);
    column.setScores(texts, {false, false, false, false, true});

    // A gap: the grid goes to it before the message, and nothing is accepted.
    column.setScore(2, "", false);
    DataOkResult result = acceptGridScores(column, parts, dialogs, goToRow);
    EXPECT_FALSE(result.accepted);
    EXPECT_FALSE(session.data.accepted());
    EXPECT_EQ(wentTo, std::vector<long>{2});
    EXPECT_EQ(dialogs.messageTitles(), std::vector<std::string>{"Data Entry Error!"});
    column.setScore(2, "12", false);

    // Typed: 500 is put to the user on its row; No leaves the cursor there, unaccepted.
    wentTo.clear();
    dialogs.clearRecord();
    dialogs.messageAnswers = {DialogAnswer::No};
    result = acceptGridScores(column, parts, dialogs, goToRow);
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(wentTo, (std::vector<long>{12, 12}));
    EXPECT_EQ(dialogs.messageTitles(), std::vector<std::string>{"Possible Data Entry Error?"});
    // Yes confirms it: accepted, with the imputed count.
    dialogs.messageAnswers = {DialogAnswer::Yes};
    result = acceptGridScores(column, parts, dialogs, goToRow);
    ASSERT_TRUE(result.accepted);
    EXPECT_EQ(result.imputedCount, 1);
    ASSERT_EQ(session.data.scores().size(), 13u);
    EXPECT_EQ(session.data.scores()[12], 500.0f);
    // Confirmed once, it is not asked about again.
    dialogs.clearRecord();
    EXPECT_TRUE(acceptGridScores(column, parts, dialogs, goToRow).accepted);
    EXPECT_TRUE(dialogs.messages.empty());

    // Scores from a file, unchanged: no outlier check.
    ConfirmedOutliers none;
    session.file.opened("scores.dat");
    EXPECT_TRUE(acceptGridScores(column, {session.data, session.file, none}, dialogs, goToRow).accepted);
    EXPECT_TRUE(dialogs.messages.empty());

    // Transformed scores are accepted as they are, not read back from the (rounded) grid; they
    // become the OK'd scores.
    session.data.transformTo(Scores(13, 2.5f));
    result = acceptGridScores(column, parts, dialogs, goToRow);
    EXPECT_TRUE(result.accepted);
    EXPECT_FALSE(result.imputedCount);
    EXPECT_EQ(session.data.okScores(), Scores(13, 2.5f));
    EXPECT_TRUE(session.data.transformed());
}

}  // namespace
}  // namespace varisect
