// SPDX-License-Identifier: GPL-3.0-or-later
// The whole ordinary analysis through the real windows of the desktop program: the design typed
// into the main window, the scores typed into the grid, the Anova design window (with the
// nesting window for a mixed design) and the table window, with its print.
#include <QAction>
#include <QChart>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

#include "app/application.h"
#include "data/dataentrywindow.h"
#include "data/scoremodel.h"
#include "analysis/analysisservice.h"
#include "support/guitest.h"
#include "support/recordingprompts.h"
#include "design/anovadesignwindow.h"
#include "design/mainwindow.h"
#include "design/nestingwindow.h"
#include "graphs/grapher.h"
#include "table/tablewindow.h"
#include "means/cellmeanswindow.h"
#include "unequal/cellsizewindow.h"

using namespace varisect;
using namespace varisect::test;

namespace {

// The table the engine makes of kDrugTimeScores in design order, as `type` with Subjects
// designated (nested under Drug when asked): what the typed walk must arrive at. The engine's
// numbers themselves are checked against worked examples in its unit tests.
AnovaTable expectedTable(AnovaType type, bool nested = false)
{
    Design d = makeDesign({{"Drug", 2}, {"Time", 3}, {"Subjects", 5}});
    d.anovaType = type;
    d.designatedFactor = 3;
    if (nested) {
        d.nested = true;
        d.nestingMatrix = {NestRelation{'S', 'D'}};
    }
    RecordingPrompts prompts;
    const auto table = analyseDesign(d, Scores(kDrugTimeScores.begin(), kDrugTimeScores.end()), prompts);
    if (!table)
        qFatal("the expected analysis was abandoned");
    return *table;
}

// The desktop program on fake surroundings, walked by a user from its first question.
struct Walk {
    QTemporaryDir folder;
    QString pdf = folder.filePath(QStringLiteral("table.pdf"));
    FakePlatform fake{pdf.toStdString()};
    int quits = 0;
    Application app{fake.platform(), {"", 800, [this] { ++quits; }}};

    Walk()
    {
        app.start();
        app.mainWindow()->activateWindow();
        if (!QTest::qWaitForWindowActive(app.mainWindow()))
            qFatal("the main window did not become active");
    }

    DataEntryWindow* grid() const { return app.dataEntryWindow(); }
    AnovaDesignWindow* design() const { return app.anovaDesignWindow(); }
    TableWindow* table() const { return app.tableWindow(); }
    void press(const char* button) { click(child<QAbstractButton>(design(), button)); }

    // Three factors, named and sized in the main window, then on (Enter on the focused button)
    // to the grid, or to `next`.
    void describeDesign(const QString& next = QStringLiteral("dataEntryWindow"))
    {
        MainWindow* main = app.mainWindow();
        answerDesignQuestions(main, {{"Drug", 2}, {"Time", 3}, {"Subjects", 5}});
        // With unequal cell sizes the number of scores is not known yet: the factors are asked about.
        QCOMPARE(child<QLabel>(main, "confirmation")->text(),
                 next == QStringLiteral("dataEntryWindow")
                     ? QStringLiteral("The program is expecting 30 scores.  Is that correct?")
                     : QStringLiteral("Are these factors and their levels correct?"));
        auto* proceed = child<QPushButton>(main, "proceedButton");
        QVERIFY(proceed->hasFocus());
        QTest::keyClick(proceed, Qt::Key_Return);
        QCOMPARE(visibleWindows(), QStringList{next});
    }

    // Clicks the first score cell and types the scores, each followed by Enter.
    void typeScores(const std::vector<int>& scores)
    {
        QTableView* view = grid()->view();
        const QModelIndex first = grid()->model().index(0, grid()->model().scoreColumn());
        view->scrollTo(first);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(first).center());
        for (int x : scores) {
            QTest::keyClicks(view, QString::number(x));
            QTest::keyClick(view, Qt::Key_Return);
        }
    }

    // "Data &OK" (these scores hold no outlier, so it asks nothing), then "&Anova Design...".
    void acceptAndGoOn()
    {
        click(child<QPushButton>(grid(), "dataOkButton"));
        QVERIFY(fake.dialogs.messages.empty());
        click(child<QPushButton>(grid(), "anovaDesignButton"));
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
    }

    // From the first question to the Anova design window, there choosing `type` of design
    // with all three factors.
    void reachDesign(const std::vector<int>& scores, const char* type)
    {
        describeDesign();
        if (QTest::currentTestFailed())
            return;
        typeScores(scores);
        acceptAndGoOn();
        press(type);
        press("factorOption3");
    }

