// SPDX-License-Identifier: GPL-3.0-or-later
// The data entry grid driven as a user drives it: keys typed into the grid, menu items and
// buttons, with the dialogs, the clipboard and the printer scripted.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>
#include <memory>

#include "app/application.h"
#include "data/dataentrywindow.h"
#include "data/scoremodel.h"
#include "support/guitest.h"
#include "design/mainwindow.h"

using namespace varisect;
using namespace varisect::test;

namespace {

// A grid for `design` on fake surroundings, with the hand-overs counted.
struct Harness {
    QTemporaryDir folder;
    FakePlatform fake;
    Session state;
    int anovaDesign = 0;
    int exits = 0;
    std::unique_ptr<DataEntryWindow> window;

    explicit Harness(Design design, std::string problemLabel = {})
        : fake((QDir::tempPath() + QStringLiteral("/varisect-grid-print.pdf")).toStdString())
    {
        state.design.design = std::move(design);
        state.design.problemLabel = std::move(problemLabel);
        fake.dialogs.messageFallback = DialogAnswer::Cancel;
        open();
    }

    void open()
    {
        DataEntryHandOver h;
        h.anovaDesign = [this] { ++anovaDesign; };
        const DataEntryParts parts{state.design, state.data, state.file, state.recentFiles};
        window = std::make_unique<DataEntryWindow>(parts, test::shellContext(fake, &exits), std::move(h));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    std::string path(const char* name) const { return (folder.path() + QLatin1Char('/') + QLatin1String(name)).toStdString(); }
    ScoreModel& model() const { return window->model(); }
    QTableView* view() const { return window->view(); }
    int row() const { return view()->currentIndex().row(); }
    QAction* action(const char* name) const { return window->findChild<QAction*>(QString::fromUtf8(name)); }
    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(QString::fromUtf8(name)); }
    void type(const QString& keys) { QTest::keyClicks(view(), keys); }
    void enter() { QTest::keyClick(view(), Qt::Key_Return); }
    void goTo(int r) { view()->setCurrentIndex(model().index(r, model().scoreColumn())); }
    void select(int r)
    {
        goTo(r);
        view()->selectionModel()->select(model().index(r, model().scoreColumn()), QItemSelectionModel::ClearAndSelect);
    }
    void fill(const std::vector<std::string>& texts) { model().setScores(texts, {}); }
    std::vector<std::string> titles() const { return fake.dialogs.messageTitles(); }
    const Message& last() const { return fake.dialogs.lastMessage().message; }
};

}  // namespace

class DataEntryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void modelShowsBothKindsOfRows()
    {
        Design d = makeDesign({{"Drug", 2}, {"Time", 3}, {"Subj", 2}});
        d.factors[1].levelLabels = {"am", "pm", "ev"};
        ScoreModel model(d, true);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 12);
        QCOMPARE(model.data(model.index(10, 3)).toString(), QStringLiteral("ev"));
        QCOMPARE(model.headerData(6, Qt::Horizontal).toString(), QStringLiteral("Score"));
        // An imputed score is red and its text is kept without a mark; edits are announced.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setScores({"1", "2.5", "3"}, {false, true});
        QCOMPARE(changed.size(), 1);
        QCOMPARE(model.data(model.index(1, 6)).toString(), QStringLiteral("2.5"));
        QCOMPARE(model.data(model.index(1, 6), Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
        QVERIFY(!model.data(model.index(0, 6), Qt::ForegroundRole).isValid());
        model.insertScoreAt(0);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().at(0).toModelIndex().row(), 0);
        QCOMPARE(changed.last().at(1).toModelIndex().row(), 3);

        // The rows of the cell-size grid: level columns headed by the factors, shaded.
        model.reset(GridRows::cells(makeDesign({{"A", 2}, {"B", 2}}), {1, 2, 1, 1}, "Cell Size"));
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(model.scoreColumn(), 2);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("A"));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Cell Size"));
        QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("2"));
        QVERIFY(model.data(model.index(2, 0), Qt::BackgroundRole).isValid());
        QVERIFY(!model.anyScore());
    }

    void typingGoesToTheScoreAndWidensTheColumn()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 3}}));
        h.goTo(0);
        h.type(QStringLiteral("12.5a"));
        QCOMPARE(h.model().text(0), std::string("12.5"));
        QVERIFY(h.state.file.dataChanged());
        h.enter();
        QCOMPARE(h.row(), 1);
        // Typing into a label column goes to the score (what each key does: scoreentry_test).
        h.view()->setCurrentIndex(h.model().index(2, 1));
        h.type(QStringLiteral("7"));
        QCOMPARE(h.model().text(2), std::string("7"));
        QCOMPARE(h.view()->currentIndex().column(), 4);
        // A long score widens the column so nothing is cut off.
        h.goTo(5);
        const int before = h.view()->columnWidth(4);
        h.type(QStringLiteral("1234567890123456789"));
        QVERIFY(h.view()->columnWidth(4) > before);
    }

    // What each key does to an entry: scoregrid_test; here each key path reaches it.
    void aReachedCellIsTypedOverAndF2EditsInPlace()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 3}}));
        h.fill({"18.00", "5", "3", "4.5"});
        // A click, then 7 and 5: the 7 replaces the score, the 5 goes behind it.
        QTest::mouseClick(h.view()->viewport(), Qt::LeftButton, {},
                          h.view()->visualRect(h.model().index(0, h.model().scoreColumn())).center());
        h.type(QStringLiteral("75"));
        QCOMPARE(h.model().text(0), std::string("75"));
        // F2 edits in place, with the cursor behind the text.
        h.goTo(0);
        h.fill({"18.00", "5", "3", "4.5"});
        QTest::keyClick(h.view(), Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::qWait(10);
        QTest::keyClicks(editor, QStringLiteral("7"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(h.model().text(0), std::string("18.007"));
        QCOMPARE(h.row(), 1);  // Enter ends the edit and goes down, as after typing
        // An edit in place is checked as typing is: refused, the score stays.
        h.view()->setFocus();
        h.goTo(0);
        QTest::keyClick(h.view(), Qt::Key_F2);
        editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->setText(QStringLiteral("18a"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(h.model().text(0), std::string("18.007"));
        // Arrow to the next score, type 9, Escape: the 5 is back.
        h.view()->setFocus();
        h.goTo(0);
        QTest::keyClick(h.view(), Qt::Key_Down);
        h.type(QStringLiteral("9"));
        QCOMPARE(h.model().text(1), std::string("9"));
        QTest::keyClick(h.view(), Qt::Key_Escape);
        QCOMPARE(h.model().text(1), std::string("5"));
        // Backspace clears a reached score, Delete the selected ones.
        h.goTo(2);
        QTest::keyClick(h.view(), Qt::Key_Backspace);
        QCOMPARE(h.model().text(2), std::string(""));
        h.select(0);
        h.view()->selectionModel()->select(h.model().index(3, h.model().scoreColumn()), QItemSelectionModel::Select);
        QTest::keyClick(h.view(), Qt::Key_Delete);
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"", "5", "", "", "", ""}));
    }

    void undoAndRedoTakeBackClearAllAndTyping()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 3}}));
        h.goTo(0);
        h.type(QStringLiteral("12"));
        h.enter();
        h.type(QStringLiteral("3"));
        h.action("clearAllAction")->trigger();
        QVERIFY(!h.model().anyScore());
        QCOMPARE(h.window->statusBar()->currentMessage(),
                 QStringLiteral("All data cleared.  To bring them back, choose Undo or press Ctrl+Z."));
        QTest::keyClick(h.view(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"12", "3", "", "", "", ""}));
        h.action("undoAction")->trigger();
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"12", "", "", "", "", ""}));
        QTest::keyClick(h.view(), Qt::Key_Y, Qt::ControlModifier);
        QTest::keyClick(h.view(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!h.model().anyScore());
        QCOMPARE(h.action("undoAction")->text(), QStringLiteral("&Undo"));
        QCOMPARE(h.action("redoAction")->text(), QStringLiteral("Re&do"));
    }

    void ctrlCCopiesTheSelectionAndABlockPastesRowByRow()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 3}}));
        h.model().setScores({"1", "2", "3", "4.5"}, {false, false, true});
        h.select(1);
        QTest::keyClick(h.view(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(h.view(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(h.fake.clipboard.content.value_or(""), std::string("2\r\n3I\r\n"));

        // A spreadsheet's 3x4 block, row by row from the current cell; too many asks first.
        Harness big(makeDesign({{"A", 4}, {"B", 4}}));
        big.fake.clipboard.content = "1\t2\t3\t4\r\n5\t6\t7\t8\r\n9\t10\t11\t12\r\n";
        big.goTo(2);
        big.action("pasteAction")->trigger();
        QCOMPARE(big.model().text(2), std::string("1"));
        QCOMPARE(big.window->statusBar()->currentMessage(),
                 QStringLiteral("Pasted 12 scores row by row from the block, into rows 3 to 14."));
        big.goTo(14);
        big.fake.dialogs.messageAnswers = {DialogAnswer::No, DialogAnswer::Yes};
        big.action("pasteAction")->trigger();
        QCOMPARE(big.last().title, std::string("Paste"));
        QVERIFY(big.model().text(14).empty());
        big.action("pasteAction")->trigger();
        QCOMPARE(big.model().text(15), std::string("2"));
    }

    void dataOkUnlocksTheWayOnAndAnEditLocksIt()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 3}}));
        // "Data OK" with a gap: told, the cursor on the gap, the way on stays shut.
        h.fill({"1", "2", "", "4", "5", "6"});
        QVERIFY(!h.window->dataOk());
        QCOMPARE(h.titles(), std::vector<std::string>{"Data Entry Error!"});
        QCOMPARE(h.row(), 2);
        QVERIFY(!h.button("anovaDesignButton")->isEnabled());

        // Accepted: the scores in factorial order, the red ones counted, the way on open.
        h.fake.dialogs.clearRecord();
        h.model().setScores({"1", "2", "3", "4", "5.5", "-1"}, {false, true, false, false, true});
        QTest::mouseClick(h.button("dataOkButton"), Qt::LeftButton);
        QVERIFY(h.fake.dialogs.messages.empty());
        QCOMPARE(h.state.data.scores(), (Scores{1, 2, 3, 4, 5.5f, -1}));
        QCOMPARE(h.state.design.design.imputedCount, 2);
        QCOMPARE(h.window->statusBar()->currentMessage(), QStringLiteral("Data OK: 6 scores accepted."));
        QTest::mouseClick(h.button("anovaDesignButton"), Qt::LeftButton);
        QCOMPARE(h.anovaDesign, 1);

        // Any edit locks the way on again.
        h.goTo(0);
        h.type(QStringLiteral("0"));
        QVERIFY(!h.button("anovaDesignButton")->isEnabled());
        QVERIFY(!h.state.data.accepted());
    }

    void markingImputedNeedsASelectionAndLocksTheWayOn()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 2}}));
        h.fill({"1", "2", "3", "4"});
        QVERIFY(h.window->dataOk());
        h.view()->clearSelection();
        h.action("imputedAction")->trigger();
        QCOMPARE(h.last().title, std::string("Wait"));
        QVERIFY(h.button("anovaDesignButton")->isEnabled());
        h.select(0);
        h.action("imputedAction")->trigger();
        QVERIFY(h.model().imputed(0));
        QVERIFY(!h.button("anovaDesignButton")->isEnabled());
    }

    // Which scores are asked about and what each answer does: outliers_test and the DataOk case
    // of scoregrid_test; here "Data OK" asks, and No puts the cursor on the score.
    void outlierQuestionOnDataOk()
    {
        std::vector<std::string> texts(19, "10");
        texts.push_back("500");
        Harness h(makeDesign({{"A", 4}, {"B", 5}}));
        h.fill(texts);
        h.state.file.changed();
        h.fake.dialogs.messageAnswers = {DialogAnswer::No};
        QVERIFY(!h.window->dataOk());
        QCOMPARE(h.titles(), std::vector<std::string>{"Possible Data Entry Error?"});
        QCOMPARE(h.row(), 19);
        QVERIFY(!h.button("anovaDesignButton")->isEnabled());
    }

    void pasteAndCopyReachTheClipboard()
    {
        // What a paste refuses and how it reads the text: scoregrid_test and scoreentry_test.
        Harness h(makeDesign({{"A", 2}, {"B", 3}}));
        auto& clip = h.fake.clipboard;
        h.goTo(0);
        h.action("pasteAction")->trigger();
        QCOMPARE(h.last().text, std::string("The clipboard is empty!"));

        // From row 2 on, a score marked "I" red.
        clip.content = " 3 \r\n4.5\r\n-5\r\n6I\r\n";
        h.goTo(2);
        h.fake.dialogs.clearRecord();
        h.action("pasteAction")->trigger();
        QVERIFY(h.fake.dialogs.messages.empty());
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"", "", "3", "4.5", "-5", "6"}));
        QVERIFY(h.model().imputed(5) && !h.model().imputed(4));
        QVERIFY(h.state.file.dataChanged());

        // Copy: one score per line, as shown, the imputed one with its "I".
        h.action("copyAction")->trigger();
        QCOMPARE(clip.content.value_or(""), std::string("\r\n\r\n3\r\n4.5\r\n-5\r\n6I\r\n"));
    }

    void insertAndRemoveNeedOneSelectedScore()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 3}}));
        h.fill({"", "", "3", "4.5", "-5", "6"});
        h.view()->clearSelection();
        h.action("insertAction")->trigger();
        h.action("removeAction")->trigger();
        QCOMPARE(h.fake.dialogs.messageTexts(),
                 (std::vector<std::string>{"You must select a score before which the new score will be inserted.",
                                           "You must select a score to be removed."}));
        h.select(2);
        h.action("insertAction")->trigger();
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"", "", "", "3", "4.5", "-5"}));
        h.action("removeAction")->trigger();
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"", "", "3", "4.5", "-5", ""}));
        h.action("clearAllAction")->trigger();
        QVERIFY(!h.model().anyScore());
        QCOMPARE(h.row(), 0);
    }

    void saveAndOpenMenusReachTheFiles()
    {
        // Refusals, retries and naming conflicts: scoregrid_test.
        Harness h(makeDesign({{"Drug", 2}, {"Time", 2}}), "Pilot");
        h.model().setScores({"1", "12.5", "-3", "4"}, {false, true});
        const std::string file = h.path("pilot.dat");
        h.fake.dialogs.saveAnswers = {file};
        h.action("saveAction")->trigger();
        QCOMPARE(readAll(file), std::string("1\r\n12.5I\r\n-3\r\n4\r\n"));
        QCOMPARE(h.window->findChild<QLabel*>(QStringLiteral("savingLabel"))->text(),
                 QStringLiteral("   Saving ") + QString::fromStdString(file));
        QTRY_VERIFY(h.view()->isVisible());
        QVERIFY(h.state.file.dataSaved() && !h.state.file.dataChanged());
        QCOMPARE(h.window->statusBar()->currentMessage(), QStringLiteral("Saved to %1.").arg(QString::fromStdString(file)));
        // Saving keeps the history; undoing back to the saved scores makes them saved again.
        h.goTo(0);
        h.type(QStringLiteral("7"));
        QVERIFY(h.state.file.dataChanged());
        h.action("undoAction")->trigger();
        QCOMPARE(h.model().text(0), std::string("1"));
        QVERIFY(h.state.file.dataSaved() && !h.state.file.dataChanged());
        QCOMPARE(h.state.file.currentFileName(), file);

        // Opened in a fresh grid of the same design: the red score kept, the cursor on the last.
        Harness g(makeDesign({{"Drug", 2}, {"Time", 2}}), "Pilot");
        g.state.recentFiles = h.state.recentFiles;
        g.fake.dialogs.openAnswers = {file};
        g.action("openAction")->trigger();
        QVERIFY(g.fake.dialogs.messages.empty());
        QCOMPARE(g.model().texts(), (std::vector<std::string>{"1", "12.5", "-3", "4"}));
        QCOMPARE(g.row(), 3);
        QVERIFY(!g.window->leadingOnEnabled());
        QVERIFY(g.window->dataOk());
        QCOMPARE(g.state.design.design.imputedCount, 1);
    }

    void printsEveryRowToPdf()
    {
        Design d = makeDesign({{"Drug", 2}, {"Time", 3}});
        d.factors[1].levelLabels = {"am", "pm", "ev"};
        Harness h(d, "Sleep study");
        h.state.design.labelsInUse = true;
        h.open();
        h.model().setScores({"1", "2", "3.25", "4", "5", "66"}, {});
        QFile::remove(QString::fromStdString(h.fake.printer.pdfPath));
        h.action("printAction")->trigger();
        QCOMPARE(h.fake.printer.dialogTitles, std::vector<std::string>{"Print Data"});
        const std::string text = pdfText(h.fake.printer.pdfPath, true);
        if (text.empty())
            QSKIP("pdftotext is not available");
        const QString simple = QString::fromStdString(text).simplified();
        QVERIFY2(simple.startsWith(QStringLiteral("Sleep study Raw Data Drug 1 Time am 1 Drug 2 Time am 2 Drug 1 Time pm 3.25")),
                 qPrintable(simple));
        QVERIFY(simple.endsWith(QStringLiteral("Drug 2 Time ev 66")));
    }

    void largestGridPastesScrollsAndEdits()
    {
        Harness big(makeDesign({{"A", 2}, {"B", 16}, {"C", 511}}));
        big.fake.clipboard.content = std::string();
        for (int i = 0; i < 16352; ++i)
            *big.fake.clipboard.content += std::to_string(i % 97) + "\n";
        big.goTo(0);
        big.action("pasteAction")->trigger();
        big.goTo(16351);
        QApplication::processEvents();
        QVERIFY(big.view()->verticalScrollBar()->value() > 16000);
        big.type(QStringLiteral("5"));
        QCOMPARE(big.model().text(16351), std::string("5"));  // a cell reached anew is typed over
        big.state.data.outlierCheck = false;
        QVERIFY(big.window->dataOk());
        QCOMPARE(big.state.data.scores().size(), std::size_t(16352));
    }

    void recentFileOpensTheGridAndRestartAsks()
    {
        QTemporaryDir folder;
        const std::string file = (folder.path() + QStringLiteral("/recent.dat")).toStdString();
        writeFile(file, "1\r\n2\r\n3\r\n4.5I\r\n");
        FakePlatform fake;
        fake.dialogs.messageFallback = DialogAnswer::Cancel;
        RecentFileList list;
        list.entries.push_back(RecentFileRecord{file, "Recall", {"Age", "Sex"}, {2, 2}, false, {}});
        QVERIFY(list.write(fake.settings));
        Application::Options options;
        options.quit = [] {};
        Application app(fake.platform(), options);
        app.start();
        MainWindow* main = app.mainWindow();

        // A recent file opens the grid with its design, its label and its red score.
        main->findChild<QAction*>(QStringLiteral("recentFile1"))->trigger();
        DataEntryWindow* grid = app.dataEntryWindow();
        QVERIFY(grid && grid->isVisible());
        QVERIFY(!main->isVisible());
        QCOMPARE(grid->windowTitle(), QStringLiteral("Data Entry Grid for Recall:"));
        QVERIFY(grid->model().imputed(3));

        // Changed: Restart asks; Cancel at the first question stays with everything as it was.
        grid->model().setScore(0, "9", false);
        app.state().file.changed();
        fake.dialogs.clearRecord();
        fake.dialogs.messageAnswers = {DialogAnswer::Cancel};
        QTest::mouseClick(grid->findChild<QPushButton*>("restartButton"), Qt::LeftButton);
        QCOMPARE(fake.dialogs.messageTitles(), std::vector<std::string>{"Restart"});
        QCOMPARE(fake.dialogs.lastMessage().message.buttons, MessageButtons::YesNoCancel);
        QVERIFY(app.dataEntryWindow() == grid && grid->isVisible());
        QCOMPARE(grid->model().text(0), std::string("9"));
        QVERIFY(app.state().file.dataChanged());
        // No and No leave for a fresh main window, the file untouched.
        fake.dialogs.clearRecord();
        fake.dialogs.messageAnswers = {DialogAnswer::No, DialogAnswer::No};
        QTest::mouseClick(grid->findChild<QPushButton*>("restartButton"), Qt::LeftButton);
        QCOMPARE(fake.dialogs.messageTitles(), (std::vector<std::string>{"Restart", "Restart"}));
        QVERIFY(!app.dataEntryWindow());
        QVERIFY(app.mainWindow() != main && app.mainWindow()->isVisible());
        QVERIFY(!app.state().file.leaveAnswered());
        QCOMPARE(readAll(file), std::string("1\r\n2\r\n3\r\n4.5I\r\n"));
    }

    void closingATypedGridAsksAsExit()
    {
        FakePlatform fake;
        fake.dialogs.messageFallback = DialogAnswer::Cancel;
        int quits = 0;
        Application::Options options;
        options.quit = [&] { ++quits; };
        Application app(fake.platform(), options);
        app.start();
        QTest::mouseClick(app.mainWindow()->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QTest::mouseClick(app.mainWindow()->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QTest::mouseClick(app.mainWindow()->findChild<QPushButton*>("proceedButton"), Qt::LeftButton);
        DataEntryWindow* grid = app.dataEntryWindow();
        QVERIFY(grid && grid->isVisible());
        grid->model().setScore(0, "3", false);
        // Cancel stays; No quits.
        fake.dialogs.clearRecord();
        fake.dialogs.messageAnswers = {DialogAnswer::Cancel, DialogAnswer::No};
        grid->close();
        QCOMPARE(fake.dialogs.lastMessage().message.title, std::string("Exit"));
        QVERIFY(quits == 0 && grid->isVisible());
        grid->close();
        QCOMPARE(quits, 1);
    }
};

QTEST_MAIN(DataEntryWindowTest)
#include "dataentrywindow_test.moc"
