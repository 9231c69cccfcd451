// SPDX-License-Identifier: GPL-3.0-or-later
// The "Unequal Cell Sizes" window walked through its stages as a user walks them, its unequal-N
// file written and read back, and the way there from the Anova design window.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

#include "data/scoregrid.h"
#include "data/scoremodel.h"
#include "session/session.h"
#include "table/tabletext.h"
#include "support/guitest.h"
#include "unequal/cellsizewindow.h"

using namespace varisect;
using namespace varisect::test;

namespace {

// A, B (2 levels each) and 3 replicates R, designated; the unweighted-means analysis preceded by
// the attrition test unless said otherwise. Or a design of the two-substantive-factor analyses.
struct Harness {
    FakePlatform fake;
    Session state;
    std::vector<CellSizeTable> tables;
    int returns = 0;
    std::vector<UnequalMeansView> means;   // "Show &Means"
    std::vector<UnequalMeansView> simple;  // "Simple Effe&cts"
    std::vector<std::pair<GraphValues, std::optional<std::pair<int, int>>>> graphs;
    std::unique_ptr<CellSizeWindow> window;

    explicit Harness(bool unweighted = true, bool designated = true)
    {
        Design d = makeDesign({{"A", 2}, {"B", 2}, {"R", 3}});
        d.anovaType = AnovaType::IndependentGroups;
        d.designatedFactor = designated ? 3 : 0;
        state.mode.randomAttritionTest = true;
        state.mode.unweightedMeans = unweighted;
        open(d);
    }
    // Proportional cell sizes (a crossed design) or unequal group sizes (`d` nested).
    explicit Harness(const Design& d)
    {
        state.mode.twoFactorUnequal = true;
        open(d);
    }

    void open(const Design& d)
    {
        state.design.design = d;
        state.design.problemLabel = "Rats";
        CellSizeHandOver h;
        h.tableReady = [this](CellSizeTable t) { tables.push_back(std::move(t)); };
        h.returnToDesign = [this] { ++returns; };
        h.showMeans = [this](UnequalMeansView v) { means.push_back(std::move(v)); };
        h.showSimpleEffects = [this](UnequalMeansView v) { simple.push_back(std::move(v)); };
        h.showGraph = [this](const Design&, const Scores&, GraphValues kind, std::optional<std::pair<int, int>> pair) {
            graphs.emplace_back(kind, pair);
        };
        window = std::make_unique<CellSizeWindow>(
            CellSizeParts{state.design, state.mode, state.file, state.data, state.recentFiles}, shellContext(fake),
            std::move(h));
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("the window was not shown");
    }

    QPushButton* button(const char* name) const { return child<QPushButton>(window.get(), name); }
    QString caption(const char* name) const { return button(name)->text(); }
    void fill(const std::vector<std::string>& texts)
    {
        for (std::size_t r = 0; r < texts.size(); ++r)
            window->model().setScore(static_cast<int>(r), texts[r], false);
    }
    // Sizes 3, 2 / 2, 3 accepted and the (not significant) attrition table made: on to the scores.
    void toScores()
    {
        fill({"3", "2", "2", "3"});
        click(button("dataOkButton"));
        click(button("anovaButton"));
        window->show();
        click(button("anovaButton"));
    }
};

const std::vector<std::string> kScores{"1", "2", "3", "4", "6", "2", "4", "7", "8", "9"};

// Group (2 levels) with Subjects nested under it, crossed with Trial (3 levels); the largest
// group has 3 subjects.
Design groupDesign()
{
    Design d = makeDesign({{"Group", 2}, {"Trial", 3}, {"Subjects", 3}});
    d.anovaType = AnovaType::RepeatedMeasures;
    d.designatedFactor = 3;
    d.nested = true;
    d.nestingMatrix = {{'S', 'G'}};
    return d;
}

// Group 1: subjects (3 5 7) and (4 6 9); group 2: (6 7 8), (5 8 8), (7 9 12), in entry order.
const std::vector<std::string> kGroupScores{"3", "4", "5", "6", "7", "9", "6", "5", "7", "7", "8", "9", "8", "8", "12"};

}  // namespace