    // The nesting window from the Anova design window: "S nested under D", then OK back.
    void nestSubjectsUnderDrug()
    {
        press("nestingButton");
        NestingWindow* nesting = design()->nestingWindow();
        QVERIFY(nesting);
        QCOMPARE(visibleWindows(), QStringList{"nestingWindow"});
        QListWidget* list = nesting->list();
        const auto found = list->findItems(QStringLiteral("S nested under D"), Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
        click(child<QPushButton>(nesting, "okButton"));
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
    }

    // The main button, which must hand over to the table window without a word.
    void showTable()
    {
        press("mainButton");
        QVERIFY(fake.dialogs.messages.empty());
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
    }

    QTableWidget* tableGrid() const { return table()->grid(); }
    QString cell(int row, int column) const { return tableGrid()->item(row, column)->text(); }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < tableGrid()->rowCount(); ++r)
            out << cell(r, c);
        return out;
    }
    int rowOf(const QString& label) const { return int(column(0).indexOf(label)); }

    // The analysis behind the shown table is that of the scores typed in design order, and the
    // grid's first row shows its first source.
    void expectTableOf(const AnovaTable& expected)
    {
        QVERIFY(app.state().results.ordinary());
        QCOMPARE(app.state().results.ordinary()->rows, expected.rows);
        QCOMPARE(cell(0, 0).toStdString(), expected.cell(2, ColSource));
    }

    // Every table row, after the legend's last line, on a line of its own that starts with its
    // label and holds the shown cells of `columns`, in the table's order.
    void expectRowsInOrder(const QStringList& lines, const std::vector<int>& columns) const
    {
        qsizetype at = lines.indexOf(QRegularExpression(QStringLiteral(".*\\(Subjects\\)\\s+5\\s*")));
        QVERIFY2(at >= 0, "no legend");
        for (int r = 0; r < tableGrid()->rowCount(); ++r) {
            // Printed, the rows are a table whose cells pdftotext sets with blanks of its own.
            at = lines.indexOf(QRegularExpression("\\s*" + QRegularExpression::escape(cell(r, 0).trimmed()) + " .*"), at + 1);
            QVERIFY2(at >= 0, qPrintable(cell(r, 0)));
            for (int c : columns)
                QVERIFY2(lines[at].contains(cell(r, c).trimmed()), qPrintable(lines[at] + " / " + cell(r, c)));
        }
    }

    // A menu item of the table window, by its caption.
    void trigger(const char* caption)
    {
        for (QAction* a : table()->findChildren<QAction*>())
            if (a->text() == QString::fromUtf8(caption)) {
                QVERIFY2(a->isEnabled(), caption);
                return a->trigger();
            }
        QFAIL(caption);
    }
};

}  // namespace

