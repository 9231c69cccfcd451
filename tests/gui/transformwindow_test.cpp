// SPDX-License-Identifier: GPL-3.0-or-later
// The "Data Transformation" and "Screen Data" windows driven as a user drives them, on their
// own with the session's parts, and from the grid of the desktop program and back.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

#include "app/application.h"
#include "data/dataentrywindow.h"
#include "data/scoregrid.h"
#include "data/screenwindow.h"
#include "data/scoremodel.h"
#include "data/transformwindow.h"
#include "design/mainwindow.h"
#include "platform/helpviewer.h"
#include "support/guitest.h"

using namespace varisect;
using namespace varisect::test;

namespace {

// A window of type W on accepted scores, with its hand-overs counted.
template <typename W>
struct Harness {
    FakePlatform fake;
    Session state;
    int changes = 0;
    int finished = 0;
    std::unique_ptr<W> window;

    explicit Harness(Scores scores)
    {
        state.data.accept(std::move(scores));
        WorkingDataHandOver h;
        h.scoresChanged = [this] { ++changes; };
        h.finished = [this] { ++finished; };
        window = std::make_unique<W>(WorkingDataParts{state.data, state.file}, shellContext(fake), std::move(h));
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("the window was not shown");
    }

    template <typename T = QAbstractButton>
    T* get(const char* name) const { return child<T>(window.get(), name); }
    void press(const char* name) { click(get(name)); }
    // Types `text` into the box `name` (replacing what it held) and presses Enter there.
    void enter(const char* box, const char* text)
    {
        auto* edit = get<QLineEdit>(box);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromUtf8(text));
        QTest::keyClick(edit, Qt::Key_Return);
    }
    const Scores& scores() const { return state.data.scores(); }
    std::vector<std::string> titles() const { return fake.dialogs.messageTitles(); }
};

// The window of type W that is on the screen, or null.
template <typename W>
W* shown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<W*>(w); found && found->isVisible())
            return found;
    return nullptr;
}

// The desktop program up to its grid: 12 scores typed (the sixth imputed) and accepted.
struct GridWalk {
    QTemporaryDir folder;
    FakePlatform fake{folder.filePath(QStringLiteral("data.pdf")).toStdString()};
    int quits = 0;
    Application app{fake.platform(), {"", 800, [this] { ++quits; }}};
    DataEntryWindow* grid = nullptr;

    GridWalk()
    {
        app.start();
        MainWindow* main = app.mainWindow();
        main->activateWindow();
        if (!QTest::qWaitForWindowActive(main))
            qFatal("the main window did not become active");
        answerDesignQuestions(main, {{"Dose", 3}, {"Time", 2}, {"Rep", 2}});
        click(child<QPushButton>(main, "proceedButton"));
        grid = app.dataEntryWindow();
        if (!grid || !fake.dialogs.messages.empty())
            return;
        std::vector<std::string> typed;
        for (int i = 1; i <= 12; ++i)
            typed.push_back(std::to_string(i));
        grid->model().setScores(typed, {false, false, false, false, false, true});
        click(child<QPushButton>(grid, "dataOkButton"));
    }

    // "Data &Transformation": the scores halved, then their natural log; the window finished.
    void halveAndLog()
    {
        click(child<QPushButton>(grid, "transformButton"));
        auto* transform = shown<TransformWindow>();
        QVERIFY(transform && transform->isVisible());
        QVERIFY(grid->isVisible() && !grid->isEnabled());
        click(child<QAbstractButton>(transform, "multiplyOption"));
        auto* box = child<QLineEdit>(transform, "constantBox");
        QTest::keyClicks(box, QStringLiteral("0.5"));
        QTest::keyClick(box, Qt::Key_Return);
        click(child<QAbstractButton>(transform, "logOption"));
        click(child<QAbstractButton>(transform, "ApplyButton"));
        // Shown as "#0.00#" at once; the imputed mark stays.
        const std::vector<std::string> texts = grid->model().texts();
        QCOMPARE(std::vector<std::string>(texts.begin(), texts.begin() + 6),
                 (std::vector<std::string>{"-0.693", "0.00", "0.405", "0.693", "0.916", "1.099"}));
        QVERIFY(grid->model().imputed(5));
        QVERIFY(child<QLabel>(transform, "logNote")->text().contains(QStringLiteral("natural logarithm")));
        QCOMPARE(child<QLabel>(transform, "stepsApplied")->text(),
                 QStringLiteral("Applied since Data OK: multiplied by 0.5, then natural log."));
        click(child<QPushButton>(transform, "FinishedButton"));
        QTRY_VERIFY(grid->isEnabled() && !shown<TransformWindow>());
    }
};

