// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a user drives it: clicks, keys and menu items, with the dialogs
// answered from a script.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWhatsThis>

#include <fstream>
#include <memory>

#include "app/application.h"
#include "data/dataentrywindow.h"
#include "support/guitest.h"
#include "design/mainwindow.h"
#include "design/levellabelswindow.h"
#include "session/preferences.h"
#include "session/recentfiles.h"

using namespace varisect;

namespace {

const QString kGenericA = QStringLiteral("A   (Click here to replace this generic factor name)");

// A main window on fake surroundings, with the hand-overs counted.
struct Harness {
    FakePlatform fake;
    Session state;
    int dataEntry = 0, anovaDesign = 0, exits = 0;
    std::vector<int> recentChosen;
    std::unique_ptr<MainWindow> window;

    void open()
    {
        MainWindowHandOver h{[this] { ++dataEntry; }, [this] { ++anovaDesign; },
                             [this](int entry) { recentChosen.push_back(entry); }, {}};
        MainWindowParts parts{{state.design, state.mode, state.preferences, state.recentFiles, state.file,
                               [this] { state.restart(); }},
                              state.data};
        window = std::make_unique<MainWindow>(std::move(parts), test::shellContext(fake, &exits), std::move(h));
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    template <typename T>
    T* child(const char* name) const { return window->findChild<T*>(QString::fromUtf8(name)); }
    QLineEdit* box(const char* name) const { return child<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    QAction* action(const char* name) const { return child<QAction>(name); }
    QString text(const char* label) const { return child<QLabel>(label)->text(); }
    void click(const char* button) { QTest::mouseClick(this->button(button), Qt::LeftButton); }

    // Clicks into the number of factors (which empties it) and types the number.
    void typeFactorCount(const QString& n)
    {
        QTest::mouseClick(box("factorCountBox"), Qt::LeftButton);
        QTest::keyClicks(box("factorCountBox"), n);
    }
    // Replaces the levels, presses Enter, clicks into the name (which empties it), types it and
    // presses Enter, which presses OK.
    void enterFactor(const QString& levels, const QString& name)
    {
        QTest::keyClick(box("levelsBox"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box("levelsBox"), levels);
        QTest::keyClick(box("levelsBox"), Qt::Key_Return);
        QTest::mouseClick(box("nameBox"), Qt::LeftButton);
        QTest::keyClicks(box("nameBox"), name);
        QTest::keyClick(box("nameBox"), Qt::Key_Return);
    }
    std::vector<std::string> titles() const { return fake.dialogs.messageTitles(); }
    std::vector<std::string> texts() const { return fake.dialogs.messageTexts(); }
};

QString menuCaptions(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            out << a->text();
    return out.join(QLatin1Char('|'));
}

// No text of a visible label or button is cut off.
void expectNothingCutOff(QWidget* window)
{
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || !(qobject_cast<QLabel*>(w) || qobject_cast<QPushButton*>(w)))
            continue;
        QVERIFY2(w->width() >= w->sizeHint().width() && w->height() >= w->minimumSizeHint().height(),
                 qPrintable(w->objectName() + QStringLiteral(" is cramped")));
    }
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // What the end-to-end walk does not look at: the generic name, the questions for the next
    // factor, the name's capital, the problem label and the way back to adjust.
    void factorQuestionsAndTheWayBack()
    {
        Harness h;
        h.open();
        QCOMPARE(h.box("nameBox")->text(), kGenericA);
        QCOMPARE(h.box("nameBox")->palette().color(QPalette::Text), QColor(255, 0, 0));
        QTest::keyClicks(h.box("problemLabelBox"), QStringLiteral("Pilot study"));
        h.enterFactor(QStringLiteral("2"), QStringLiteral("drug"));
        QCOMPARE(h.text("levelsQuestion"), QStringLiteral("How many levels are there in Factor 2?"));
        // Enter from the levels box leaves the generic name behind; a typed name shows black.
        QTest::keyClick(h.box("levelsBox"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(h.box("levelsBox"), QStringLiteral("3"));
        QTest::keyClick(h.box("levelsBox"), Qt::Key_Return);
        QCOMPARE(h.box("nameBox")->text(), QString());
        QTest::keyClicks(h.box("nameBox"), QStringLiteral("Time"));
        QCOMPARE(h.box("nameBox")->palette().color(QPalette::Text), QColor(0, 0, 0));
        h.click("okButton");
        h.click("proceedButton");
        QCOMPARE(h.dataEntry, 1);
        QCOMPARE(h.state.design.design.factors[0].name, std::string("Drug"));
        QCOMPARE(h.state.design.design.scoreCount(), 6L);
        QCOMPARE(h.state.design.problemLabel, std::string("Pilot study"));
        h.click("adjustButton");
        QCOMPARE(h.text("levelsQuestion"), QStringLiteral("How many levels are there in Factor 1?"));
        QCOMPARE(h.box("nameBox")->text(), QStringLiteral("Drug"));
    }

    // Limits: more than 8 factors, a letter in a number box, Enter on the emptied box, the box
    // left empty, too many scores; each told to the user where it happens (which texts are
    // refused and their messages: designquestions_test).
    void limitsAreToldWhereTheyHappen()
    {
        Harness h;
        h.open();
        h.typeFactorCount(QStringLiteral("2"));
        h.fake.dialogs.clearRecord();
        h.typeFactorCount(QStringLiteral("9"));
        QCOMPARE(h.texts(), std::vector<std::string>{"Sorry, the program only accommodates 8 factors."});
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("2"));
        h.fake.dialogs.clearRecord();
        QTest::keyClicks(h.box("factorCountBox"), QStringLiteral("x"));
        QCOMPARE(h.titles(), std::vector<std::string>{"Error!"});
        QVERIFY(!h.button("okButton")->isEnabled());
        QTest::keyClick(h.box("factorCountBox"), Qt::Key_Return);
        QCOMPARE(h.fake.dialogs.messages.size(), std::size_t(2));
        h.box("problemLabelBox")->setFocus(Qt::TabFocusReason);
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("2"));
        QVERIFY(h.button("okButton")->isEnabled());
        // 128 x 128 levels are too many scores; 16 x 1022 = 16352 are accepted.
        h.fake.dialogs.clearRecord();
        h.enterFactor(QStringLiteral("128"), QStringLiteral("Drug"));
        h.enterFactor(QStringLiteral("128"), QStringLiteral("Time"));
        QCOMPARE(h.texts(), std::vector<std::string>{
                                "You have specified 16384 scores, but the maximum allowed by the program is 16352 scores."});
        h.typeFactorCount(QStringLiteral("2"));
        h.enterFactor(QStringLiteral("16"), QStringLiteral("Drug"));
        h.enterFactor(QStringLiteral("1022"), QStringLiteral("Time"));
        QCOMPARE(h.text("confirmation"), QStringLiteral("The program is expecting 16352 scores.  Is that correct?"));
    }

    // The arrows stop at 8 without a message; at 1 factor nothing can be entered.
    void theFactorCountArrowsStopAtTheLimits()
    {
        Harness h;
        h.open();
        h.fake.dialogs.clearRecord();
        for (int i = 0; i < 8; ++i)
            QTest::mouseClick(h.child<QToolButton>("factorCountUp"), Qt::LeftButton);
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("8"));
        QVERIFY(h.fake.dialogs.messages.empty());
        for (int i = 0; i < 9; ++i)
            QTest::mouseClick(h.child<QToolButton>("factorCountDown"), Qt::LeftButton);
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("1"));
        QVERIFY(!h.button("okButton")->isEnabled() && !h.box("levelsBox")->isEnabled());
    }

