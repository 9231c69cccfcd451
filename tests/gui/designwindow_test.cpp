// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a user drives it: clicks, keys and menu items, with the dialogs
// answered from a script.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
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
#include "platform/fakeplatform.h"
#include "startup/designwindow.h"
#include "startup/levellabelswindow.h"
#include "startup/preferences.h"
#include "startup/recentfiles.h"

using namespace varisect;

namespace {

const QString kGenericA = QStringLiteral("A   (Click here to replace this generic factor name)");

// A main window on fake surroundings, with the hand-overs counted.
struct Harness {
    FakePlatform fake;
    Platform platform = fake.platform();
    AppState state;
    int dataEntry = 0, anovaDesign = 0, exits = 0;
    std::vector<int> recentChosen;
    std::unique_ptr<DesignWindow> window;

    void open()
    {
        DesignWindowHandOver h{[this] { ++dataEntry; }, [this] { ++anovaDesign; },
                               [this](int entry) { recentChosen.push_back(entry); }, [this] { ++exits; }, {}};
        window = std::make_unique<DesignWindow>(state, platform, std::move(h));
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    template <typename T>
    T* child(const char* name) const
    {
        T* w = window->findChild<T*>(QString::fromUtf8(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
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
                 qPrintable(QStringLiteral("%1 is cramped: %2 wide, needs %3")
                                .arg(w->objectName())
                                .arg(w->width())
                                .arg(w->sizeHint().width())));
    }
}

}  // namespace

class DesignWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // 3 factors: Drug 2, Time 3, Subjects 5, up to the hand-over.
    void typicalRequestReachesTheDataEntry()
    {
        Harness h;
        h.open();
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Factorial Analysis of Variance"));
        QCOMPARE(h.text("note"), QStringLiteral("(Include Subjects and Replicates as applicable)"));
        QCOMPARE(h.box("nameBox")->text(), kGenericA);
        QCOMPARE(h.box("nameBox")->palette().color(QPalette::Text), QColor(255, 0, 0));
        QVERIFY(h.window->grab().save(QStringLiteral("/tmp/varisect_designwindow_start.png")));

        h.typeFactorCount(QStringLiteral("3"));
        QTest::keyClick(h.box("factorCountBox"), Qt::Key_Return);
        QVERIFY(h.box("levelsBox")->hasFocus());
        QTest::keyClicks(h.box("problemLabelBox"), QStringLiteral("Pilot study"));
        h.enterFactor(QStringLiteral("2"), QStringLiteral("drug"));
        QCOMPARE(h.text("levelsQuestion"), QStringLiteral("How many levels are there in Factor 2?"));
        QCOMPARE(h.text("nameQuestion"), QStringLiteral("What name do you want to assign to Factor 2?"));

        // Enter from the levels box leaves the generic name behind; a typed name shows black.
        QTest::keyClick(h.box("levelsBox"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(h.box("levelsBox"), QStringLiteral("3"));
        QTest::keyClick(h.box("levelsBox"), Qt::Key_Return);
        QCOMPARE(h.box("nameBox")->text(), QString());
        QTest::keyClicks(h.box("nameBox"), QStringLiteral("Time"));
        QCOMPARE(h.box("nameBox")->palette().color(QPalette::Text), QColor(0, 0, 0));
        h.click("okButton");

        h.enterFactor(QStringLiteral("5"), QStringLiteral("Subjects"));
        QCOMPARE(h.text("confirmation"), QStringLiteral("The program is expecting 30 scores.  Is that correct?"));
        QVERIFY(!h.button("okButton")->isVisible());
        QVERIFY(!h.box("nameBox")->isEnabled());
        QCOMPARE(h.button("proceedButton")->text(), QStringLiteral("&Yes, Proceed to Data Entry"));
        QCOMPARE(h.button("adjustButton")->text(), QStringLiteral("&No, adjust factor-level information"));
        QVERIFY(h.fake.dialogs.messages.empty());

        h.click("proceedButton");
        QCOMPARE(h.dataEntry, 1);
        QCOMPARE(h.state.design.factors[0].name, std::string("Drug"));
        QCOMPARE(h.state.design.scoreCount(), 30L);
        QCOMPARE(h.state.problemLabel, std::string("Pilot study"));

        h.click("adjustButton");
        QCOMPARE(h.text("levelsQuestion"), QStringLiteral("How many levels are there in Factor 1?"));
        QCOMPARE(h.box("nameBox")->text(), QStringLiteral("Drug"));
        QVERIFY(h.window->grab().save(QStringLiteral("/tmp/varisect_designwindow.png")));
        expectNothingCutOff(h.window.get());
    }

    void limitsAndMessages()
    {
        Harness h;
        h.open();
        h.typeFactorCount(QStringLiteral("9"));
        QCOMPARE(h.texts(), std::vector<std::string>{"Sorry, the program only accommodates 8 factors."});
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("2"));

        // The key rule of the number boxes, Enter on an empty box, and an empty box left alone.
        h.fake.dialogs.clearRecord();
        QTest::keyClicks(h.box("factorCountBox"), QStringLiteral("x"));
        QCOMPARE(h.titles(), std::vector<std::string>{"Error!"});
        QCOMPARE(h.texts(), std::vector<std::string>{"Only numeric characters are permitted here"});
        QCOMPARE(h.box("factorCountBox")->text(), QString());
        QVERIFY(!h.button("okButton")->isEnabled());
        QTest::keyClick(h.box("factorCountBox"), Qt::Key_Return);
        QCOMPARE(h.fake.dialogs.lastMessage().message.text, std::string("Please enter a number"));
        h.box("problemLabelBox")->setFocus(Qt::TabFocusReason);
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("2"));
        QVERIFY(h.button("okButton")->isEnabled());

        // A name beginning with a double quote passes the box but not OK.
        h.fake.dialogs.clearRecord();
        h.enterFactor(QStringLiteral("2"), QStringLiteral("\"Dose\""));
        QCOMPARE(h.titles(), std::vector<std::string>{"Change required!"});
        QCOMPARE(h.text("nameQuestion"), QStringLiteral("What name do you want to assign to Factor 1?"));

        // 128 x 128 levels are too many scores; 16 x 1022 = 16352 are accepted.
        h.fake.dialogs.clearRecord();
        h.enterFactor(QStringLiteral("128"), QStringLiteral("Drug"));
        h.enterFactor(QStringLiteral("128"), QStringLiteral("Time"));
        QCOMPARE(h.titles(), std::vector<std::string>{"Program Limitation!"});
        QCOMPARE(h.texts().front(),
                 std::string("You have specified 16384 scores, but the maximum allowed by the program is 16352 scores."));
        h.typeFactorCount(QStringLiteral("2"));
        h.enterFactor(QStringLiteral("16"), QStringLiteral("Drug"));
        h.enterFactor(QStringLiteral("1022"), QStringLiteral("Time"));
        QCOMPARE(h.text("confirmation"), QStringLiteral("The program is expecting 16352 scores.  Is that correct?"));

        // Too few levels are named once all factors are given.
        h.click("adjustButton");
        h.fake.dialogs.clearRecord();
        h.enterFactor(QStringLiteral("1"), QStringLiteral("Drug"));
        h.enterFactor(QStringLiteral("3"), QStringLiteral("Time"));
        QCOMPARE(h.texts(), std::vector<std::string>{"You have specified that factor 1 has only 1 levels.  There "
                                                     "must be at least 2 levels in a factor.  Please re-enter the "
                                                     "design specifications."});

        // "Group" and "gender" share a first letter: the message names both.
        h.typeFactorCount(QStringLiteral("3"));
        h.fake.dialogs.clearRecord();
        h.enterFactor(QStringLiteral("2"), QStringLiteral("Group"));
        h.enterFactor(QStringLiteral("2"), QStringLiteral("gender"));
        h.click("okButton");  // factor 3 keeps its generic name
        h.click("proceedButton");
        QCOMPARE(h.texts(), std::vector<std::string>{"The program requires the first letter of all factor names to "
                                                     "be unique.  Please change the name of either Group or Gender."});
        QCOMPARE(h.dataEntry, 0);
        QCOMPARE(h.state.design.factors[2].name, std::string("C"));
    }

