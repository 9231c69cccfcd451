// SPDX-License-Identifier: GPL-3.0-or-later
// The data entry grid driven as a user drives it: keys typed into the grid, menu items and
// buttons, with the dialogs, the clipboard and the printer scripted.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "app/application.h"
#include "data/dataentrywindow.h"
#include "data/scoremodel.h"
#include "platform/fakeplatform.h"
#include "startup/designwindow.h"

using namespace varisect;

namespace {

Design makeDesign(const std::vector<std::pair<std::string, int>>& factors)
{
    Design d;
    for (const auto& [name, levels] : factors) {
        Factor f;
        f.name = name;
        f.tableLabel = name.empty() ? 'A' : name[0];
        f.levels = levels;
        d.factors.push_back(f);
    }
    return d;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A grid for `design` on fake surroundings, with the hand-overs counted.
struct Harness {
    QTemporaryDir folder;
    FakePlatform fake;
    Platform platform = fake.platform();
    AppState state;
    int anovaDesign = 0, exits = 0, restarts = 0;
    std::unique_ptr<DataEntryWindow> window;

    explicit Harness(Design design, std::string problemLabel = {})
        : fake((QDir::tempPath() + QStringLiteral("/varisect-grid-print.pdf")).toStdString())
    {
        state.design = std::move(design);
        state.problemLabel = std::move(problemLabel);
        fake.dialogs.messageFallback = DialogAnswer::Cancel;
        open();
    }

    void open()
    {
        DataEntryHandOver h{[this] { ++anovaDesign; }, [this] { ++exits; }, [this] { ++restarts; }};
        window = std::make_unique<DataEntryWindow>(state, platform, std::move(h));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    std::string path(const char* name) const { return (folder.path() + QLatin1Char('/') + QLatin1String(name)).toStdString(); }
    ScoreModel& model() const { return window->model(); }
    QTableView* view() const { return window->view(); }
    int row() const { return view()->currentIndex().row(); }
    QAction* action(const char* name) const
    {
        auto* a = window->findChild<QAction*>(QString::fromUtf8(name));
        if (!a)
            qFatal("no action %s", name);
        return a;
    }
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

std::vector<std::string> numbered(int n, int from = 1)
{
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i)
        v.push_back(std::to_string(from + i));
    return v;
}

std::string pdfText(const std::string& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).toStdString();
}

}  // namespace

class DataEntryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void modelRowsFollowFactorialOrder()
    {
        Design d = makeDesign({{"Drug", 2}, {"Time", 3}, {"Subj", 2}});
        d.factors[1].levelLabels = {"am", "pm", "ev"};
        ScoreModel model(d, true);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 12);
        QCOMPARE(model.columnCount(), 7);
        // Factor 1 cycles fastest; the labelled factor shows its labels, the others numbers.
        auto shown = [&](int r) {
            QStringList s;
            for (int c = 0; c < 6; ++c)
                s << model.data(model.index(r, c)).toString();
            return s.join(QLatin1Char(' '));
        };
        QCOMPARE(shown(0), QStringLiteral("Drug 1 Time am Subj 1"));
        QCOMPARE(shown(1), QStringLiteral("Drug 2 Time am Subj 1"));
        QCOMPARE(shown(2), QStringLiteral("Drug 1 Time pm Subj 1"));
        QCOMPARE(shown(11), QStringLiteral("Drug 2 Time ev Subj 2"));
        ScoreModel numbers(d, false);
        QCOMPARE(numbers.data(numbers.index(5, 3)).toString(), QStringLiteral("3"));

