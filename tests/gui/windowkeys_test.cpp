// SPDX-License-Identifier: GPL-3.0-or-later
// Every window of the desktop program, reached as a user reaches it: in each, the access keys of
// the controls and menu titles (and of the entries of each menu) are all different, so that an
// Alt+letter presses exactly one thing, F1 opens a help page of its own, not the contents, and
// no push button's caption touches its edges.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>
#include <string>

#include "app/application.h"
#include "contrasts/comparisonswindow.h"
#include "data/dataentrywindow.h"
#include "data/scoremodel.h"
#include "design/anovadesignwindow.h"
#include "design/explanationwindow.h"
#include "design/levellabelswindow.h"
#include "design/mainwindow.h"
#include "design/nestingwindow.h"
#include "graphs/grapher.h"
#include "graphs/plotdialogs.h"
#include "import/importwindow.h"
#include "means/cellmeanswindow.h"
#include "means/pairselectordialog.h"
#include "means/panelsdialog.h"
#include "platform/qthelpviewer.h"
#include "support/guitest.h"
#include "table/tablewindow.h"
#include "unequal/cellsizewindow.h"

using namespace varisect;
using namespace varisect::test;

namespace {

// The letter an Alt+letter reaches in `caption` ("&&" is a plain ampersand), upper case; none.
QChar accessKey(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return {};
}

using Captions = QMap<QChar, QStringList>;

void addCaption(Captions& captions, const QString& caption)
{
    const QChar key = accessKey(caption);
    if (!key.isNull())
        captions[key] << caption;
}

void reportClashes(const QString& where, const Captions& captions, QStringList& clashes)
{
    for (auto it = captions.begin(); it != captions.end(); ++it)
        if (it.value().size() > 1)
            clashes << QStringLiteral("%1: Alt+%2 is \"%3\"").arg(where, it.key(), it.value().join(QStringLiteral("\" and \"")));
}

// The clashes in `window` as it stands: its controls and menu titles share one set of keys, the
// entries of each menu (submenus included) one set each.
QStringList accessKeyClashes(QWidget* window)
{
    QStringList clashes;
    Captions controls;
    QList<QMenu*> menus;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisibleTo(window))
            continue;
        if (auto* bar = qobject_cast<QMenuBar*>(w)) {
            for (QAction* a : bar->actions())
                if (a->isVisible()) {
                    addCaption(controls, a->text());
                    if (a->menu())
                        menus << a->menu();
                }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            addCaption(controls, button->text());
        } else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) {
            addCaption(controls, label->text());
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            addCaption(controls, box->title());
        }
    }
    const QString title = window->windowTitle();
    reportClashes(title, controls, clashes);
    while (!menus.isEmpty()) {
        QMenu* menu = menus.takeFirst();
        emit menu->aboutToShow();  // menus filled as they open (recent files) are filled now
        Captions entries;
        for (QAction* a : menu->actions()) {
            if (!a->isVisible() || a->isSeparator())
                continue;
            addCaption(entries, a->text());
            if (a->menu())
                menus << a->menu();
        }
        reportClashes(title + QStringLiteral(" / ") + menu->title(), entries, clashes);
    }
    return clashes;
}

QWidget* shownWindow(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QLatin1String(name))
            return w;
    qFatal("the window %s is not shown", name);
    return nullptr;
}

// The desktop program on fake surroundings with the Drug x Time x Subjects file as recent file 1.
struct Walk {
    QTemporaryDir folder;
    FakePlatform fake{folder.filePath(QStringLiteral("out.pdf")).toStdString()};
    std::unique_ptr<Application> app;
    QStringList clashes;

    Walk()
    {
        rememberDrugTimeFile(fake, folder.filePath(QStringLiteral("drug.dat")).toStdString(), kDrugTimeScores, true);
        app = std::make_unique<Application>(fake.platform(), Application::Options{"", 800, [] {}});
        app->start();
    }

    void press(QWidget* window, const char* name) { click(child<QAbstractButton>(window, name)); }
    void chooseFirstLine(QListWidget* list)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    }
    void openFileAndAccept()
    {
        child<QAction>(app->mainWindow(), "recentFile1")->trigger();
        press(app->dataEntryWindow(), "dataOkButton");
    }

    // Every push button shown in `window` keeps a character's room between its caption and both
    // edges.
    void roomy(QWidget* window)
    {
        for (QPushButton* b : window->findChildren<QPushButton*>()) {
            if (b->window() != window || !b->isVisibleTo(window) || b->text().isEmpty())
                continue;
            const QString text = QString(b->text()).remove(QLatin1Char('&'));
            if (b->width() < b->fontMetrics().horizontalAdvance(text) + 2 * b->fontMetrics().averageCharWidth())
                clashes << QStringLiteral("%1: \"%2\" is cramped in %3 pixels").arg(window->windowTitle(), text).arg(b->width());
        }
    }

    // The window's access keys are noted; F1 in it must open `page`.
    void visit(QWidget* window, const char* page)
    {
        QVERIFY2(window && window->isVisible(), page);
        clashes << accessKeyClashes(window);
        roomy(window);
        window->activateWindow();
        QVERIFY2(QTest::qWaitForWindowActive(window), qPrintable(window->windowTitle()));
        const size_t before = fake.help.contexts.size();
        QWidget* focus = window->focusWidget() ? window->focusWidget() : window;
        QTest::keyClick(focus, Qt::Key_F1);
        QVERIFY2(fake.help.contexts.size() == before + 1, qPrintable(window->windowTitle() + " has no F1"));
        QCOMPARE(QtHelpViewer::pageForContext(fake.help.contexts.back()), QString::fromLatin1(page));
    }

    void expectNoClashes() const { QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n')))); }
};

}  // namespace