    void upDownControls()
    {
        Harness h;
        h.open();
        auto* up = h.child<QToolButton>("factorCountUp");
        auto* down = h.child<QToolButton>("factorCountDown");
        for (int i = 0; i < 8; ++i)
            QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("8"));  // stops at 8, no message
        QVERIFY(h.fake.dialogs.messages.empty());
        for (int i = 0; i < 9; ++i)
            QTest::mouseClick(down, Qt::LeftButton);
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("1"));
        QVERIFY(!h.button("okButton")->isEnabled());
        QVERIFY(!h.box("levelsBox")->isEnabled());
        QTest::mouseClick(up, Qt::LeftButton);
        QTest::mouseClick(h.child<QToolButton>("levelsUp"), Qt::LeftButton);
        QCOMPARE(h.window->questions().currentLevels(), 3);
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

        // Unweighted means asks Yes/No/Cancel with No as the default; Cancel leaves it off.
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.messageAnswers = {DialogAnswer::Cancel, DialogAnswer::No};
        h.action("unweightedAction")->trigger();
        QCOMPARE(h.titles(), std::vector<std::string>{"Unweighted Means Anova"});
        QCOMPARE(h.fake.dialogs.lastMessage().defaultButton, std::optional<DialogAnswer>(DialogAnswer::No));
        QVERIFY(!h.action("unweightedAction")->isChecked());
        QVERIFY(h.action("attritionAction")->isChecked());
        h.action("unweightedAction")->trigger();
        QVERIFY(h.action("unweightedAction")->isChecked());
        QVERIFY(!h.action("attritionAction")->isChecked());
        QVERIFY(h.state.mode.unweightedMeans && h.state.mode.randomAttritionTest);
        QVERIFY(h.action("recentFile1")->isEnabled());

