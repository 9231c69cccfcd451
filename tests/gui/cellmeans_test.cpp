// SPDX-License-Identifier: GPL-3.0-or-later
// The tables of means and the simple effects through the real windows: from the grid with the
// pair selector, panels, copy and print; from the Anova design window after a table to the
// simple-effects table and back; and the messages of the pair selection as the user sees them.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "data/dataentrywindow.h"
#include "design/anovadesignwindow.h"
#include "design/mainwindow.h"
#include "design/nestingwindow.h"
#include "means/cellmeanswindow.h"
#include "means/panelsdialog.h"
#include "means/pairselectordialog.h"
#include "support/guitest.h"
#include "table/tablewindow.h"

using namespace varisect;
using namespace varisect::test;

namespace {

// The desktop program with a recent data file of that design, opened from the main window's
// recent-file list and accepted with "Data OK".
struct Walk {
    QTemporaryDir folder;
    QString pdf = folder.filePath(QStringLiteral("means.pdf"));
    FakePlatform fake{pdf.toStdString()};
    int quits = 0;
    std::unique_ptr<Application> app;

    explicit Walk(bool labels, const std::vector<int>& scores = kDrugTimeScores)
    {
        rememberDrugTimeFile(fake, folder.filePath(QStringLiteral("drug.dat")).toStdString(), scores, labels);
        app = std::make_unique<Application>(fake.platform(), Application::Options{"", 800, [this] { ++quits; }});
        app->start();
        child<QAction>(app->mainWindow(), "recentFile1")->trigger();
        click(child<QPushButton>(app->dataEntryWindow(), "dataOkButton"));
        if (!fake.dialogs.messages.empty() || visibleWindows() != QStringList{"dataEntryWindow"})
            qFatal("the recent file did not open on an accepted grid");
    }

    CellMeansWindow* means() const { return app->cellMeansWindow(); }
    // The table as it reads, header row and column first: the row factor's name in the corner,
    // the level headers, the means (padded with blanks to line up their decimal points).
    QString cell(int row, int column) const
    {
        QTableWidget* grid = means()->grid();
        if (row == 0 && column == 0)
            return child<QLabel>(grid, "rowFactor")->text();
        if (row == 0)
            return grid->horizontalHeaderItem(column - 1)->text();
        if (column == 0)
            return grid->verticalHeaderItem(row - 1)->text();
        return grid->item(row - 1, column - 1)->text().trimmed();
    }
    QStringList gridRow(int row) const
    {
        QStringList out;
        for (int c = 0; c <= means()->grid()->columnCount(); ++c)
            out << cell(row, c);
        return out;
    }
    void press(QWidget* window, const char* button) { click(child<QAbstractButton>(window, button)); }
    void clickLine(QListWidget* list, const QString& text)
    {
        const auto found = list->findItems(text, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(text));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
    }

    // From the grid to the Anova design window, there the type and the designated factor, and
    // on to the table window.
    void prepareTable(const char* type)
    {
        press(app->dataEntryWindow(), "anovaDesignButton");
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
        QVERIFY(!child<QPushButton>(app->anovaDesignWindow(), "simpleEffectsButton")->isVisible());
        press(app->anovaDesignWindow(), type);
        press(app->anovaDesignWindow(), "factorOption3");
        press(app->anovaDesignWindow(), "mainButton");
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
    }
};

}  // namespace

#define STEP(call) do { call; if (QTest::currentTestFailed()) return; } while (false)

class CellMeansTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A user whose locale writes a decimal comma, which QApplication hands to the C library
    // before the program starts: the means still read as numbers. The locale is made for the
    // test where the system has the tools and sources for it (localedef, the locales package).
    void meansInALocaleWithADecimalComma()
    {
        QTemporaryDir locales;
        QProcess::execute(QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                                        QStringLiteral("UTF-8"), locales.filePath(QStringLiteral("de_DE.UTF-8"))});
        qputenv("LOCPATH", locales.path().toUtf8());
        struct Restore {
            ~Restore()
            {
                std::setlocale(LC_ALL, "C");
                qunsetenv("LOCPATH");
            }
        } restore;
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
            QSKIP("no locale with a decimal comma can be made here");
        Walk s(true);
        s.press(s.app->dataEntryWindow(), "tablesButton");
        STEP(s.clickLine(s.app->pairSelector()->list(), QStringLiteral("Drug x Time")));
        s.press(s.app->pairSelector(), "okButton");
        QCOMPARE(s.cell(1, 1).toDouble(), drugTimeMean(1, 1));
        QCOMPARE(s.cell(3, 2).toDouble(), drugTimeMean(2, 3));
    }

    void meansFromTheGridWithPairsPanelsCopyAndPrint()
    {
        Walk s(true);
        // Cancelled, the selector leads back to the grid; asked again, it is there again.
        s.press(s.app->dataEntryWindow(), "tablesButton");
        QVERIFY(s.app->pairSelector());
        s.press(s.app->pairSelector(), "cancelButton");
        QCOMPARE(visibleWindows(), QStringList{"dataEntryWindow"});
        QVERIFY(!s.app->pairSelector());
        s.press(s.app->dataEntryWindow(), "tablesButton");
        PairSelectorDialog* selector = s.app->pairSelector();
        QVERIFY(selector);
        QCOMPARE(visibleWindows(), (QStringList{"dataEntryWindow", "pairSelector"}));
        QListWidget* list = selector->list();

        // A contradiction is told, the selector kept with its selection (the lines offered and
        // which choices are refused: means_test).
        STEP(s.clickLine(list, QStringLiteral("All pairs")));
        STEP(s.clickLine(list, QStringLiteral("Drug x Time")));
        s.press(selector, "okButton");
        QCOMPARE(s.fake.dialogs.lastMessage().message.title, std::string("Selection Error!"));  // text: means_test
        QCOMPARE(list->selectedItems().size(), 2);
        QVERIFY(selector->isVisible());
        STEP(s.clickLine(list, QStringLiteral("Drug x Time")));
        s.fake.dialogs.clearRecord();
        s.press(selector, "okButton");
        QCOMPARE(visibleWindows(), QStringList{"cellMeansWindow"});
        QVERIFY(!s.app->pairSelector());

        // The first pair, level labels as headers, the means of the accepted scores.
        CellMeansWindow* w = s.means();
        QCOMPARE(child<QLabel>(w, "columnTitle")->text(), QStringLiteral("Drug"));
        QVERIFY(!child<QLabel>(w, "panelHeading")->isVisible());
        QCOMPARE(s.gridRow(0), (QStringList{"Time", "Pl", "Ac", "Marginal"}));
        QCOMPARE(s.gridRow(4).first(), QStringLiteral("Marginal"));
        QCOMPARE(s.cell(1, 0), QStringLiteral("T1"));
        QCOMPARE(s.cell(1, 1).toDouble(), drugTimeMean(1, 1));
        QCOMPARE(s.cell(3, 2).toDouble(), drugTimeMean(2, 3));
        QCOMPARE(child<QLabel>(w, "pairPosition")->text(), QStringLiteral("Pair 1 of 3"));
        QVERIFY(!child<QPushButton>(w, "SimpleButton")->isVisible());
        QCOMPARE(child<QPushButton>(w, "CancelButton")->text(), QStringLiteral("&Return to Grid"));

        // Panels for Subjects: the dialog offers the one factor left, level 1 shows under its
        // heading, "Next Level" steps through the levels and back to the whole table.
        auto* panels = child<QPushButton>(w, "PanelsButton");
        QCOMPARE(panels->text(), QStringLiteral("Show &Panels for third factor"));
        click(panels);
        PanelsDialog* dialog = w->panelsDialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(child<QLabel>(dialog, "panelPrompt")->text().endsWith(
            QStringLiteral(" for Panels showing Drug and Time:")));
        QCOMPARE(child<QRadioButton>(dialog, "Thirdfac0")->text(), QStringLiteral("Subjects"));
        QVERIFY(!dialog->findChild<QRadioButton*>(QStringLiteral("Thirdfac1")));
        s.press(dialog, "okButton");
        QVERIFY(!dialog->isVisible());
        QCOMPARE(child<QLabel>(w, "panelHeading")->text(), QStringLiteral("For Subjects S1"));
        QVERIFY(child<QLabel>(w, "panelHeading")->isVisible());
        QCOMPARE(panels->text(), QStringLiteral("Next &Level"));
        QCOMPARE(s.cell(2, 2).toDouble(), drugTimeMean(2, 2, 1));
        for (int level = 2; level <= 5; ++level) {
            click(panels);
            QCOMPARE(child<QLabel>(w, "panelHeading")->text(), QStringLiteral("For Subjects S%1").arg(level));
            QCOMPARE(s.cell(1, 1).toDouble(), drugTimeMean(1, 1, level));
        }
        click(panels);
        QVERIFY(!child<QLabel>(w, "panelHeading")->isVisible());
        QCOMPARE(panels->text(), QStringLiteral("Show &Panels for third factor"));

        // Copied: the problem label, the column factor, then the rows as shown.
        child<QAction>(w, "copyAction")->trigger();
        std::string expected = "Pilot study\nDrug\n";
        for (int r = 0; r <= w->grid()->rowCount(); ++r)
            expected += s.gridRow(r).join(QLatin1Char(' ')).toStdString() + " \n";
        QCOMPARE(s.fake.clipboard.content.value_or(""), expected);

        // Printed: the heading first, with the problem label (the whole layout: means_test).
        child<QAction>(w, "printAction")->trigger();
        QCOMPARE(s.fake.printer.dialogTitles, std::vector<std::string>{"Print Cell Means"});
        QVERIFY(s.fake.dialogs.messages.empty());
        const QStringList printed = QString::fromStdString(pdfText(s.pdf.toStdString(), true)).split(QLatin1Char('\n'));
        QVERIFY2(printed.value(0).trimmed() == QStringLiteral("Cell means, using raw data"),
                 qPrintable(printed.join(QLatin1Char('\n'))));
        QVERIFY(printed.indexOf(QRegularExpression(QStringLiteral("\\s*Pilot study\\s*"))) >= 0);

        // The other two pairs, then the end of the set; the last table stays.
        click(child<QPushButton>(w, "Nextpair"));
        click(child<QPushButton>(w, "Nextpair"));
        QCOMPARE(s.gridRow(0), (QStringList{"Subjects", "T1", "T2", "T3", "Marginal"}));
        QCOMPARE(child<QLabel>(w, "pairPosition")->text(), QStringLiteral("Pair 3 of 3"));
        QVERIFY(s.fake.dialogs.messages.empty());
        click(child<QPushButton>(w, "Nextpair"));
        QCOMPARE(s.fake.dialogs.messageTitles(), std::vector<std::string>{"Cell Means"});  // text: means_test
        QCOMPARE(s.gridRow(0), (QStringList{"Subjects", "T1", "T2", "T3", "Marginal"}));

        // Saved as CSV: every pair, whole and in panels (3 + 5, 2 + 3, 3 + 2 grids), not only
        // the one on show; the window stays on it.
        const std::string csv = s.folder.filePath(QStringLiteral("means.csv")).toStdString();
        s.fake.dialogs.saveAnswers.push_back(csv);
        child<QAction>(w, "saveCsvAction")->trigger();
        const QStringList lines = QString::fromStdString(readAll(csv)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QSet<QString> grids;
        for (const QString& line : lines.mid(1))
            grids << line.section(QLatin1Char(','), 0, 3);
        QCOMPARE(grids.size(), 13);
        QVERIFY(grids.contains(QStringLiteral("Drug,Time,,")));
        QVERIFY(grids.contains(QStringLiteral("Time,Subjects,Drug,2")));
        const QString panelCell = QStringLiteral("Drug,Time,Subjects,2,Pl,T1,");
        const auto found = std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(panelCell); });
        QVERIFY(found != lines.end());
        QCOMPARE(found->mid(panelCell.size()).toDouble(), drugTimeMean(1, 1, 2));
        QCOMPARE(child<QLabel>(w, "pairPosition")->text(), QStringLiteral("Pair 3 of 3"));

        click(child<QPushButton>(w, "CancelButton"));
        QCOMPARE(visibleWindows(), QStringList{"dataEntryWindow"});
        QVERIFY(!s.app->cellMeansWindow());
        QCOMPARE(s.quits, 0);
    }

    void simpleEffectsFromTheDesignWindowToTheirTableAndBack()
    {
        Walk s(false);
        STEP(s.prepareTable("repeatedMeasures"));
        const AnovaTable ordinary = *s.app->state().results.ordinary();
        click(child<QPushButton>(s.app->tableWindow(), "CancelButton"));
        AnovaDesignWindow* design = s.app->anovaDesignWindow();
        auto* simple = child<QPushButton>(design, "simpleEffectsButton");
        QVERIFY(simple->isVisible() && simple->isEnabled());

        // Subjects designated: Drug x Time is the one pair, shown at once.
        click(simple);
        QCOMPARE(visibleWindows(), QStringList{"cellMeansWindow"});
        CellMeansWindow* w = s.means();
        QVERIFY(child<QPushButton>(w, "SimpleButton")->isVisible());
        QCOMPARE(child<QPushButton>(w, "CancelButton")->text(), QStringLiteral("&Return to Specification Window"));
        click(child<QPushButton>(w, "Nextpair"));
        QCOMPARE(s.fake.dialogs.messageTitles(), std::vector<std::string>{"Simple Effects"});  // text: means_test

        // The simple-effects table: Drug at each time, each with its own error row, then Time at
        // each drug; the SS of Drug at the three times add up to D + DxT of the full table.
        click(child<QPushButton>(w, "SimpleButton"));
        TableWindow* table = s.app->simpleEffectsTableWindow();
        QVERIFY(table);
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
        QVERIFY(table->isVisible() && !s.app->tableWindow()->isVisible());
        QCOMPARE(table->windowTitle(), QStringLiteral("Simple Effects Analysis of Variance Table"));
        QCOMPARE(child<QPushButton>(table, "CancelButton")->text(), QStringLiteral("&Return to Simple Effects Window"));
        // (The rows of a simple-effects table: simpleeffects_test.)
        double drugAtTimes = 0;
        int drugRows = 0;
        for (int r = 0; r < table->grid()->rowCount(); ++r)
            if (table->grid()->item(r, 0)->text().startsWith(QStringLiteral("D at T"))) {
                drugAtTimes += table->workingTable().number(r + 2, ColSS);
                ++drugRows;
            }
        QCOMPARE(drugRows, 3);
        auto ssOf = [&](const char* label) {
            for (int r = 1; r <= ordinary.rowCount(); ++r)
                if (ordinary.cell(r, ColSource) == label)
                    return ordinary.number(r, ColSS);
            return std::nan("");
        };
        QVERIFY(std::abs(drugAtTimes - ssOf("D") - ssOf("DxT")) < 1e-9);

        // Back to the means, back to the Anova design window; the ordinary table is still the
        // one "&Prepare Table" shows, with its own way back.
        click(child<QPushButton>(table, "CancelButton"));
        QCOMPARE(visibleWindows(), QStringList{"cellMeansWindow"});
        QVERIFY(!s.app->simpleEffectsTableWindow());
        click(child<QPushButton>(w, "CancelButton"));
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
        QVERIFY(!s.app->cellMeansWindow());
        click(child<QPushButton>(design, "mainButton"));
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
        QCOMPARE(s.app->tableWindow()->windowTitle(), QStringLiteral("Analysis of Variance Table"));
        QCOMPARE(child<QPushButton>(s.app->tableWindow(), "CancelButton")->text(),
                 QStringLiteral("&Return to Specification Window"));

        // A changed choice withdraws the offer until the next table.
        click(child<QPushButton>(s.app->tableWindow(), "CancelButton"));
        QVERIFY(simple->isVisible());
        s.press(design, "noFRatios");
        QVERIFY(!simple->isVisible());
        QCOMPARE(s.quits, 0);
    }

    void pairsThatCannotBeShownAreTold()
    {
        // Time nested under Drug: the only pair of substantive factors has no simple effects.
        Walk s(false);
        s.press(s.app->dataEntryWindow(), "anovaDesignButton");
        AnovaDesignWindow* design = s.app->anovaDesignWindow();
        s.press(design, "independentGroups");
        s.press(design, "factorOption3");
        s.press(design, "nested");
        s.press(design, "nestingButton");
        NestingWindow* nesting = design->nestingWindow();
        QVERIFY(nesting);
        STEP(s.clickLine(nesting->list(), QStringLiteral("T nested under D")));
        s.press(nesting, "okButton");
        s.press(design, "mainButton");
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
        click(child<QPushButton>(s.app->tableWindow(), "CancelButton"));
        s.fake.dialogs.clearRecord();
        s.press(design, "simpleEffectsButton");
        QCOMPARE(s.fake.dialogs.messageTitles(), std::vector<std::string>{"Not Available!"});  // text: means_test
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
        QVERIFY(!s.app->cellMeansWindow() && !s.app->pairSelector());

        // The tables of means still show that pair, at once: with Subjects designated it is the
        // only one.
        s.press(design, "returnButton");
        s.press(s.app->dataEntryWindow(), "tablesButton");
        QCOMPARE(visibleWindows(), QStringList{"cellMeansWindow"});
        QCOMPARE(s.gridRow(0), (QStringList{"Time", "1", "2", "Marginal"}));
        QCOMPARE(s.fake.dialogs.messages.size(), size_t(1));
    }

    void zeroWithinCellsLeadsBackToTheData()
    {
        // Every subject scores alike: the table is shown after "Yes" to its warnings, but the
        // simple effects have no error term and the user is sent back to the grid.
        std::vector<int> scores;
        for (int i = 0; i < 30; ++i)
            scores.push_back(10 + i % 2 + 2 * (i / 2 % 3));
        Walk s(false, scores);
        s.fake.dialogs.messageFallback = DialogAnswer::Yes;
        STEP(s.prepareTable("independentGroups"));
        click(child<QPushButton>(s.app->tableWindow(), "CancelButton"));
        s.fake.dialogs.messageFallback.reset();
        s.fake.dialogs.clearRecord();
        s.press(s.app->anovaDesignWindow(), "simpleEffectsButton");
        QCOMPARE(visibleWindows(), QStringList{"cellMeansWindow"});
        click(child<QPushButton>(s.means(), "SimpleButton"));
        QCOMPARE(s.fake.dialogs.messageTitles(), std::vector<std::string>{"Undefined F-ratio!"});
        QCOMPARE(visibleWindows(), QStringList{"dataEntryWindow"});
        QVERIFY(!s.app->cellMeansWindow() && !s.app->simpleEffectsTableWindow());
        QCOMPARE(s.quits, 0);
    }
};

QTEST_MAIN(CellMeansTest)
#include "cellmeans_test.moc"