// A step of the walk that checks as it goes: the test stops at its first failure.
#define STEP(call) do { call; if (QTest::currentTestFailed()) return; } while (false)

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The typed scores reach the table in their order: each effect tested against the error
    // row beneath it (the table's numbers in general: the engine's unit tests).
    void typedRequestToRepeatedMeasuresTablePrinted()
    {
        Walk s;
        STEP(s.reachDesign(kDrugTimeScores, "repeatedMeasures"));
        STEP(s.showTable());
        QCOMPARE(s.column(0), (QStringList{"S", "D", "  SxD", "T", "  SxT", "DxT", "  SxDxT", "Total"}));
        QCOMPARE(s.column(1), (QStringList{" 4", " 1", " 4", " 2", " 8", " 2", " 8", " 29"}));
        QCOMPARE(child<QLabel>(s.table(), "legend")->text(),
                 QStringLiteral("  Factors\n   Drug         2\n   Time         3\n  (Subjects)    5"));
        STEP(s.expectTableOf(expectedTable(AnovaType::RepeatedMeasures)));
        QCOMPARE(s.cell(s.rowOf("S"), 4), QString());
        QCOMPARE(s.cell(s.rowOf("  SxD"), 4), QString());

        // Printed to a PDF: the title, the legend and each row's label and SS in order.
        STEP(s.trigger("&Print Anova Table"));
        QCOMPARE(s.fake.printer.dialogTitles, std::vector<std::string>{"Print Anova Table"});
        QVERIFY(s.fake.dialogs.messages.empty());
        const QString printed = QString::fromStdString(pdfText(s.pdf.toStdString(), true));
        QVERIFY2(printed.contains(QStringLiteral("Analysis of Variance Table")), qPrintable(printed));
        s.expectRowsInOrder(printed.split(QLatin1Char('\n')), {2});
    }

    // Independent groups, Subjects as the replicates; the return restores the table as the
    // analysis left it and keeps the choices.
    void independentGroupsTableAndTheWayBack()
    {
        Walk s;
        STEP(s.reachDesign(kDrugTimeScores, "independentGroups"));
        STEP(s.showTable());
        const auto igRows = s.app.state().results.ordinary()->rows;
        QCOMPARE(s.column(0), (QStringList{"D", "T", "DxT", "  Within", "Total"}));
        QCOMPARE(s.column(1), (QStringList{" 1", " 2", " 2", " 24", " 29"}));
        STEP(s.expectTableOf(expectedTable(AnovaType::IndependentGroups)));

        click(child<QRadioButton>(s.table(), "OmegaChoice0"));
        click(child<QPushButton>(s.table(), "CancelButton"));
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
        QCOMPARE(s.app.state().results.ordinary()->rows, igRows);
        QVERIFY(child<QRadioButton>(s.design(), "independentGroups")->isChecked());
        QVERIFY(child<QRadioButton>(s.design(), "factorOption3")->isChecked());
    }

    // Mixed: subjects nested under Drug through the nesting window, crossed with Time. D is
    // tested against the subjects-within-drug error (S + SxD, 8 df); T and DxT against the rest.
    void mixedDesignThroughTheNestingWindow()
    {
        Walk s;
        STEP(s.reachDesign(kDrugTimeScores, "repeatedMeasures"));
        s.press("nested");
        STEP(s.nestSubjectsUnderDrug());
        STEP(s.showTable());
        QCOMPARE(s.column(0), (QStringList{"D", "  Error +", "T", "DxT", "  Error +", "Total"}));
        QCOMPARE(s.column(1), (QStringList{" 1", " 8", " 2", " 2", " 16", " 29"}));
        STEP(s.expectTableOf(expectedTable(AnovaType::RepeatedMeasures, true)));
        QVERIFY(child<QLabel>(s.table(), "legend")->text().contains(QStringLiteral("  S nested under D")));
        QVERIFY(!child<QRadioButton>(s.table(), "OmegaChoice1")->isVisible());
    }

    // "Post Hoc Comparisons" in the main window's menu: the Anova design window's button leads to
    // the window of that name, whose table carries the comparisons and returns to it.
    void postHocComparisonsFromTheDesignWindow()
    {
        Walk s;
        child<QAction>(s.app.mainWindow(), "postHocComparisonsAction")->trigger();
        STEP(s.reachDesign(kDrugTimeScores, "repeatedMeasures"));
        QCOMPARE(child<QPushButton>(s.design(), "mainButton")->text(), QStringLiteral("Set up &Post Hoc Comparisons"));
        s.press("mainButton");
        QCOMPARE(visibleWindows(), QStringList{"postHocWindow"});
        QWidget* posthoc = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("postHocWindow"))
                posthoc = w;
        QVERIFY(posthoc);
        child<QComboBox>(posthoc, "factorBox")->setCurrentIndex(1);  // Time
        click(child<QPushButton>(posthoc, "PrepareButton"));
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
        QVERIFY(child<QLabel>(s.table(), "legend")->text().contains(QStringLiteral("Pairwise comparisons of Time (Tukey HSD)")));
        auto* back = child<QPushButton>(s.table(), "CancelButton");
        QCOMPARE(back->text(), QStringLiteral("&Return to Post Hoc Comparisons"));
        click(back);
        QCOMPARE(visibleWindows(), QStringList{"postHocWindow"});
    }

    // The attrition test from the Anova design window: the cell-size window opens, its table
    // goes to the table window, whose return button comes back to the cell sizes.
    void attritionTableFromTheDesignWindow()
    {
        Walk s;
        child<QAction>(s.app.mainWindow(), "attritionAction")->trigger();
        STEP(s.describeDesign(QStringLiteral("anovaDesignWindow")));
        s.fake.dialogs.clearRecord();
        s.press("independentGroups");
        s.press("factorOption3");
        s.press("mainButton");
        QCOMPARE(visibleWindows(), QStringList{"cellSizeWindow"});
        CellSizeWindow* sizes = s.app.cellSizeWindow();
        for (int r = 0; r < 6; ++r)
            sizes->model().setScore(r, r % 2 ? "5" : "4", false);
        click(child<QPushButton>(sizes, "dataOkButton"));
        click(child<QPushButton>(sizes, "anovaButton"));
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
        QVERIFY(s.table()->windowTitle().startsWith(QStringLiteral("Attrition ")));
        auto* back = child<QPushButton>(s.table(), "CancelButton");
        QCOMPARE(back->text(), QStringLiteral("&Return to Grid"));
        click(back);
        QCOMPARE(visibleWindows(), QStringList{"cellSizeWindow"});
        click(child<QPushButton>(sizes, "returnButton"));
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
        s.press("mainButton");
        QCOMPARE(s.app.cellSizeWindow(), sizes);
        QCOMPARE(sizes->model().text(1), std::string("5"));
        QCOMPARE(s.quits, 0);
    }

    // Unweighted means: "Simple Effe&cts" of the cell-size window opens the cell means (marked
    // "Unweighted ** ", with their cell sizes) and goes on to the simple-effects table, whose
    // return button comes back to them (the numbers: unequalsimpleeffects_test).
    void unweightedMeansSimpleEffectsThroughTheCellMeans()
    {
        Walk s;
        s.fake.dialogs.messageAnswers.push_back(DialogAnswer::Yes);  // skip the attrition test
        child<QAction>(s.app.mainWindow(), "unweightedAction")->trigger();
        STEP(s.describeDesign(QStringLiteral("anovaDesignWindow")));
        s.fake.dialogs.clearRecord();
        s.press("independentGroups");
        s.press("factorOption3");
        s.press("mainButton");
        CellSizeWindow* sizes = s.app.cellSizeWindow();
        QVERIFY(sizes);
        const std::vector<std::string> cellSizes{"5", "4", "5", "3", "5", "2"};
        for (int r = 0; r < 6; ++r)
            sizes->model().setScore(r, cellSizes[size_t(r)], false);
        click(child<QPushButton>(sizes, "dataOkButton"));
        click(child<QPushButton>(sizes, "anovaButton"));
        QCOMPARE(sizes->model().scoreCount(), 24);
        for (int r = 0; r < 24; ++r)
            sizes->model().setScore(r, std::to_string(kDrugTimeScores[size_t(r)]), false);
        click(child<QPushButton>(sizes, "dataOkButton"));
        s.fake.dialogs.messageFallback = DialogAnswer::Ok;
        auto* simple = child<QPushButton>(sizes, "simpleEffectsButton");
        QVERIFY(!simple->isEnabled());  // no table yet
        click(child<QPushButton>(sizes, "anovaButton"));
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
        click(child<QPushButton>(s.table(), "CancelButton"));
        QCOMPARE(visibleWindows(), QStringList{"cellSizeWindow"});

        QVERIFY(simple->isEnabled());
        click(simple);
        QCOMPARE(visibleWindows(), QStringList{"cellMeansWindow"});
        CellMeansWindow* means = s.app.cellMeansWindow();
        QCOMPARE(means->windowTitle(), QStringLiteral("Unweighted ** Cell Means"));
        QVERIFY(means->countsLabel()->isVisible());
        QVERIFY(means->countsLabel()->text().contains(QString::fromUtf8(kCountsTitle)));
        click(child<QPushButton>(means, "SimpleButton"));
        TableWindow* table = s.app.simpleEffectsTableWindow();
        QVERIFY(table && table->isVisible());
        QCOMPARE(table->windowTitle(), QStringLiteral("Simple Effects Analysis of Variance Table"));
        QCOMPARE(table->workingTable().cell(2, ColSource), std::string("D at T 1"));
        QCOMPARE(table->workingTable().number(table->workingTable().rowCount(), ColDf), 18.0);  // 24 - 6 cells
        // The legend names the factors without their level counts.
        QCOMPARE(child<QLabel>(table, "legend")->text(), QStringLiteral("  Factors\n   Drug\n   Time"));
        auto* back = child<QPushButton>(table, "CancelButton");
        QCOMPARE(back->text(), QStringLiteral("&Return to Simple Effects Window"));
        click(back);
        QVERIFY(means->isVisible());
        auto* toGrid = child<QPushButton>(means, "CancelButton");
        QCOMPARE(toGrid->text(), QStringLiteral("&Return to Grid"));
        click(toGrid);
        QCOMPARE(visibleWindows(), QStringList{"cellSizeWindow"});
    }

    // "&Enter Group Sizes" opens the cell-size window in its group-size mode; the split-plot table
    // goes to the table window and comes back.
    void groupSizesTableFromTheDesignWindow()
    {
        Walk s;
        child<QAction>(s.app.mainWindow(), "groupSizeAction")->trigger();
        STEP(s.describeDesign(QStringLiteral("anovaDesignWindow")));
        s.fake.dialogs.clearRecord();
        s.press("repeatedMeasures");
        s.press("factorOption3");
        STEP(s.nestSubjectsUnderDrug());
        QCOMPARE(child<QPushButton>(s.design(), "mainButton")->text(), QStringLiteral("&Enter Group Sizes"));
        s.press("mainButton");
        QCOMPARE(visibleWindows(), QStringList{"cellSizeWindow"});
        CellSizeWindow* sizes = s.app.cellSizeWindow();
        QCOMPARE(sizes->model().scoreCount(), 2);
        sizes->model().setScore(0, "5", false);
        sizes->model().setScore(1, "3", false);
        click(child<QPushButton>(sizes, "dataOkButton"));
        click(child<QPushButton>(sizes, "anovaButton"));
        QCOMPARE(sizes->model().scoreCount(), 24);
        for (int r = 0; r < 24; ++r)
            sizes->model().setScore(r, std::to_string(kDrugTimeScores[size_t(r)]), false);
        click(child<QPushButton>(sizes, "dataOkButton"));
        click(child<QPushButton>(sizes, "anovaButton"));
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
        QVERIFY(s.table()->windowTitle().startsWith(QStringLiteral("Unequal Group Size ")));
        QCOMPARE(s.table()->workingTable().cell(3, ColSource), std::string("  Error+"));
        QCOMPARE(s.table()->workingTable().number(6, ColDf), 12.0);  // (3 - 1)(8 - 2)
        click(child<QPushButton>(s.table(), "CancelButton"));
        QCOMPARE(visibleWindows(), QStringList{"cellSizeWindow"});
        // The graph shows the one pair: the crossed factor along the axis, a line per group.
        click(child<QPushButton>(sizes, "graphButton"));
        QCOMPARE(visibleWindows(), QStringList{"grapherWindow"});
        QCOMPARE(s.app.plotWindow()->chart()->title(), QStringLiteral("Cell Means for Time x Drug"));
        click(child<QPushButton>(s.app.plotWindow(), "returnButton"));
        QCOMPARE(visibleWindows(), QStringList{"cellSizeWindow"});

        // Saved, the file joins the recent-file list; after a restart in the same mode it opens
        // from there in the cell-size window, ready for the table.
        const std::string path = s.folder.filePath(QStringLiteral("groups.dat")).toStdString();
        s.fake.dialogs.saveAnswers.push_back(path);
        QVERIFY(sizes->saveDataFile());
        s.app.restart();
        child<QAction>(s.app.mainWindow(), "groupSizeAction")->trigger();
        child<QAction>(s.app.mainWindow(), "recentFile1")->trigger();
        QCOMPARE(visibleWindows(), QStringList{"cellSizeWindow"});
        CellSizeWindow* again = s.app.cellSizeWindow();
        QCOMPARE(again->stage(), CellSizeWindow::Stage::Scores);
        click(child<QPushButton>(again, "anovaButton"));
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
        QCOMPARE(s.table()->workingTable().number(6, ColDf), 12.0);
        // The design the file gave leads back to the Anova design window, ready to go on.
        click(child<QPushButton>(s.table(), "CancelButton"));
        click(child<QPushButton>(again, "returnButton"));
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
        QVERIFY(child<QPushButton>(s.design(), "mainButton")->isEnabled());
        QVERIFY(child<QRadioButton>(s.design(), "factorOption3")->isChecked());
        QCOMPARE(s.quits, 0);
    }

    void abandonedAnalysisLandsOnTheGrid()
    {
        Walk s;
        STEP(s.reachDesign(std::vector<int>(30, 7), "repeatedMeasures"));
        s.fake.dialogs.messageAnswers = {DialogAnswer::No};
        s.press("mainButton");
        QCOMPARE(s.fake.dialogs.messageTitles(), std::vector<std::string>{"Undefined F-ratio!"});
        QCOMPARE(s.fake.dialogs.lastMessage().message.buttons, MessageButtons::YesNo);
        QVERIFY(!s.app.state().results.ordinary());
        QCOMPARE(visibleWindows(), QStringList{"dataEntryWindow"});
        for (int i = 0; i < 30; ++i)
            QCOMPARE(s.grid()->model().text(i), std::string("7"));

        // Corrected on the grid, the same way on gives a table.
        s.fake.dialogs.clearRecord();
        child<QAction>(s.grid(), "clearAllAction")->trigger();
        QVERIFY(!s.grid()->model().anyScore());
        s.typeScores(kDrugTimeScores);
        STEP(s.acceptAndGoOn());
        QVERIFY(child<QRadioButton>(s.design(), "repeatedMeasures")->isChecked());
        STEP(s.showTable());
        s.expectTableOf(expectedTable(AnovaType::RepeatedMeasures));
    }
};

QTEST_MAIN(EndToEndTest)
#include "endtoend_test.moc"