        h.action("groupSizeAction")->trigger();
        QVERIFY(!h.action("unweightedAction")->isChecked());
        QCOMPARE(h.text("note"), QStringLiteral("(Include Subjects as a Factor)"));
        h.enterFactor(QStringLiteral("2"), QStringLiteral("Group"));
        h.enterFactor(QStringLiteral("3"), QStringLiteral("Trial"));
        h.enterFactor(QStringLiteral("6"), QStringLiteral("Subjects"));
        QVERIFY(!h.child<QLabel>("confirmation")->isVisible());
        QCOMPARE(h.button("proceedButton")->text(), QStringLiteral("&Anova Design..."));
        h.click("proceedButton");
        QCOMPARE(h.anovaDesign, 1);

        h.action("trendTestsAction")->trigger();
        h.action("plannedComparisonsAction")->trigger();
        QVERIFY(!h.action("trendTestsAction")->isChecked());
        QVERIFY(!h.state.mode.trendTests && h.state.mode.plannedComparisons);

        h.click("startOverButton");
        QVERIFY(!h.action("groupSizeAction")->isChecked());
        QVERIFY(!h.state.mode.unequalCellMode());
        QCOMPARE(h.box("factorCountBox")->text(), QStringLiteral("2"));
        QCOMPARE(h.box("nameBox")->text(), kGenericA);
        QVERIFY(h.button("okButton")->isVisible());
    }

    // The preferences are written at once and a new start reads them back.
    void preferencesPersistAcrossAStart()
    {
        FakePlatform fake;
        Platform platform = fake.platform();
        int quits = 0;
        {
            Application app(platform, {"/opt/varisect/varisect", 800, [&] { ++quits; }});
            app.start();
            DesignWindow* w = app.mainWindow();
            QCOMPARE(app.state().startup.programFolder, std::string("/opt/varisect/"));
            QVERIFY(w->findChild<QAction*>("outlierCheckAction")->isChecked());
            for (const char* item : {"useLabelsAction", "outlierCheckAction", "showFsAction", "runMaximizedAction"})
                w->findChild<QAction*>(item)->trigger();
            QCOMPARE(fake.settings.read(kKeyUseLevelLabels) + fake.settings.read(kKeyOutlierCheck) +
                         fake.settings.read(kKeyShowFs) + fake.settings.read(kKeyRunMaximized),
                     std::string("TrueFalseTrueTrue"));
            QVERIFY(!app.state().outlierCheck);
            QCOMPARE(w->findChild<QPushButton*>("proceedButton")->text(),
                     QStringLiteral("Yes, Enter &Labels for Levels..."));

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
        DesignWindow* w = again.mainWindow();
        QVERIFY(w->findChild<QAction*>("useLabelsAction")->isChecked());
        QVERIFY(!w->findChild<QAction*>("outlierCheckAction")->isChecked());
        QVERIFY(w->findChild<QAction*>("showFsAction")->isChecked());
        QVERIFY(again.state().labelsInUse && !again.state().outlierCheck);
        QVERIFY(w->windowState() & Qt::WindowMaximized);
        QCOMPARE(again.state().startup.screenScale, 0.96);
    }

    void recentFileRestoresItsDesign()
    {
        QTemporaryDir dir;
        auto write = [&](const char* name, const char* content) {
            const std::string path = QDir(dir.path()).filePath(QString::fromUtf8(name)).toStdString();
            std::ofstream(path) << content;
            return path;
        };
        const std::string one = write("one.dat", "1\r\n2\r\n3\r\n4\r\n");
        const std::string two = write("two & more.dat", "1\r\n");
        const std::string three = write("three.dat", "5\r\n");
        const std::string unequal = write("unequal.dat", "Unequal N\r\n3\r\n");
        Harness h;
        RecentFileList list;
        list.entries = {{one, "", {"A", "B"}, {2, 2}, false, {}},
                        {two, "", {"X", "Y"}, {3, 3}, false, {}},
                        {three, "Pilot", {"Drug", "Time", "Subjects"}, {2, 3, 5}, true,
                         {{"p", "d"}, {"m", "n", "e"}, {"1", "2", "3", "4", "5"}}},
                        {unequal, "", {"G", "T", "S"}, {2, 2, 4}, false, {}}};
        QVERIFY(list.write(h.fake.settings));
        h.state.recentFiles = RecentFileList::read(h.fake.settings);
        h.open();
        QMenu* file = h.window->menuBar()->findChild<QMenu*>(QStringLiteral("fileMenu"));
        QCOMPARE(menuCaptions(file), QStringLiteral("&1 %1|&2 %2|&3 %3|&4 %4|E&xit Alt + F4")
                                         .arg(QString::fromStdString(one),
                                              QString::fromStdString(two).replace("&", "&&"),
                                              QString::fromStdString(three), QString::fromStdString(unequal)));

        h.action("recentFile4")->trigger();  // an unequal-N file while no such analysis is chosen
        QCOMPARE(h.titles(), std::vector<std::string>{"Incorrect File?"});
        QVERIFY(h.recentChosen.empty());

        h.fake.dialogs.clearRecord();
        h.action("recentFile3")->trigger();
        QVERIFY(h.fake.dialogs.messages.empty());
        QCOMPARE(h.recentChosen, std::vector<int>{3});
        QCOMPARE(h.state.design.factors[1].levelLabels, (std::vector<std::string>{"m", "n", "e"}));
        QCOMPARE(h.state.file.openFileName, three);
        QCOMPARE(h.box("problemLabelBox")->text(), QStringLiteral("Pilot"));
        QCOMPARE(h.text("confirmation"), QStringLiteral("The program is expecting 30 scores.  Is that correct?"));
        std::vector<std::string> order;
        for (const RecentFileRecord& r : RecentFileList::read(h.fake.settings).entries)
            order.push_back(r.path);
        QCOMPARE(order, (std::vector<std::string>{three, one, two, unequal}));
        QVERIFY(h.action("recentFile1")->text().endsWith(QStringLiteral("three.dat")));
        QVERIFY(!h.action("recentFile1")->isEnabled());

        // A file gone missing: Retry asks again, Cancel leaves the window as it was.
        h.click("startOverButton");
        QFile::remove(QString::fromStdString(one));
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.messageAnswers = {DialogAnswer::Retry, DialogAnswer::Cancel};
        h.action("recentFile2")->trigger();
        QCOMPARE(h.titles(), (std::vector<std::string>{"File Not Found!", "File Not Found!"}));
        QCOMPARE(h.recentChosen.size(), size_t(1));
        QCOMPARE(h.box("nameBox")->text(), kGenericA);
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
                                {"1Recent_File_Nlevels", "-5,x"},
                                {"2Recent_File", "/nowhere/b.dat"},
                                {"2Recent_File_NFactors", "2"},
                                {"2Recent_File_FactorNames", "A"},
                                {"2Recent_File_Nlevels", "2,2,2,2,2"},
                                {"2Recent_File_LevLabels", "True"}};
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

    void levelLabelsFromTheMainWindow()
    {
        Harness h;
        h.state.labelsInUse = true;
        h.open();
        h.enterFactor(QStringLiteral("2"), QStringLiteral("Drug"));
        h.enterFactor(QStringLiteral("2"), QStringLiteral("Time"));
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
        QCOMPARE(h.state.design.factors[1].levelLabels, (std::vector<std::string>{"x", "y"}));
        h.click("proceedButton");
        QCOMPARE(h.dataEntry, 1);
    }

    void menusAndHelp()
    {
        Harness h;
        h.open();
        QStringList menus;
        for (QAction* a : h.window->menuBar()->actions())
            menus << a->text() + QLatin1Char(':') + (a->menu() ? menuCaptions(a->menu()) : QString());
        QCOMPARE(menus.mid(1).join(QLatin1Char('\n')),
                 QStringLiteral("Set &Preferences:Use &Labels for Levels|Check &Keyboard Input for Outliers|"
                                "Show &F-ratios less than one|Run &Maximized\n"
                                "&Unequal Cell Size:Test for &Random Attrition|&Unweighted Means Analysis|"
                                "&Proportional Cell Size (2 substantive)|Unequal &Group Size (2 substantive)\n"
                                "Specific &Comparisons:&Trend Tests on Marginal Means|Planned &Comparisons\n"
                                "&Help:&Contents...|&Search for Help on...|Online Information|&Purpose...|&About..."));

        h.action("purposeAction")->trigger();
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Purpose"));
        QVERIFY(h.fake.dialogs.lastMessage().message.text.ends_with(
            "Factorial plots are available.\n\r     The input grid accepts one score per factorial combination; "
            "replicates and/or subjects are treated as ordinary factors."));
        h.action("helpContentsAction")->trigger();
        h.action("helpSearchAction")->trigger();
        QCOMPARE(h.fake.help.calls, (std::vector<std::string>{"contents", "search"}));
        h.action("onlineInformationAction")->trigger();
        QCOMPARE(h.fake.desktop.openedUrls.size(), size_t(1));
        h.fake.desktop.openSucceeds = false;
        h.action("onlineInformationAction")->trigger();
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Online Information"));

        // A right click on a button or box shows its help.
        for (QWidget* w : {static_cast<QWidget*>(h.button("okButton")), static_cast<QWidget*>(h.box("nameBox"))}) {
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(w, &click);
            bool shown = false;
            for (QWidget* top : QApplication::topLevelWidgets())
                shown |= top->isVisible() && QByteArray(top->metaObject()->className()) == "QWhatsThat";
            QVERIFY2(shown, "no help shown on a right click");
            QWhatsThis::hideText();
        }

        // Closing the window and Alt+F4 take the exit path.
        h.window->close();
        QTest::keyClick(h.window.get(), Qt::Key_F4, Qt::AltModifier);
        QCOMPARE(h.exits, 2);
    }

    // The restart path: a fresh main window at its first question; preferences and recent files kept.
    void restartGivesAFreshWindow()
    {
        FakePlatform fake;
        fake.settings.values["Use_Level_Labels"] = "True";
        Platform platform = fake.platform();
        Application app(platform, {"", 800, [] {}});
        app.start();
        DesignWindow* first = app.mainWindow();
        app.state().problemLabel = "old";
        app.state().mode.randomAttritionTest = true;
        app.state().labelsInUse = false;
        app.restart();
        DesignWindow* second = app.mainWindow();
        QVERIFY(second != first && second->isVisible() && !first->isVisible());
        QCOMPARE(second->questions().factorCount(), 2);
        QVERIFY(app.state().problemLabel.empty() && !app.state().mode.randomAttritionTest);
        QVERIFY(app.state().labelsInUse);

        // Placed on the screen's available area, centred (within what a frame adds), not cramped.
        const QRect available = second->screen()->availableGeometry();
        const QRect frame = second->frameGeometry();
        QVERIFY(available.contains(frame));
        QVERIFY(qAbs(frame.center().x() - available.center().x()) <= 4);
        QVERIFY(qAbs(frame.center().y() - available.center().y()) <= 4);
        expectNothingCutOff(second);

        // Proceeding from the fresh window hands over to the data entry grid.
        QTest::mouseClick(second->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QTest::mouseClick(second->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        second->findChild<QAction*>("useLabelsAction")->trigger();
        QVERIFY(second->grab().save(QStringLiteral("/tmp/varisect_designwindow_confirm.png")));
        QTest::mouseClick(second->findChild<QPushButton*>("proceedButton"), Qt::LeftButton);
        QVERIFY(app.dataEntryWindow() && app.dataEntryWindow()->isVisible());
        QVERIFY(!second->isVisible());
    }
};

QTEST_MAIN(DesignWindowTest)
#include "designwindow_test.moc"