    void unequalCellSizeModes()
    {
        Harness h;
        h.state.recentFiles.entries = {RecentFileRecord{"/tmp/x.dat", "", {"A", "B"}, {2, 2}, false, {}}};
        h.open();
        h.typeFactorCount(QStringLiteral("5"));
        h.action("attritionAction")->trigger();
        QCOMPARE(h.titles(), std::vector<std::string>{"Test for Random Attrition"});
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("3"));
        QCOMPARE(h.text("note"), QStringLiteral("(Include Replicates as a Factor)"));
        QVERIFY(!h.action("recentFile1")->isEnabled());

        // Unweighted means asks with No as the default (what each answer does: designquestions_test);
        // No switches it on next to the attrition test, and only one of the two shows its check mark.
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.messageAnswers = {DialogAnswer::No};
        h.action("unweightedAction")->trigger();
        QCOMPARE(h.titles(), std::vector<std::string>{"Unweighted Means Anova"});
        QCOMPARE(h.fake.dialogs.lastMessage().defaultButton, std::optional<DialogAnswer>(DialogAnswer::No));
        QVERIFY(h.action("unweightedAction")->isChecked() && !h.action("attritionAction")->isChecked());
        QVERIFY(h.state.mode.unweightedMeans && h.state.mode.randomAttritionTest);
        QVERIFY(h.action("recentFile1")->isEnabled());