        // An imputed score is red and its text is kept without a mark.
        model.setScores({"1", "2.5", "3"}, {false, true});
        QCOMPARE(model.data(model.index(1, 6)).toString(), QStringLiteral("2.5"));
        QCOMPARE(model.data(model.index(1, 6), Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
        QVERIFY(!model.data(model.index(0, 6), Qt::ForegroundRole).isValid());
        QCOMPARE(model.text(5), std::string());

        // Insert and remove shift the scores; at the last row both empty it.
        model.setScores(numbered(12), {});
        model.insertScoreAt(1);
        QCOMPARE(model.text(1), std::string());
        QCOMPARE(model.text(2), std::string("2"));
        QCOMPARE(model.text(11), std::string("11"));
        model.removeScoreAt(1);
        QCOMPARE(model.text(1), std::string("2"));
        QCOMPARE(model.text(11), std::string());
        model.setScore(11, "12", true);
        model.insertScoreAt(11);
        QCOMPARE(model.text(11), std::string());
        QVERIFY(!model.imputed(11));
        model.setScore(11, "12", false);
        model.removeScoreAt(11);
        QCOMPARE(model.text(11), std::string());
        QCOMPARE(model.text(10), std::string("11"));

        // Marking toggles: a mixed selection turns all red, an all-red one all black.
        model.toggleImputed({0, 1});
        QVERIFY(model.imputed(0) && model.imputed(1));
        model.toggleImputed({0, 1});
        QVERIFY(!model.imputed(0) && !model.imputed(1));
    }

    void captionAndMenus()
    {
        Harness plain(makeDesign({{"A", 2}, {"B", 2}}));
        QCOMPARE(plain.window->windowTitle(), QStringLiteral("Data Entry Grid:"));
        Harness labelled(makeDesign({{"A", 2}, {"B", 2}}), "Memory study");
        QCOMPARE(labelled.window->windowTitle(), QStringLiteral("Data Entry Grid for Memory study:"));

        QStringList menus;
        for (QAction* a : labelled.window->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"&File", "Data &Editing", "&Help"}));
        QCOMPARE(labelled.action("openAction")->text(), QStringLiteral("&Open file (for data entry)..."));
        QCOMPARE(labelled.action("saveAction")->text(), QStringLiteral("&Save Data in File (As...)"));
        QCOMPARE(labelled.action("imputedAction")->text(), QStringLiteral("Mark Score as &Imputed"));
        QVERIFY(!labelled.button("anovaDesignButton")->isEnabled());
        QVERIFY(labelled.button("dataOkButton")->isEnabled());