// A step of a walk that checks as it goes: the test stops at its first failure.
#define STEP(call) do { call; if (QTest::currentTestFailed()) return; } while (false)

bool noOptionChecked(QWidget* window)
{
    for (QRadioButton* b : window->findChildren<QRadioButton*>())
        if (b->isChecked())
            return false;
    return true;
}

}  // namespace

class TransformWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void transformationsApplyOneAtATimeAndRevert()
    {
        Harness<TransformWindow> h({0, 1, 2.5f, 3});
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Data Transformation"));
        QVERIFY(!h.get("ApplyButton")->isEnabled());

        // A logarithm of a 0: offered help (No the default), and the choice is cleared.
        h.fake.dialogs.messageAnswers = {DialogAnswer::Yes};
        h.press("logOption");
        QCOMPARE(h.titles(), std::vector<std::string>{"Transformation Halted!"});
        QCOMPARE(h.fake.dialogs.lastMessage().defaultButton, std::optional(DialogAnswer::No));
        QCOMPARE(h.fake.help.contexts, std::vector<int>{kHelpTransformData});
        QVERIFY(noOptionChecked(h.window.get()));
        QCOMPARE(h.window->chosen(), Transformation::None);
        QVERIFY(!h.get("ApplyButton")->isEnabled());

        // Add 1 (Enter in the box applies), then the logarithm: ln(x + 1).
        h.press("addOption");
        QCOMPARE(h.get<QLabel>("constantLabel")->text(), QStringLiteral("Enter constant:"));
        QVERIFY(h.get<QLineEdit>("constantBox")->isVisible());
        h.enter("constantBox", "1");
        QCOMPARE(h.scores(), (Scores{1, 2, 3.5f, 4}));
        QVERIFY(h.state.data.transformed() && h.state.file.dataChanged());
        QCOMPARE(h.state.data.steps(), std::vector<std::string>{"1 added"});  // for the table's legend
        h.press("logOption");
        QVERIFY(!h.get<QLineEdit>("constantBox")->isVisible());
        h.press("ApplyButton");
        QCOMPARE(h.scores(), (Scores{0, float(std::log(2.0)), float(std::log(3.5)), float(std::log(4.0))}));
        QCOMPARE(h.changes, 2);

        // The zero power asks first; No leaves the scores, Yes makes them all 1.
        h.press("powerOption");
        QCOMPARE(h.get<QLabel>("constantLabel")->text(), QStringLiteral("Enter exponent:"));
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.messageAnswers = {DialogAnswer::No, DialogAnswer::Yes};
        h.enter("constantBox", "0");
        QCOMPARE(h.titles(), std::vector<std::string>{"Wait"});
        QCOMPARE(h.changes, 2);
        h.press("ApplyButton");
        QCOMPARE(h.scores(), (Scores{1, 1, 1, 1}));

        // Revert: the OK'd scores, no longer marked transformed; data changed stays.
        h.press("CancelButton");
        QCOMPARE(h.scores(), (Scores{0, 1, 2.5f, 3}));
        QVERIFY(!h.state.data.transformed() && h.state.file.dataChanged());

        // Rank order of the OK'd scores; the close button finishes like "Fi&nished".
        h.press("rankOption");
        h.press("ApplyButton");
        QCOMPARE(h.scores(), (Scores{1, 2, 3, 4}));
        h.window->close();
        h.press("FinishedButton");
        QCOMPARE(h.finished, 2);
    }

    // Which results and constants are refused: transform_test; here the OK'd data come back.
    void overflowAndBadConstantsKeepTheDataSound()
    {
        Harness<TransformWindow> h({-2, 5, 40});
        h.press("multiplyOption");
        h.enter("constantBox", "10");
        h.fake.dialogs.clearRecord();
        // 400 to the 30th power is beyond single precision: told, and the OK'd data come back.
        h.press("powerOption");
        h.enter("constantBox", "30");
        QCOMPARE(h.titles(), std::vector<std::string>{"Program Limitation!"});
        QCOMPARE(h.scores(), (Scores{-2, 5, 40}));
        QCOMPARE(h.changes, 2);
        QVERIFY(!h.state.data.transformed());
        // A constant beyond single precision: told, nothing changes.
        h.fake.dialogs.clearRecord();
        h.enter("constantBox", "1e39");
        QCOMPARE(h.titles(), std::vector<std::string>{"Program Limitation!"});
        QVERIFY(h.fake.dialogs.lastMessage().message.text.find("value entered is too large") != std::string::npos);
        QCOMPARE(h.changes, 2);
        // Letters cannot be typed into the box.
        h.get<QLineEdit>("constantBox")->clear();
        QTest::keyClicks(h.get<QLineEdit>("constantBox"), QStringLiteral("2x"));
        QCOMPARE(h.get<QLineEdit>("constantBox")->text(), QStringLiteral("2"));
    }

    void screensReplaceWithLimitsExcluded()
    {
        Harness<ScreenWindow> h({0.5f, 1, 3, 5, 6});
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Screen Data"));
        QVERIFY(!h.get("ApplyButton")->isEnabled());
        QVERIFY(!h.get<QLineEdit>("upperBox")->isVisible());

        h.press("betweenOption");
        QCOMPARE(h.get<QLabel>("valueLabel")->text(), QStringLiteral(">"));
        QVERIFY(h.get<QLineEdit>("upperBox")->isVisible());
        // Enter in a box that holds a value applies: the limits are reversed until the upper one
        // is entered. Enter in an empty box does nothing.
        h.enter("valueBox", "5");
        h.enter("upperBox", "1");
        QCOMPARE(h.titles(), (std::vector<std::string>{"Limits Reversed!", "Limits Reversed!"}));
        QCOMPARE(h.changes, 0);
        QVERIFY(!h.state.file.dataChanged());
        h.get<QLineEdit>("replacementBox")->setFocus();
        QTest::keyClick(h.get<QLineEdit>("replacementBox"), Qt::Key_Return);
        QCOMPARE(h.titles().size(), std::size_t{2});

        h.fake.dialogs.clearRecord();
        h.get<QLineEdit>("valueBox")->setText(QStringLiteral("1"));
        h.get<QLineEdit>("upperBox")->setText(QStringLiteral("5"));
        h.enter("replacementBox", "-9");
        QCOMPARE(h.scores(), (Scores{0.5f, 1, -9, 5, 6}));
        QVERIFY(h.titles().empty());
        QVERIFY(h.state.data.transformed() && h.state.file.dataChanged());

        // "=" hides the upper box; a screen that matches nothing still counts as applied.
        h.press("equalOption");
        QCOMPARE(h.get<QLabel>("valueLabel")->text(), QStringLiteral("="));
        QVERIFY(!h.get<QLineEdit>("upperBox")->isVisible());
        h.enter("valueBox", "100");
        QCOMPARE(h.changes, 2);
        h.press("CancelButton");
        QCOMPARE(h.scores(), (Scores{0.5f, 1, 3, 5, 6}));
        h.press("FinishedButton");
        QCOMPARE(h.finished, 1);
    }

    // From the grid and back: the grid waits while the window is open and shows the scores as
    // they change, rounded, with the imputed mark kept.
    void theGridHandsOverAndShowsTheNewScores()
    {
        GridWalk g;
        QVERIFY(g.grid && g.grid->leadingOnEnabled());
        STEP(g.halveAndLog());
        QVERIFY(g.grid->leadingOnEnabled());
    }

    // Each transformation is one step of the grid's undo history; undone, the scores before it
    // are back, accepted as they were, and the table's legend no longer names it.
    void eachTransformationIsAnUndoStep()
    {
        GridWalk g;
        QVERIFY(g.grid);
        STEP(g.halveAndLog());
        DataEntryWindow* grid = g.grid;
        const Session& state = g.app.state();
        grid->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(grid));
        QTest::keyClick(grid->view(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(grid->model().text(2), std::string("1.50"));
        QCOMPARE(state.data.scores()[2], 1.5f);
        QCOMPARE(state.data.steps(), std::vector<std::string>{"multiplied by 0.5"});
        QVERIFY(grid->leadingOnEnabled());
        QTest::keyClick(grid->view(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(grid->model().text(2), std::string("3"));
        QVERIFY(!state.data.transformed() && state.data.steps().empty());
        QVERIFY(grid->leadingOnEnabled());
        grid->grid().redo();
        grid->grid().redo();
        QCOMPARE(grid->model().text(0), std::string("-0.693"));
        QCOMPARE(state.data.steps().size(), std::size_t(2));
        QVERIFY(grid->leadingOnEnabled());

        // "Data OK" again accepts the scores at full precision rather than the rounded texts.
        click(child<QPushButton>(grid, "dataOkButton"));
        QCOMPARE(state.data.okScores()[2], float(std::log(1.5)));
        QVERIFY(state.data.transformed() && state.file.dataChanged());
    }

    // The screen window the same way; its revert brings back the scores "Data OK" accepted (here
    // the transformed ones), and is a step of its own. Printed, they are the transformed data.
    void theScreenWindowFromTheGridAndItsRevert()
    {
        GridWalk g;
        QVERIFY(g.grid);
        STEP(g.halveAndLog());
        DataEntryWindow* grid = g.grid;
        click(child<QPushButton>(grid, "dataOkButton"));
        click(child<QPushButton>(grid, "screenButton"));
        auto* screen = shown<ScreenWindow>();
        QVERIFY(screen && !grid->isEnabled());
        click(child<QAbstractButton>(screen, "lessOption"));
        auto* value = child<QLineEdit>(screen, "valueBox");
        QTest::keyClicks(value, QStringLiteral("0"));
        QTest::keyClick(value, Qt::Key_Return);
        QCOMPARE(grid->model().text(0), std::string("0.00"));
        QCOMPARE(child<QLabel>(screen, "replacedCount")->text(), QStringLiteral("1 score replaced."));
        click(child<QPushButton>(screen, "CancelButton"));
        QCOMPARE(grid->model().text(0), std::string("-0.693"));
        QCOMPARE(child<QLabel>(screen, "stepsApplied")->text(), QStringLiteral("Nothing applied since Data OK."));
        screen->close();
        QTRY_VERIFY(grid->isEnabled() && !shown<ScreenWindow>());
        grid->grid().undo();
        QCOMPARE(grid->model().text(0), std::string("0.00"));
        QVERIFY(g.app.state().data.steps().back().starts_with("values below 0"));
        grid->grid().redo();
        QCOMPARE(grid->model().text(0), std::string("-0.693"));
        QCOMPARE(g.quits, 0);

        grid->printData();
        const std::string printed = pdfText(g.fake.printer.pdfPath);
        if (printed.empty())
            QSKIP("pdftotext is not available");
        QVERIFY(printed.find("Transformed Data") != std::string::npos);
        QVERIFY(printed.find("Raw Data") == std::string::npos);
    }
};

QTEST_MAIN(TransformWindowTest)
#include "transformwindow_test.moc"