        // Unequal group size: the question is about the factors (the number of scores is not
        // known yet), and the way on is the Anova design.
        h.action("groupSizeAction")->trigger();
        QCOMPARE(h.text("note"), QStringLiteral("(Include Subjects as a Factor)"));
        h.enterFactor(QStringLiteral("2"), QStringLiteral("Group"));
        h.enterFactor(QStringLiteral("3"), QStringLiteral("Trial"));
        h.enterFactor(QStringLiteral("6"), QStringLiteral("Subjects"));
        QCOMPARE(h.text("confirmation"), QStringLiteral("Are these factors and their levels correct?"));
        QVERIFY(h.child<QLabel>("confirmation")->isVisible());
        h.click("proceedButton");
        QCOMPARE(h.anovaDesign, 1);
        // The three comparison items exclude each other; Start Over leaves the unequal mode.
        h.action("trendTestsAction")->trigger();
        h.action("plannedComparisonsAction")->trigger();
        QVERIFY(!h.state.mode.trendTests && h.state.mode.plannedComparisons);
        h.action("postHocComparisonsAction")->trigger();
        QVERIFY(!h.state.mode.plannedComparisons && h.state.mode.postHocComparisons);
        QVERIFY(h.action("postHocComparisonsAction")->isChecked() && !h.action("plannedComparisonsAction")->isChecked());
        h.action("plannedComparisonsAction")->trigger();
        QVERIFY(!h.state.mode.postHocComparisons && h.state.mode.plannedComparisons);
        h.click("startOverButton");
        QVERIFY(!h.action("groupSizeAction")->isChecked() && !h.state.mode.unequalCellMode());
    }

    // The preferences are written at once, a new start reads them back and a restart keeps them.
    void preferencesPersistAcrossAStartAndARestart()
    {
        FakePlatform fake;
        Platform platform = fake.platform();
        int quits = 0;
        {
            Application app(platform, {"/opt/varisect/varisect", 800, [&] { ++quits; }});
            app.start();
            MainWindow* w = app.mainWindow();
            QVERIFY(w->findChild<QAction*>("outlierCheckAction")->isChecked());
            for (const char* item : {"useLabelsAction", "outlierCheckAction", "showFsAction", "runMaximizedAction",
                                     "exactPAction"})
                w->findChild<QAction*>(item)->trigger();
            QCOMPARE(fake.settings.read(kKeyUseLevelLabels) + fake.settings.read(kKeyOutlierCheck) +
                         fake.settings.read(kKeyShowFs) + fake.settings.read(kKeyRunMaximized) +
                         fake.settings.read(kKeyExactP),
                     std::string("TrueFalseTrueTrueTrue"));
            QVERIFY(app.state().preferences.exactPValues);
            QVERIFY(!app.state().data.outlierCheck);

            // A store that refuses the write: the user is told, the setting holds for this run.
            fake.settings.failWrites = true;
            w->findChild<QAction*>("showFsAction")->trigger();
            QCOMPARE(fake.dialogs.lastMessage().message.title, std::string("Preference not saved!"));
            QVERIFY(!app.state().preferences.showFsBelowOne);
            fake.settings.failWrites = false;

            w->findChild<QAction*>("exitAction")->trigger();
            QCOMPARE(quits, 1);
            QVERIFY(!w->isVisible());
            QCOMPARE(fake.help.calls.back(), std::string("close"));
        }
        Application again(platform, {"/opt/varisect/varisect", 1024, [] {}});
        again.start();
        MainWindow* w = again.mainWindow();
        QVERIFY(w->findChild<QAction*>("useLabelsAction")->isChecked());
        QVERIFY(!w->findChild<QAction*>("outlierCheckAction")->isChecked());
        QVERIFY(again.state().design.labelsInUse && !again.state().data.outlierCheck && again.state().preferences.showFsBelowOne);
        QVERIFY(w->windowState() & Qt::WindowMaximized);
        QCOMPARE(again.state().startup.screenScale, 0.96);

        // Restart: a fresh main window at its first question; the preferences kept.
        again.state().design.problemLabel = "old";
        again.state().mode.randomAttritionTest = true;
        again.state().design.labelsInUse = false;
        again.restart();
        MainWindow* second = again.mainWindow();
        QVERIFY(second != w && second->isVisible() && !w->isVisible());
        QVERIFY(again.state().design.problemLabel.empty() && !again.state().mode.randomAttritionTest);
        QVERIFY(again.state().design.labelsInUse);
        // Wholly on the screen's available area, and nothing in it cut off.
        QVERIFY(second->screen()->availableGeometry().contains(second->frameGeometry()));
        expectNothingCutOff(second);
    }

    // Labels in use: from the confirmation through the level labels window back, then to the grid.
    void labelsInUseLeadThroughTheLevelLabelsWindow()
    {
        Harness h;
        h.state.design.labelsInUse = true;
        h.open();
        h.click("okButton");
        h.click("okButton");
        h.click("proceedButton");
        LevelLabelsWindow* labels = h.window->levelLabelsWindow();
        QVERIFY(labels && labels->isVisible() && !h.window->isVisible());
        auto* entry = labels->findChild<QLineEdit*>(QStringLiteral("labelEntry"));
        for (const char* l : {"a", "b", "x", "y"}) {
            QTest::keyClicks(entry, QString::fromUtf8(l));
            QTest::keyClick(entry, Qt::Key_Return);
        }
        QTest::mouseClick(labels->findChild<QPushButton*>(QStringLiteral("finishedButton")), Qt::LeftButton);
        QVERIFY(!labels->isVisible() && h.window->isVisible());
        QCOMPARE(h.button("proceedButton")->text(), QStringLiteral("&Proceed to Data Entry"));
        QCOMPARE(h.state.design.design.factors[1].levelLabels, (std::vector<std::string>{"x", "y"}));
        h.click("proceedButton");
        QCOMPARE(h.dataEntry, 1);
    }

    void recentFileRestoresItsDesign()
    {
        QTemporaryDir dir;
        auto write = [&](const char* name, const char* content) {
            const std::string path = (dir.path() + QLatin1Char('/') + QLatin1String(name)).toStdString();
            std::ofstream(path) << content;
            return path;
        };
        const std::string one = write("one & two.dat", "1\r\n2\r\n3\r\n4\r\n");
        const std::string three = write("three.dat", "5\r\n");
        Harness h;
        h.state.recentFiles.entries = {{one, "", {"A", "B"}, {2, 2}, false, {}},
                                       {three, "Pilot", {"Drug", "Time", "Subjects"}, {2, 3, 5}, false, {}}};
        h.open();
        // The ampersand in a path is shown, not taken as a shortcut.
        QMenu* file = h.window->menuBar()->findChild<QMenu*>(QStringLiteral("fileMenu"));
        QCOMPARE(menuCaptions(file), QStringLiteral("&Import Data...|Export &Data...|&1 %1|&2 %2|E&xit Alt + F4")
                                         .arg(QString::fromStdString(one).replace("&", "&&"), QString::fromStdString(three)));

        // Chosen: the design shown as if typed, the way on handed the entry, recent files shut.
        h.action("recentFile2")->trigger();
        QVERIFY(h.fake.dialogs.messages.empty());
        QCOMPARE(h.recentChosen, std::vector<int>{2});
        QCOMPARE(h.box("problemLabelBox")->text(), QStringLiteral("Pilot"));
        QCOMPARE(h.text("confirmation"), QStringLiteral("The program is expecting 30 scores.  Is that correct?"));
        QVERIFY(h.action("recentFile1")->text().endsWith(QStringLiteral("three.dat")));
        QVERIFY(!h.action("recentFile1")->isEnabled());

        // A file gone missing: told, and nothing handed on (the file that does not fit the mode:
        // designquestions_test).
        h.click("startOverButton");
        QFile::remove(QString::fromStdString(one));
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.messageAnswers = {DialogAnswer::Cancel};
        h.action("recentFile2")->trigger();
        QCOMPARE(h.titles(), std::vector<std::string>{"File Not Found!"});
        QCOMPARE(h.recentChosen.size(), size_t(1));
    }

    // Garbage in the store: the program starts with what it can read.
    void damagedStoreDoesNotStopTheStart()
    {
        FakePlatform fake;
        fake.settings.values = {{"Run_Maximized", "\x01\xff"},
                                {"OutlierCheck", "false"},
                                {"1Recent_File", "/nowhere/a.dat"},
                                {"1Recent_File_NFactors", "99999999999999999999"},
                                {"1Recent_File_FactorNames", ",,,,"},
                                {"1Recent_File_Nlevels", "-5,x"}};
        fake.dialogs.messageFallback = DialogAnswer::Cancel;  // the files are not there; no retry
        Platform platform = fake.platform();
        Application app(platform, {"", -1, [] {}});
        app.start();
        QVERIFY(app.mainWindow()->isVisible());
        QVERIFY(app.state().preferences.outlierCheck && !app.state().preferences.runMaximized);
        for (QAction* a : app.mainWindow()->findChildren<QAction*>())
            if (a->objectName().startsWith(QStringLiteral("recentFile")))
                a->trigger();
        QVERIFY(app.mainWindow()->isVisible());
    }

    void menusAndHelp()
    {
        Harness h;
        h.open();
        h.action("purposeAction")->trigger();
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Purpose"));
        h.action("helpContentsAction")->trigger();
        h.action("helpSearchAction")->trigger();
        QCOMPARE(h.fake.help.calls, (std::vector<std::string>{"contents", "search"}));
        // The online page that cannot be opened is reported.
        h.fake.desktop.openSucceeds = false;
        h.action("onlineInformationAction")->trigger();
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Online Information"));

        // A right click on a box shows its help.
        QLineEdit* name = h.box("nameBox");
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5), name->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(name, &rightClick);
        bool shown = false;
        for (QWidget* top : QApplication::topLevelWidgets())
            shown |= top->isVisible() && QByteArray(top->metaObject()->className()) == "QWhatsThat";
        QVERIFY2(shown, "no help shown on a right click");
        QWhatsThis::hideText();

        // Closing the window and Alt+F4 take the exit path.
        h.window->close();
        QTest::keyClick(h.window.get(), Qt::Key_F4, Qt::AltModifier);
        QCOMPARE(h.exits, 2);
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