        // The score column starts wide enough for a long score.
        QVERIFY(labelled.view()->columnWidth(4) >=
                labelled.view()->fontMetrics().horizontalAdvance(QStringLiteral("-1234567.5")));
        labelled.fill(numbered(4));
        QApplication::processEvents();
        labelled.window->grab().save(QStringLiteral("/tmp/varisect-grid.png"));
    }

    void typingFollowsTheKeyRules()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 2}}));
        h.goTo(0);
        h.type(QStringLiteral("12.5"));
        QCOMPARE(h.model().text(0), std::string("12.5"));
        QVERIFY(h.state.file.dataChanged);
        // A second point, a sign in a cell with text and a letter are refused.
        h.type(QStringLiteral(".-a"));
        QCOMPARE(h.model().text(0), std::string("12.5"));
        QTest::keyClick(h.view(), Qt::Key_Backspace);
        QCOMPARE(h.model().text(0), std::string("12."));
        h.enter();
        QCOMPARE(h.row(), 1);
        h.type(QStringLiteral("-3"));
        QCOMPARE(h.model().text(1), std::string("-3"));
        // A typed key turns an imputed score black.
        h.model().setScore(2, "7", true);
        h.goTo(2);
        h.type(QStringLiteral("1"));
        QCOMPARE(h.model().text(2), std::string("71"));
        QVERIFY(!h.model().imputed(2));
        // Enter stops at the last score.
        h.goTo(3);
        h.enter();
        QCOMPARE(h.row(), 3);
        // A long score widens the column.
        const int before = h.view()->columnWidth(4);
        h.type(QStringLiteral("1234567890123456789"));
        QVERIFY(h.view()->columnWidth(4) > before);

        // Typing into a label column goes to the score of that row.
        h.view()->setCurrentIndex(h.model().index(0, 1));
        h.type(QStringLiteral("5"));
        QCOMPARE(h.model().text(0), std::string("12.5"));
        QCOMPARE(h.view()->currentIndex().column(), 4);
    }

    void dataOkChecksAndUnlocks()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 3}}));
        h.fill({"1", "2", "", "4", "5", "6"});
        h.goTo(5);
        QTest::mouseClick(h.button("dataOkButton"), Qt::LeftButton);
        QCOMPARE(h.titles(), std::vector<std::string>{"Data Entry Error!"});
        QCOMPARE(h.last().text, std::string("At least one score is missing from the data set."));
        QCOMPARE(h.row(), 2);
        QVERIFY(!h.state.dataAccepted);

        // A text that is not a whole number is refused with its row named; "X" is a missing score.
        h.fake.dialogs.clearRecord();
        h.fill({"1", "2", "1,5", "4", "5", "6"});
        QVERIFY(!h.window->dataOk());
        QCOMPARE(h.last().title, std::string("Data Entry Error!"));
        QVERIFY(h.last().text.find("row 3") != std::string::npos);
        QCOMPARE(h.row(), 2);
        h.fill({"1", "2", "3", "4", "X", "6"});
        QVERIFY(!h.window->dataOk());
        QCOMPARE(h.last().text, std::string("At least one score is missing from the data set."));
        QCOMPARE(h.row(), 4);

        // Accepted: the scores in factorial order, the red ones counted, the way on open.
        h.fake.dialogs.clearRecord();
        h.model().setScores({"1", "2", "3", "4", "5.5", "-1"}, {false, true, false, false, true});
        QVERIFY(h.window->dataOk());
        QVERIFY(h.fake.dialogs.messages.empty());
        QCOMPARE(h.state.scores, (Scores{1, 2, 3, 4, 5.5f, -1}));
        QCOMPARE(h.state.design.imputedCount, 2);
        QVERIFY(h.state.dataAccepted);
        QVERIFY(h.button("anovaDesignButton")->isEnabled());
        QTest::mouseClick(h.button("anovaDesignButton"), Qt::LeftButton);
        QCOMPARE(h.anovaDesign, 1);

        // Any edit locks the way on again.
        h.goTo(0);
        h.type(QStringLiteral("0"));
        QVERIFY(!h.button("anovaDesignButton")->isEnabled());
        QVERIFY(!h.state.dataAccepted);
        h.window->dataOk();
        h.view()->clearSelection();
        h.action("imputedAction")->trigger();  // nothing selected: told, nothing changes
        QCOMPARE(h.last().title, std::string("Wait"));
        QVERIFY(h.button("anovaDesignButton")->isEnabled());
        h.select(0);
        h.action("imputedAction")->trigger();
        QVERIFY(h.model().imputed(0));
        QVERIFY(!h.button("anovaDesignButton")->isEnabled());
    }

    void outlierQuestionsAndTheirAnswers()
    {
        // 19 scores near 10 and one far away.
        std::vector<std::string> texts;
        for (int i = 0; i < 19; ++i)
            texts.push_back(i % 2 ? "10" : (i % 3 ? "11" : "9"));
        texts.push_back("500");
        Harness h(makeDesign({{"A", 4}, {"B", 5}}));
        h.fill(texts);
        h.state.file.dataChanged = true;

        h.fake.dialogs.messageAnswers = {DialogAnswer::No};
        QVERIFY(!h.window->dataOk());
        QCOMPARE(h.titles(), std::vector<std::string>{"Possible Data Entry Error?"});
        QCOMPARE(h.last().text, std::string("  The value entered, 500, is more than 4 Standard Deviations from the "
                                            "(trimmed) Mean of the scores.  Is it correct?\n\r   Clicking the Cancel "
                                            "button will end the check for outliers."));
        QCOMPARE(h.last().buttons, MessageButtons::YesNoCancel);
        QCOMPARE(h.row(), 19);
        QVERIFY(!h.button("anovaDesignButton")->isEnabled());

        // Yes confirms it: the next "Data OK" does not ask again.
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.messageAnswers = {DialogAnswer::Yes};
        QVERIFY(h.window->dataOk());
        QCOMPARE(h.fake.dialogs.messages.size(), std::size_t(1));
        QVERIFY(h.window->dataOk());
        QCOMPARE(h.fake.dialogs.messages.size(), std::size_t(1));

        // Cancel switches the check off for the run, the preference stays.
        h.model().setScore(0, "-400", false);
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.messageAnswers = {DialogAnswer::Cancel};
        QVERIFY(h.window->dataOk());
        QVERIFY(!h.state.outlierCheck);
        QVERIFY(h.state.preferences.outlierCheck);
        h.model().setScore(1, "-900", false);
        QVERIFY(h.window->dataOk());
        QCOMPARE(h.fake.dialogs.messages.size(), std::size_t(1));

        // Loaded from a file and unchanged: no check.
        Harness loaded(makeDesign({{"A", 4}, {"B", 5}}));
        loaded.fill(texts);
        loaded.state.file.dataFromFile = true;
        QVERIFY(loaded.window->dataOk());
        QVERIFY(loaded.fake.dialogs.messages.empty());
    }

    void pasteCopyInsertRemove()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 3}}));
        auto& clip = h.fake.clipboard;
        h.goTo(0);
        h.action("pasteAction")->trigger();
        QCOMPARE(h.last().title, std::string("Error"));
        QCOMPARE(h.last().text, std::string("The clipboard is empty!"));

        clip.content = "1\r\n2a\r\n";
        h.action("pasteAction")->trigger();
        QCOMPARE(h.last().text, std::string("The clipboard contains non-numerical characters.  These cannot be pasted.  "
                                            "This problem may arise because the Clipboard data is not a vertical list "
                                            "of scores."));
        QVERIFY(!h.model().anyScore());

        clip.content = "1\n2\n3\n4\n5\n6\n7\n";
        h.action("pasteAction")->trigger();
        QCOMPARE(h.last().text,
                 std::string("The data on the clipboard will not fit into the specified factorial structure."));
        QVERIFY(!h.model().anyScore());

        // From row 2 on: blanks and CRs dropped, the trailing line break ignored.
        clip.content = " 3 \r\n4.5\r\n-5\r\n6,5\r\n";
        h.goTo(2);
        h.fake.dialogs.clearRecord();
        h.action("pasteAction")->trigger();
        QVERIFY(h.fake.dialogs.messages.empty());
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"", "", "3", "4.5", "-5", "6,5"}));
        QVERIFY(h.state.file.dataChanged);

        // Onto a cell with data further down.
        h.goTo(1);
        h.action("pasteAction")->trigger();
        QCOMPARE(h.last().title, std::string("Wait"));
        QCOMPARE(h.model().text(1), std::string());

        // Copy: one score per line, as shown.
        h.model().setScore(5, "6", true);
        h.action("copyAction")->trigger();
        QCOMPARE(clip.content.value_or(""), std::string("\r\n\r\n3\r\n4.5\r\n-5\r\n6\r\n"));
        clip.busy = true;
        h.action("copyAction")->trigger();
        QCOMPARE(h.last().title, std::string("Clipboard Problem!"));
        QCOMPARE(h.last().text, std::string("The clipboard is currently being used by another application.\n\rPlease "
                                            "close the other application and retry."));

        // Insert and remove need one selected score.
        h.fake.dialogs.clearRecord();
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
        h.select(4);
        h.action("clearAllAction")->trigger();
        QVERIFY(!h.model().anyScore());
        QCOMPARE(h.row(), 0);
    }

    void saveAndReopenRoundTrip()
    {
        Harness h(makeDesign({{"Drug", 2}, {"Time", 2}}), "Pilot");
        h.model().setScores({"1", "12.5", "-3", "4"}, {false, true});
        const std::string file = h.path("pilot.dat");
        h.fake.dialogs.saveAnswers = {file};
        QVERIFY(h.window->saveDataFile());
        const ShownRequest& dialog = h.fake.dialogs.requests.back();
        QCOMPARE(dialog.title, std::string("Save File (As)"));
        QCOMPARE(dialog.file.helpContext, 70);
        QVERIFY(dialog.file.overwritePrompt);
        QCOMPARE(readAll(file), std::string("1\r\n12.5I\r\n-3\r\n4\r\n"));
        QVERIFY(h.window->findChild<QLabel*>(QStringLiteral("savingLabel"))->text() ==
                QStringLiteral("   Saving ") + QString::fromStdString(file));
        h.window->grab().save(QStringLiteral("/tmp/varisect-grid-saving.png"));
        QTRY_VERIFY(h.view()->isVisible());
        QVERIFY(h.state.file.dataSaved && !h.state.file.dataChanged);
        QCOMPARE(h.state.file.saveFileName, file);
        QCOMPARE(h.state.recentFiles.entries.size(), std::size_t(1));
        QCOMPARE(h.state.recentFiles.entries[0].problemLabel, std::string("Pilot"));
        QCOMPARE(h.fake.settings.read("1Recent_File"), file);

        // Open it in a fresh grid of the same design: no question, the red score kept.
        Harness g(makeDesign({{"Drug", 2}, {"Time", 2}}), "Pilot");
        g.state.recentFiles = h.state.recentFiles;
        g.fake.dialogs.openAnswers = {file};
        g.action("openAction")->trigger();
        QVERIFY(g.fake.dialogs.messages.empty());
        QCOMPARE(g.fake.dialogs.requests.back().file.helpContext, 60);
        QCOMPARE(g.model().texts(), (std::vector<std::string>{"1", "12.5", "-3", "4"}));
        QVERIFY(g.model().imputed(1) && !g.model().imputed(0));
        QVERIFY(g.state.file.dataFromFile);
        QCOMPARE(g.row(), 3);
        QVERIFY(g.window->dataOk());
        QCOMPARE(g.state.design.imputedCount, 1);

        // The same file under another problem label: the naming conflict.
        Harness c(makeDesign({{"Drug", 2}, {"Time", 2}}), "Other");
        c.state.recentFiles = h.state.recentFiles;
        c.fake.dialogs.openAnswers = {file};
        c.fake.dialogs.messageAnswers = {DialogAnswer::Cancel};
        c.action("openAction")->trigger();
        QCOMPARE(c.titles(), std::vector<std::string>{"File naming conflict!"});
        QVERIFY(!c.model().anyScore());
        // No: the current design is attached to the file, and it loads.
        c.fake.dialogs.openAnswers = {file};
        c.fake.dialogs.messageAnswers = {DialogAnswer::No};
        c.action("openAction")->trigger();
        QCOMPARE(c.state.recentFiles.entries[0].problemLabel, std::string("Other"));
        QCOMPARE(c.model().text(1), std::string("12.5"));
        // Yes: the scores are saved under a new name with the current design, then loaded.
        Harness y(makeDesign({{"Drug", 2}, {"Time", 2}}), "Third");
        y.state.recentFiles = c.state.recentFiles;
        const std::string renamed = h.path("third.dat");
        y.fake.dialogs.openAnswers = {file};
        y.fake.dialogs.messageAnswers = {DialogAnswer::Yes};
        y.fake.dialogs.saveAnswers = {renamed};
        y.action("openAction")->trigger();
        QCOMPARE(readAll(renamed), readAll(file));
        QCOMPARE(y.state.file.openFileName, renamed);
        QCOMPARE(y.state.recentFiles.entries[0].path, renamed);
        QCOMPARE(y.state.recentFiles.entries[1].path, file);
        QCOMPARE(y.state.recentFiles.entries.size(), std::size_t(2));
        QCOMPARE(y.model().text(3), std::string("4"));
    }

    void countCheckAnswers()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 2}}));
        const std::string longer = h.path("six.dat");
        writeFile(longer, "1\n2\n3\n4\n5\n6\n");
        const std::string wrong =
            "The number of scores in " + longer + " is 6, while the design calls for 4 scores.";

        h.fake.dialogs.openAnswers = {longer};
        h.fake.dialogs.messageAnswers = {DialogAnswer::Abort};
        h.action("openAction")->trigger();
        QCOMPARE(h.titles(), std::vector<std::string>{"Wrong file selected?"});
        QCOMPARE(h.last().text, wrong);
        QVERIFY(!h.model().anyScore());

        h.fake.dialogs.clearRecord();
        h.fake.dialogs.openAnswers = {longer};
        h.fake.dialogs.messageAnswers = {DialogAnswer::Retry, DialogAnswer::Cancel};
        h.action("openAction")->trigger();
        QCOMPARE(h.titles(), (std::vector<std::string>{"Wrong file selected?", "Danger!"}));
        QVERIFY(!h.model().anyScore());

        h.fake.dialogs.openAnswers = {longer};
        h.fake.dialogs.messageAnswers = {DialogAnswer::Retry, DialogAnswer::Ok};
        h.action("openAction")->trigger();
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"1", "2", "3", "4"}));

        // Ignore with a shorter file fills what there is; an empty file fills nothing.
        const std::string shorter = h.path("two.dat");
        writeFile(shorter, "7\r\n8\r\n");
        h.fake.dialogs.openAnswers = {shorter};
        h.fake.dialogs.messageAnswers = {DialogAnswer::Ignore};
        h.action("openAction")->trigger();
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"7", "8", "", ""}));
        const std::string empty = h.path("empty.dat");
        writeFile(empty, "");
        h.fake.dialogs.openAnswers = {empty};
        h.fake.dialogs.messageAnswers = {DialogAnswer::Ignore};
        h.action("openAction")->trigger();
        QVERIFY(!h.model().anyScore());
    }

    void damagedFilesLoadNothing()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 2}}));
        h.fill({"1", "2", "3", "4"});
        const std::string garbage = h.path("garbage.dat");
        writeFile(garbage, std::string("1\n2\n") + "\x01\x02\xff\xfe" + "\n4\n");
        h.fake.dialogs.openAnswers = {garbage};
        h.action("openAction")->trigger();
        QCOMPARE(h.last().title, std::string("File Corrupted!"));
        QVERIFY(h.last().text.find("line 3") != std::string::npos || h.last().text.find("Line 3") != std::string::npos);
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"1", "2", "3", "4"}));

        const std::string huge = h.path("huge.dat");
        writeFile(huge, std::string(50000, '7') + "\n2\n3\n4\n");
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.openAnswers = {huge};
        h.action("openAction")->trigger();
        QCOMPARE(h.fake.dialogs.messages.size(), std::size_t(1));
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"1", "2", "3", "4"}));

        // Far more lines than any design: counted only up to a limit, refused, nothing loaded.
        const std::string many = h.path("many.dat");
        {
            std::ofstream out(many, std::ios::binary);
            for (int i = 0; i < 1000000; ++i)
                out << "5\n";
        }
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.openAnswers = {many};
        h.fake.dialogs.messageAnswers = {DialogAnswer::Ignore};
        h.action("openAction")->trigger();
        QCOMPARE(h.fake.dialogs.messages.size(), std::size_t(1));
        QCOMPARE(h.last().title, std::string("File Corrupted!"));
        QCOMPARE(h.model().texts(), (std::vector<std::string>{"1", "2", "3", "4"}));

        // A missing file: Retry looks again, Cancel gives up.
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.openAnswers = {h.path("gone.dat")};
        h.fake.dialogs.messageAnswers = {DialogAnswer::Retry, DialogAnswer::Cancel};
        h.action("openAction")->trigger();
        QCOMPARE(h.titles(), (std::vector<std::string>{"File Not Found!", "File Not Found!"}));
        QCOMPARE(h.model().text(0), std::string("1"));

        // The recent-file load refuses a file of the wrong length.
        h.state.file.openFileName = garbage;
        writeFile(garbage, "1\n2\n3\n");
        h.fake.dialogs.clearRecord();
        QVERIFY(!h.window->loadRecentDataFile());
        QCOMPARE(h.titles(), std::vector<std::string>{"File corrupted?!"});
    }

    void failedSavesAreReported()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 2}}));
        h.fill({"1", "2", "3", "4"});
        // A folder that is not there: Retry writes again, Cancel gives up with nothing changed.
        h.fake.dialogs.saveAnswers = {h.path("nowhere/x.dat")};
        h.fake.dialogs.messageAnswers = {DialogAnswer::Retry, DialogAnswer::Cancel};
        QVERIFY(!h.window->saveDataFile());
        QCOMPARE(h.titles(), (std::vector<std::string>{"Disk Not Ready!", "Disk Not Ready!"}));
        QVERIFY(!h.state.file.dataSaved);
        QVERIFY(h.state.file.saveFileName.empty());
        QVERIFY(h.state.recentFiles.entries.empty());
        QTRY_VERIFY(h.view()->isVisible());

        // A cell a data file cannot hold (a gap before the last score, the missing mark, a
        // decimal comma) would make a file that cannot be opened again: refused, cursor on it.
        for (const auto& [row, text] : {std::pair{1, ""}, std::pair{2, "X"}, std::pair{0, "1,5"}}) {
            h.fake.dialogs.clearRecord();
            h.fill({"1", "2", "3", "4"});
            h.model().setScore(row, text, false);
            h.fake.dialogs.saveAnswers = {h.path("gap.dat")};
            QVERIFY(!h.window->saveDataFile());
            QCOMPARE(h.titles(), std::vector<std::string>{"Wait"});
            QVERIFY2(h.last().text.find("row " + std::to_string(row + 1)) != std::string::npos, h.last().text.c_str());
            QCOMPARE(h.row(), row);
            QVERIFY(!QFile::exists(QString::fromStdString(h.path("gap.dat"))));
        }
        h.fake.dialogs.saveAnswers.clear();
        h.fill({"1", "2", "3", "4"});

        // The recent-file list cannot be stored: told, the file is written all the same.
        h.fake.dialogs.clearRecord();
        h.fake.settings.failWrites = true;
        h.fake.dialogs.saveAnswers = {h.path("ok.dat")};
        QVERIFY(h.window->saveDataFile());
        QCOMPARE(h.titles(), std::vector<std::string>{"Error in Saving!"});
        QCOMPARE(readAll(h.path("ok.dat")), std::string("1\r\n2\r\n3\r\n4\r\n"));
        QVERIFY(h.state.file.dataSaved);
    }

    void confirmLeaveAsksOncePerWayOut()
    {
        Harness h(makeDesign({{"A", 2}, {"B", 2}}));
        // Nothing typed: nothing to ask.
        QVERIFY(h.window->confirmLeave(LeaveMode::Exit));
        QVERIFY(h.fake.dialogs.messages.empty());
        h.state.file.leaveAnswered = false;

        h.fill({"1", "2", "3", "4"});
        h.fake.dialogs.messageAnswers = {DialogAnswer::Cancel};
        QVERIFY(!h.window->confirmLeave(LeaveMode::Restart));
        QCOMPARE(h.last().title, std::string("Restart"));
        QCOMPARE(h.last().text, std::string("The data have not been saved in a file.  Do you wish to save the data?"));
        QCOMPARE(h.last().buttons, MessageButtons::YesNoCancel);

        // Yes saves; a cancelled save keeps the user here.
        h.fake.dialogs.messageAnswers = {DialogAnswer::Yes};
        h.fake.dialogs.saveAnswers = {std::nullopt};
        QVERIFY(!h.window->confirmLeave(LeaveMode::Exit));
        const std::string file = h.path("leave.dat");
        h.fake.dialogs.messageAnswers = {DialogAnswer::Yes};
        h.fake.dialogs.saveAnswers = {file};
        QVERIFY(h.window->confirmLeave(LeaveMode::Exit));
        QCOMPARE(readAll(file), std::string("1\r\n2\r\n3\r\n4\r\n"));
        // Answered: the same way out does not ask again.
        const std::size_t asked = h.fake.dialogs.messages.size();
        QVERIFY(h.window->confirmLeave(LeaveMode::Exit));
        QCOMPARE(h.fake.dialogs.messages.size(), asked);

        // Changed since the save: Yes updates the file in place, without a dialog.
        h.state.file.leaveAnswered = false;
        h.goTo(0);
        h.type(QStringLiteral("5"));
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.messageAnswers = {DialogAnswer::Yes};
        QVERIFY(h.window->confirmLeave(LeaveMode::Exit));
        QCOMPARE(h.fake.dialogs.messageTexts(),
                 std::vector<std::string>{"The data have changed since the last save.  Do you wish to update the saved file?"});
        QVERIFY(h.fake.dialogs.requests.empty());
        QCOMPARE(readAll(file), std::string("15\r\n2\r\n3\r\n4\r\n"));
        // No, then No: leaves without saving.
        h.state.file.leaveAnswered = false;
        h.type(QStringLiteral("5"));
        h.fake.dialogs.clearRecord();
        h.fake.dialogs.messageAnswers = {DialogAnswer::No, DialogAnswer::No};
        QVERIFY(h.window->confirmLeave(LeaveMode::Restart));
        QCOMPARE(h.fake.dialogs.messageTexts().back(), std::string("Do you want to save the changed data in a new file?"));
        QCOMPARE(readAll(file), std::string("15\r\n2\r\n3\r\n4\r\n"));

        // The Restart button asks first and hands over only when the user goes on.
        h.state.file.leaveAnswered = false;
        h.fake.dialogs.messageAnswers = {DialogAnswer::No, DialogAnswer::No};
        QTest::mouseClick(h.button("restartButton"), Qt::LeftButton);
        QCOMPARE(h.restarts, 1);
    }

    void printsEveryRowToPdf()
    {
        Design d = makeDesign({{"Drug", 2}, {"Time", 3}});
        d.factors[1].levelLabels = {"am", "pm", "ev"};
        Harness h(d, "Sleep study");
        h.state.labelsInUse = true;
        h.open();
        h.model().setScores({"1", "2", "3.25", "4", "5", "66"}, {});
        QFile::remove(QString::fromStdString(h.fake.printer.pdfPath));
        h.action("printAction")->trigger();
        QCOMPARE(h.fake.printer.dialogTitles, std::vector<std::string>{"Print Data"});
        const std::string text = pdfText(h.fake.printer.pdfPath);
        if (text.empty())
            QSKIP("pdftotext is not available");
        const QString simple = QString::fromStdString(text).simplified();
        QVERIFY2(simple.startsWith(QStringLiteral("Sleep study Raw Data Drug 1 Time am 1 Drug 2 Time am 2 Drug 1 Time pm 3.25")),
                 qPrintable(simple));
        QVERIFY(simple.endsWith(QStringLiteral("Drug 2 Time ev 66")));

        // A cancelled print dialog prints nothing.
        h.fake.printer.cancel = true;
        QFile::remove(QString::fromStdString(h.fake.printer.pdfPath));
        h.action("printAction")->trigger();
        QVERIFY(!QFile::exists(QString::fromStdString(h.fake.printer.pdfPath)));

        // A printer that cannot start the job: told, the grid stays as it was.
        h.fake.printer.cancel = false;
        h.fake.printer.pdfPath = h.path("no-such-folder/data.pdf");
        h.action("printAction")->trigger();
        QCOMPARE(h.last().title, std::string("Printer Problem!"));
        QCOMPARE(h.last().text, std::string("The printer is unavailable or not ready.  Please correct the condition and retry."));
        QCOMPARE(h.model().text(5), std::string("66"));
    }

    void largestGridScrollsAndEdits()
    {
        Harness h(makeDesign({{"A", 128}, {"B", 127}, {"C", 1}}));
        QCOMPARE(h.model().rowCount(), 16256);
        Harness big(makeDesign({{"A", 2}, {"B", 16}, {"C", 511}}));
        QCOMPARE(big.model().rowCount(), 16352);
        std::string clip;
        for (int i = 0; i < 16352; ++i)
            clip += std::to_string(i % 97) + "\n";
        big.fake.clipboard.content = clip;
        big.goTo(0);
        big.action("pasteAction")->trigger();
        QVERIFY(big.fake.dialogs.messages.empty());
        QCOMPARE(big.model().text(16351), std::to_string(16351 % 97));
        big.goTo(16351);
        QApplication::processEvents();
        QVERIFY(big.view()->verticalScrollBar()->value() > 16000);
        big.type(QStringLiteral("5"));
        QCOMPARE(big.model().text(16351), std::to_string(16351 % 97) + "5");
        big.state.outlierCheck = false;
        QVERIFY(big.window->dataOk());
        QCOMPARE(big.state.scores.size(), std::size_t(16352));
        big.window->grab().save(QStringLiteral("/tmp/varisect-grid-big.png"));
    }

    void applicationProceedsToTheGridAndRestarts()
    {
        FakePlatform fake;
        fake.dialogs.messageFallback = DialogAnswer::Cancel;
        Application app(fake.platform(), {"", 800, [] {}});
        app.start();
        DesignWindow* main = app.mainWindow();
        QTest::mouseClick(main->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QTest::mouseClick(main->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QTest::mouseClick(main->findChild<QPushButton*>("proceedButton"), Qt::LeftButton);
        DataEntryWindow* grid = app.dataEntryWindow();
        QVERIFY(grid && grid->isVisible());
        QVERIFY(!main->isVisible());
        QCOMPARE(grid->model().rowCount(), 4);

        // Typed data: Restart asks, Cancel stays, No leaves for a fresh main window.
        grid->model().setScore(0, "3", false);
        QPushButton* restart = grid->findChild<QPushButton*>("restartButton");
        fake.dialogs.messageAnswers = {DialogAnswer::Cancel};
        QTest::mouseClick(restart, Qt::LeftButton);
        QCOMPARE(app.dataEntryWindow(), grid);
        QCOMPARE(fake.dialogs.lastMessage().message.title, std::string("Restart"));
        fake.dialogs.clearRecord();
        fake.dialogs.messageAnswers = {DialogAnswer::No};
        QTest::mouseClick(restart, Qt::LeftButton);
        QCOMPARE(fake.dialogs.messages.size(), std::size_t(1));
        QVERIFY(!app.dataEntryWindow());
        QVERIFY(app.mainWindow() != main && app.mainWindow()->isVisible());
        QVERIFY(!app.state().file.leaveAnswered);
    }

    void applicationOpensTheGridFromARecentFile()
    {
        QTemporaryDir folder;
        const std::string file = (folder.path() + QStringLiteral("/recent.dat")).toStdString();
        writeFile(file, "1\r\n2\r\n3\r\n4.5I\r\n");
        FakePlatform fake;
        fake.dialogs.messageFallback = DialogAnswer::Cancel;
        RecentFileList list;
        RecentFileRecord r;
        r.path = file;
        r.problemLabel = "Recall";
        r.factorNames = {"Age", "Sex"};
        r.levels = {2, 2};
        list.entries.push_back(r);
        QVERIFY(list.write(fake.settings));
        int quits = 0;
        Application::Options options;
        options.quit = [&] { ++quits; };
        Application app(fake.platform(), options);
        app.start();
        QAction* recent = app.mainWindow()->findChild<QAction*>(QStringLiteral("recentFile1"));
        QVERIFY(recent);
        recent->trigger();
        DataEntryWindow* grid = app.dataEntryWindow();
        QVERIFY(grid);
        QVERIFY(grid->isVisible());
        QVERIFY(!app.mainWindow()->isVisible());
        QCOMPARE(grid->windowTitle(), QStringLiteral("Data Entry Grid for Recall:"));
        QCOMPARE(grid->model().text(3), std::string("4.5"));
        QVERIFY(grid->model().imputed(3));

        // Exit with changed data: asked once; Cancel stays, then No and No leave.
        grid->model().setScore(0, "9", false);
        app.state().file.dataChanged = true;
        fake.dialogs.clearRecord();
        fake.dialogs.messageAnswers = {DialogAnswer::No, DialogAnswer::No};
        grid->close();
        QCOMPARE(quits, 1);
        QCOMPARE(fake.dialogs.messages.size(), std::size_t(2));
        QCOMPARE(fake.dialogs.messages[0].message.title, std::string("Exit"));
        QCOMPARE(readAll(file), std::string("1\r\n2\r\n3\r\n4.5I\r\n"));
    }
};

QTEST_MAIN(DataEntryWindowTest)
#include "dataentrywindow_test.moc"