class CellSizeWindowTest : public QObject {
    Q_OBJECT

private slots:
    // Sizes typed (with a refused oversized one) and the attrition table (the stages themselves:
    // unequalworkflow_test).
    void sizesStageToTheAttritionTable()
    {
        Harness h;
        auto* label = child<QLabel>(h.window.get(), "instructionLabel");
        QCOMPARE(label->text(),
                 QStringLiteral("Enter the number of scores present in each cell of the factorial design for Rats:"));
        QCOMPARE(h.window->model().scoreCount(), 4);
        QCOMPARE(h.caption("dataOkButton"), QStringLiteral("Cell Sizes &OK"));
        QVERIFY(!h.button("anovaButton")->isEnabled());

        // Typed: 3, Enter, 4 (beyond the three planned), the rest left empty.
        QTableView* grid = h.window->view();
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_3);
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_4);
        QCOMPARE(h.window->model().texts(), (std::vector<std::string>{"3", "4", "", ""}));
        // The same grid: an entry reached again is typed over, and Ctrl+Z takes it back.
        QTest::keyClick(grid, Qt::Key_Up);
        QTest::keyClick(grid, Qt::Key_2);
        QCOMPARE(h.window->model().text(0), std::string("2"));
        QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.window->model().texts(), (std::vector<std::string>{"3", "4", "", ""}));
        // A clipboard of blanks is empty here as in the data entry grid (the paste rules:
        // scoregrid_test).
        h.fake.clipboard.content = " \r\n";
        h.window->pasteEntries();
        QCOMPARE(h.fake.dialogs.lastMessage().message.text, std::string("The clipboard is empty!"));
        QCOMPARE(h.window->model().texts(), (std::vector<std::string>{"3", "4", "", ""}));
        // A refused size puts the cursor on it (which sizes are refused in which analysis:
        // cellsizes_test).
        h.fill({"3", "4", "2", "3"});
        click(h.button("dataOkButton"));
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Too many scores specified!"));
        QCOMPARE(grid->currentIndex().row(), 1);
        QVERIFY(!h.button("anovaButton")->isEnabled());

        // Insert and remove move the entries below the selected one.
        h.fill({"3", "2", "3", ""});
        h.window->view()->setCurrentIndex(h.window->model().index(2, 2));
        h.window->insertSingleEntry();
        QCOMPARE(h.window->model().texts(), (std::vector<std::string>{"3", "2", "", "3"}));
        h.window->removeSingleEntry();
        QCOMPARE(h.window->model().texts(), (std::vector<std::string>{"3", "2", "3", ""}));
        h.fill({"3", "2", "2", "3"});
        click(h.button("dataOkButton"));
        QVERIFY(h.button("anovaButton")->isEnabled() && !h.button("dataOkButton")->isEnabled());
        click(h.button("anovaButton"));
        QCOMPARE(h.tables.size(), std::size_t(1));
        QCOMPARE(h.tables[0].titlePrefix, std::string("Attrition "));
        QCOMPARE(h.caption("anovaButton"), QStringLiteral("E&nter Data for Unweighted Means Anova"));
    }

    // The scores cell by cell, a gap refused, the unweighted-means table and its means.
    void scoresStageToTheUnweightedTable()
    {
        Harness h;
        h.toScores();
        QCOMPARE(h.window->stage(), CellSizeWindow::Stage::Scores);
        QCOMPARE(h.window->model().scoreCount(), 10);
        QCOMPARE(child<QLabel>(h.window.get(), "instructionLabel")->text(), QStringLiteral("Enter Data for Rats:"));
        QCOMPARE(h.caption("dataOkButton"), QStringLiteral("Data &OK"));
        QVERIFY(!h.button("anovaButton")->isEnabled());
        // The fourth score belongs to the second cell (A 2, B 1).
        QCOMPARE(h.window->model().data(h.window->model().index(3, 0)).toInt(), 2);

        std::vector<std::string> missing = kScores;
        missing[6].clear();
        h.fill(missing);
        click(h.button("dataOkButton"));
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Data Entry Error!"));
        QCOMPARE(h.window->view()->currentIndex().row(), 6);
        h.fill(kScores);
        click(h.button("dataOkButton"));
        QCOMPARE(h.caption("anovaButton"), QStringLiteral("Anova Ta&ble"));
        click(h.button("anovaButton"));
        QCOMPARE(h.tables.size(), std::size_t(2));
        QCOMPARE(h.tables[1].titlePrefix, std::string("Unweighted Means "));
        QVERIFY(h.tables[1].unweightedMeans);
        // The full design is untouched.
        QCOMPARE(h.state.design.design.factorCount(), 3);
        // "Show &Means" hands over the cell means of the run (their counts and weights:
        // unequalworkflow_test).
        h.window->show();
        click(child<QPushButton>(h.window.get(), "meansButton"));
        QCOMPARE(h.means.size(), std::size_t(1));
        QCOMPARE(h.means[0].means, (Scores{2, 5, 3, 8}));
        QVERIFY(h.means[0].unweightedMeans);  // the Cell Means window is marked "Unweighted ** "
    }

    // A significant attrition test asks before the scores are entered; No leaves the stage.
    void significantAttritionAsks()
    {
        Harness h;
        h.fill({"3", "1", "3", "1"});
        click(h.button("dataOkButton"));
        click(h.button("anovaButton"));
        QCOMPARE(h.tables.size(), std::size_t(1));
        h.fake.dialogs.messageAnswers.push_back(DialogAnswer::No);
        click(h.button("anovaButton"));
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Possibly invalid procedure!"));
        QCOMPARE(h.window->stage(), CellSizeWindow::Stage::AttritionDone);
        h.fake.dialogs.messageAnswers.push_back(DialogAnswer::Yes);
        click(h.button("anovaButton"));
        QCOMPARE(h.window->stage(), CellSizeWindow::Stage::Scores);
    }

    // The attrition test alone takes an empty cell and ends there; planned scores per cell
    // change the designated factor; a design without one is refused.
    void attritionOnlyPlannedScoresAndNoDesignatedFactor()
    {
        Harness h(false);
        h.fake.dialogs.inputAnswers.push_back(std::string("4"));
        h.window->setPlannedScoresPerCell();
        QCOMPARE(h.fake.dialogs.requests.back().title, std::string("Planned Scores Per Cell?"));
        QCOMPARE(h.state.design.design.factor(3).levels, 4);
        h.fill({"4", "0", "2", "3"});
        click(h.button("dataOkButton"));
        click(h.button("anovaButton"));
        QCOMPARE(h.tables.size(), std::size_t(1));
        QCOMPARE(h.caption("anovaButton"), QStringLiteral("&Attrition Anova Table"));
        QCOMPARE(h.window->stage(), CellSizeWindow::Stage::Sizes);

        Harness none(true, false);
        QVERIFY(!none.window->usable());
        QCOMPARE(none.fake.dialogs.lastMessage().message.text, std::string("No DesignatedFactor!"));
    }

    // Saved scores come back with their sizes in a new window, ready for the table; a file of the
    // other layout is refused as corrupted.
    void unequalNFileRoundTrip()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("rats.dat")).toStdString();
        {
            Harness h;
            h.toScores();
            h.fill(kScores);
            h.window->model().setScore(4, "6", true);
            h.state.file.changed();
            // Leaving with typed scores offers to save them; Cancel stays.
            h.fake.dialogs.messageAnswers.push_back(DialogAnswer::Cancel);
            QVERIFY(!h.window->confirmLeave(true));
            QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Exit"));
            h.fake.dialogs.saveAnswers.push_back(path);
            QVERIFY(h.window->saveDataFile());
            QVERIFY(h.state.file.dataSaved() && !h.state.file.dataChanged());
            QVERIFY(h.window->confirmLeave(true));
        }
        QCOMPARE(readAll(path).substr(0, 11), std::string("Unequal N\r\n"));

        Harness h;
        h.fake.dialogs.openAnswers.push_back(path);
        h.window->openDataFile();
        QCOMPARE(h.window->stage(), CellSizeWindow::Stage::Scores);
        QCOMPARE(h.window->model().texts(), kScores);
        QVERIFY(h.window->model().imputed(4) && !h.window->model().imputed(3));
        QCOMPARE(h.caption("anovaButton"), QStringLiteral("Anova Ta&ble"));
        QVERIFY(h.button("anovaButton")->isEnabled());
        click(h.button("anovaButton"));
        QCOMPARE(h.tables.size(), std::size_t(1));
        QVERIFY(std::abs(h.tables[0].table.number(2, 4) - 38.4) < 1e-3);
        // The grid holds the file's scores: a score typed and taken back again is "saved".
        QVERIFY(h.window->grid().column().atSaved());
        h.window->show();  // the table hid it
        h.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        h.window->grid().goToRow(0);
        QTest::keyClicks(h.window->grid().view(), QStringLiteral("9"));
        QTest::keyClick(h.window->grid().view(), Qt::Key_Return);
        QVERIFY(h.state.file.dataChanged() && !h.button("anovaButton")->isEnabled());
        QTest::keyClick(h.window->grid().view(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.window->model().texts(), kScores);
        QVERIFY(h.state.file.dataSaved() && !h.state.file.dataChanged());
        QCOMPARE(h.state.file.currentFileName(), path);
        // Back at the scores the file gave, they are accepted again as they were.
        QVERIFY(h.state.data.accepted() && h.button("anovaButton")->isEnabled());
        // A transformation shown in the grid is one step; Ctrl+Z brings the file's scores back.
        Scores doubled = h.state.data.scores();
        for (float& x : doubled)
            x *= 2;
        h.state.data.transformTo(doubled, "multiplied by 2");
        h.window->showTransformedScores();
        QVERIFY(h.window->model().texts() != kScores);
        QTest::keyClick(h.window->grid().view(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.window->model().texts(), kScores);
        QVERIFY(h.state.data.accepted() && !h.state.data.transformed() && h.state.data.steps().empty());
        QVERIFY(h.button("anovaButton")->isEnabled() && !h.button("dataOkButton")->isEnabled());

        const std::string plain = dir.filePath(QStringLiteral("plain.dat")).toStdString();
        writeFile(plain, "1\r\n2\r\n");
        Harness other;
        other.fake.dialogs.openAnswers.push_back(plain);
        other.window->openDataFile();
        QCOMPARE(other.fake.dialogs.lastMessage().message.title, std::string("File corrupted?!"));
        QCOMPARE(other.window->stage(), CellSizeWindow::Stage::Sizes);
    }

    // Proportional sizes: 2, 4 / 3, 6 pass and 2, 4 / 3, 5 fail; the scores are put to the
    // outlier check; the table is the proportional one, its parts adding up to the total.
    void proportionalSizesToTable()
    {
        Design d = makeDesign({{"A", 2}, {"B", 2}, {"R", 6}});
        d.designatedFactor = 3;
        Harness h(d);
        QCOMPARE(h.caption("anovaButton"), QStringLiteral("E&nter Data for Proportional-N Anova"));
        h.fill({"2", "3", "4", "5"});  // rows of A: 2, 4 and 3, 5
        click(h.button("dataOkButton"));
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Proportionality Violation!"));
        QVERIFY(!h.button("anovaButton")->isEnabled());
        h.fill({"2", "3", "4", "6"});
        click(h.button("dataOkButton"));
        QVERIFY(h.button("anovaButton")->isEnabled());
        click(h.button("anovaButton"));
        QCOMPARE(h.window->model().scoreCount(), 15);

        std::vector<std::string> scores;
        for (int k = 0; k < 15; ++k)
            scores.push_back(std::to_string(4 + k % 4 + k / 5));
        scores[7] = "500";
        h.fill(scores);
        h.state.file.changed();  // typed
        h.fake.dialogs.messageAnswers.push_back(DialogAnswer::No);
        click(h.button("dataOkButton"));
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Possible Data Entry Error?"));
        QCOMPARE(h.window->view()->currentIndex().row(), 7);
        QVERIFY(!h.button("anovaButton")->isEnabled());
        scores[7] = "5";
        h.fill(scores);
        click(h.button("dataOkButton"));
        QVERIFY(h.button("anovaButton")->isEnabled());
        click(h.button("anovaButton"));
        QCOMPARE(h.tables.size(), std::size_t(1));
        QCOMPARE(h.tables[0].titlePrefix, std::string("Proportional Cell Size "));
        QCOMPARE(h.tables[0].table.number(6, ColDf), 14.0);
        // Show Graph plots the cell means of the table, all pairs.
        h.window->show();
        click(h.button("graphButton"));
        QCOMPARE(h.graphs.size(), std::size_t(1));
        QVERIFY(h.graphs[0].first == GraphValues::CellMeans && !h.graphs[0].second);
    }

    // Unequal group sizes from the group sizes (a group of 0 refused) through the scores, group
    // by group, to the split-plot table with an imputed score, its simple effects and graph, and
    // the file saved, updated in place and opened again.
    void groupSizesToTableAndSimpleEffects()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("groups.dat")).toStdString();
        {
            Harness h(groupDesign());
            QCOMPARE(child<QLabel>(h.window.get(), "instructionLabel")->text(),
                     QStringLiteral("Enter the number of Subjects in each group for Rats:"));
            QCOMPARE(h.window->model().scoreCount(), 2);
            h.fill({"3", "0"});
            click(h.button("dataOkButton"));
            QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Data Entry Error!"));
            QCOMPARE(h.window->view()->currentIndex().row(), 1);
            QVERIFY(!h.button("anovaButton")->isEnabled());
            h.fill({"2", "3"});
            click(h.button("dataOkButton"));
            click(h.button("anovaButton"));
            QCOMPARE(h.window->model().scoreCount(), 15);
            // Row 8: group 2, trial 1, its second subject (the fourth in all; the rows of every
            // stage: unequalworkflow_test).
            QCOMPARE(h.window->model().data(h.window->model().index(7, 2)).toInt(), 4);

            h.fill(kGroupScores);
            h.window->model().setScore(4, "7", true);  // group 1, trial 3, subject 1: imputed
            click(h.button("dataOkButton"));
            click(h.button("anovaButton"));
            QCOMPARE(h.tables.size(), std::size_t(1));
            const CellSizeTable g = h.tables[0];  // a copy: more tables follow
            QCOMPARE(g.titlePrefix, std::string("Unequal Group Size "));
            QCOMPARE(formatTableCells(g.table, false)[5][ColDf - 1], std::string(" 5*"));

            // "Simple Effe&cts" hands the cell means on, with the scores of the table behind them.
            h.window->show();
            click(h.button("simpleEffectsButton"));
            QCOMPARE(h.tables.size(), std::size_t(1));
            QCOMPARE(h.simple.size(), std::size_t(1));
            QVERIFY(h.simple[0].table);

            h.window->show();
            click(h.button("graphButton"));
            QCOMPARE(h.graphs.size(), std::size_t(1));
            QVERIFY(h.graphs[0].first == GraphValues::CellMeans);
            QVERIFY(h.graphs[0].second == std::make_optional(std::pair{2, 1}));  // Trial by Group

            h.fake.dialogs.saveAnswers.push_back(path);
            QVERIFY(h.window->saveDataFile());
            QCOMPARE(h.state.recentFiles.entries.at(0).path, path);
            h.window->model().setScore(0, "13", false);
            QVERIFY(h.window->updateDataFile());
            QCOMPARE(h.fake.dialogs.saveAnswers.size(), std::size_t(0));
        }
        QCOMPARE(readAll(path).substr(0, 39), std::string("Unequal N\r\n 3\r\n 1\r\n 2\r\n 2\r\n 2\r\n 3\r\n13\r\n"));
        Harness h(groupDesign());
        h.fake.dialogs.openAnswers.push_back(path);
        h.window->openDataFile();
        QCOMPARE(h.window->stage(), CellSizeWindow::Stage::Scores);
        QVERIFY(h.window->model().imputed(4));
        QVERIFY(h.button("anovaButton")->isEnabled());
    }
};

QTEST_MAIN(CellSizeWindowTest)
#include "cellsizewindow_test.moc"