#define STEP(call) do { call; if (QTest::currentTestFailed()) return; } while (false)

class WindowKeysTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The main window, the grid and the windows that change its scores.
    void gridAndDataWindows()
    {
        Walk s;
        STEP(s.visit(s.app->mainWindow(), "mainwindow.html"));
        STEP(s.openFileAndAccept());
        DataEntryWindow* grid = s.app->dataEntryWindow();
        STEP(s.visit(grid, "dataentry.html"));

        s.press(grid, "transformButton");
        STEP(s.visit(shownWindow("transformWindow"), "transform.html"));
        s.press(shownWindow("transformWindow"), "FinishedButton");
        s.press(grid, "screenButton");
        STEP(s.visit(shownWindow("screenWindow"), "screen.html"));
        s.press(shownWindow("screenWindow"), "FinishedButton");
        s.expectNoClashes();
    }

    // From the grid to the cell means and the graph with their dialogs.
    void cellMeansAndGraphWindows()
    {
        Walk s;
        STEP(s.openFileAndAccept());
        DataEntryWindow* grid = s.app->dataEntryWindow();
        s.press(grid, "tablesButton");
        STEP(s.visit(s.app->pairSelector(), "cellmeans.html"));
        s.chooseFirstLine(s.app->pairSelector()->list());
        s.press(s.app->pairSelector(), "okButton");
        CellMeansWindow* means = s.app->cellMeansWindow();
        STEP(s.visit(means, "cellmeans.html"));
        s.press(means, "PanelsButton");
        STEP(s.visit(means->panelsDialog(), "cellmeans.html"));
        s.press(means->panelsDialog(), "cancelButton");
        s.press(means, "CancelButton");

        s.press(grid, "graphsButton");
        s.chooseFirstLine(s.app->pairSelector()->list());
        s.press(s.app->pairSelector(), "okButton");
        Grapher* plot = s.app->plotWindow();
        STEP(s.visit(plot->yAxisStyleDialog(), "twowayplot.html"));
        s.press(plot->yAxisStyleDialog(), "okButton");
        STEP(s.visit(plot, "twowayplot.html"));
        child<QAction>(plot, "graphTitleAction")->trigger();
        STEP(s.visit(plot->textEditor(), "twowayplot.html"));
        plot->textEditor()->reject();
        child<QAction>(plot, "markerSizeAction")->trigger();
        STEP(s.visit(plot->marker(), "twowayplot.html"));
        plot->marker()->close();
        s.press(plot, "returnButton");
        s.expectNoClashes();
    }

    // From the grid through the design window, its nesting and explanation windows, to the table
    // and the simple effects.
    void designAndTableWindows()
    {
        Walk s;
        STEP(s.openFileAndAccept());
        s.press(s.app->dataEntryWindow(), "anovaDesignButton");
        AnovaDesignWindow* design = s.app->anovaDesignWindow();
        STEP(s.visit(design, "anovadesign.html"));
        s.press(design, "repeatedMeasures");
        s.press(design, "factorOption3");
        s.press(design, "nested");
        STEP(s.visit(design, "anovadesign.html"));  // with the nesting button shown
        s.press(design, "nestingButton");
        STEP(s.visit(design->nestingWindow(), "anovadesign.html"));
        // Escape, after a line was clicked, is the dialog's Cancel: back to the design, fully
        // crossed.
        s.chooseFirstLine(design->nestingWindow()->list());
        QCOMPARE(design->nestingWindow()->focusWidget(), design->nestingWindow()->list());
        QTest::keyClick(design->nestingWindow()->windowHandle(), Qt::Key_Escape);
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
        QVERIFY(child<QRadioButton>(design, "fullyCrossed")->isChecked());
        s.press(design, "explanationButton");
        STEP(s.visit(design->designOptionsWindow(), "anovadesign.html"));
        s.press(design->designOptionsWindow(), "nestingExplanationButton");
        STEP(s.visit(design->nestingExplanationWindow(), "anovadesign.html"));
        s.press(design->nestingExplanationWindow(), "returnButton");
        s.press(design->designOptionsWindow(), "returnButton");

        s.press(design, "mainButton");
        STEP(s.visit(s.app->tableWindow(), "anovatable.html"));
        s.press(s.app->tableWindow(), "CancelButton");
        STEP(s.visit(design, "anovadesign.html"));  // with "Simple Effects" shown
        s.press(design, "simpleEffectsButton");  // the one pair at once
        s.press(s.app->cellMeansWindow(), "SimpleButton");
        STEP(s.visit(s.app->simpleEffectsTableWindow(), "cellmeans.html"));
        s.expectNoClashes();
    }

    // The labels window from the main window, and the windows of trend tests, planned and post hoc
    // comparisons.
    void labelsAndComparisonWindows()
    {
        const std::map<std::string, const char*> pages = {{"trendTestsAction", "trendtests.html"},
                                                          {"plannedComparisonsAction", "comparisons.html"},
                                                          {"postHocComparisonsAction", "posthoc.html"}};
        for (const auto& [kind, page] : pages) {
            Walk s;
            child<QAction>(s.app->mainWindow(), kind.c_str())->trigger();
            STEP(s.openFileAndAccept());
            s.press(s.app->dataEntryWindow(), "anovaDesignButton");
            AnovaDesignWindow* design = s.app->anovaDesignWindow();
            s.press(design, "repeatedMeasures");
            s.press(design, "factorOption3");
            STEP(s.visit(design, "anovadesign.html"));
            s.press(design, "mainButton");
            QWidget* window = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && qobject_cast<ContrastWindow*>(w))
                    window = w;
            STEP(s.visit(window, page));
            STEP(s.expectNoClashes());
        }

        Walk s;
        child<QAction>(s.app->mainWindow(), "useLabelsAction")->trigger();
        answerDesignQuestions(s.app->mainWindow(), {{"Drug", 2}, {"Time", 3}, {"Subjects", 5}});
        STEP(s.visit(s.app->mainWindow(), "mainwindow.html"));  // the confirmation
        s.press(s.app->mainWindow(), "proceedButton");
        STEP(s.visit(s.app->mainWindow()->levelLabelsWindow(), "levellabels.html"));
        s.expectNoClashes();
    }

    // The import window from the main window's File menu, a small file chosen.
    void importWindow()
    {
        Walk s;
        const std::string file = s.folder.filePath(QStringLiteral("groups.csv")).toStdString();
        writeFile(file, "Group,Score\nA,1\nA,2\nB,3\nB,4\n");
        s.fake.dialogs.openAnswers.push_back(file);
        child<QAction>(s.app->mainWindow(), "importAction")->trigger();
        STEP(s.visit(s.app->importWindow(), "importdata.html"));
        s.expectNoClashes();
    }

    // The unequal-cell-size modes: the main window's confirmation, the design window and the
    // cell-size window with the sizes and then with the scores, in each.
    void unequalCellSizeWindows()
    {
        QStringList clashes;
        for (const char* mode : {"attritionAction", "unweightedAction", "proportionalAction", "groupSizeAction"}) {
            Walk s;
            child<QAction>(s.app->mainWindow(), mode)->trigger();
            answerDesignQuestions(s.app->mainWindow(), {{"Drug", 2}, {"Time", 2}, {"Subjects", 3}});
            STEP(s.visit(s.app->mainWindow(), "mainwindow.html"));
            // The adjust button answers the question above it.
            QVERIFY(child<QLabel>(s.app->mainWindow(), "confirmation")->isVisible());
            s.press(s.app->mainWindow(), "proceedButton");
            AnovaDesignWindow* design = s.app->anovaDesignWindow();
            const bool groups = mode == std::string("groupSizeAction");
            s.press(design, groups ? "repeatedMeasures" : "independentGroups");
            s.press(design, "factorOption3");
            if (groups) {
                s.press(design, "nestingButton");
                QListWidget* list = design->nestingWindow()->list();
                const auto line = list->findItems(QStringLiteral("S nested under D"), Qt::MatchExactly);
                QCOMPARE(line.size(), 1);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(line.front()).center());
                s.press(design->nestingWindow(), "okButton");
            }
            STEP(s.visit(design, "anovadesign.html"));
            s.press(design, "mainButton");
            CellSizeWindow* sizes = s.app->cellSizeWindow();
            STEP(s.visit(sizes, "cellsizes.html"));
            for (int r = 0; r < sizes->model().scoreCount(); ++r)
                sizes->model().setScore(r, "2", false);
            s.press(sizes, "dataOkButton");
            STEP(s.visit(sizes, "cellsizes.html"));
            // On: to the attrition table (and back) and to the grid of scores.
            const bool attrition = mode == std::string("attritionAction");
            for (int step = 0; step < 2 && sizes->stage() != CellSizeWindow::Stage::Scores; ++step) {
                s.press(sizes, "anovaButton");
                if (s.app->tableWindow() && s.app->tableWindow()->isVisible()) {
                    STEP(s.visit(s.app->tableWindow(), "anovatable.html"));
                    s.press(s.app->tableWindow(), "CancelButton");
                }
                if (attrition)
                    break;
            }
            QVERIFY(attrition || sizes->stage() == CellSizeWindow::Stage::Scores);
            STEP(s.visit(sizes, "cellsizes.html"));
            for (const QString& clash : s.clashes)
                clashes << clash;
        }
        clashes.removeDuplicates();
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(WindowKeysTest)
#include "windowkeys_test.moc"
