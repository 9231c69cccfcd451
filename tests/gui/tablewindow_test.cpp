// SPDX-License-Identifier: GPL-3.0-or-later
// The "Analysis of Variance Table" window on tables from real analyses, driven like a user:
// menus, option buttons, clicks and keys, with the dialogs answered from a script.
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include "session/session.h"
#include "engine/analysis.h"
#include "engine/effectsize.h"
#include "engine/fprob.h"
#include "engine/numbertext.h"
#include "engine/sources.h"
#include "analysis/analysisservice.h"
#include "support/drugtimescores.h"
#include "support/guitest.h"
#include "support/recordingprompts.h"
#include "table/tablewindow.h"

using namespace varisect;

namespace {

using test::drugTimeSubjectDesign;
using test::drugTimeSubjectScores;

QString q(const std::string& s) { return QString::fromStdString(s); }

struct Harness {
    QTemporaryDir folder;
    FakePlatform fake{folder.filePath(QStringLiteral("table.pdf")).toStdString()};
    AnovaTable analysed;
    int returns = 0, restarts = 0, exits = 0;
    std::vector<bool> sphericityToggles;
    std::unique_ptr<TableWindow> window;

    explicit Harness(const Design& design, TableOrigin origin = TableOrigin::AnovaDesign, bool showFs = false,
                     const std::string& prefix = {}, ModeFlags mode = {}, Scores scores = drugTimeSubjectScores(),
                     bool sphericityTests = false, std::vector<std::string> notes = {})
    {
        RecordingPrompts prompts;
        auto table = analyseDesign(design, scores, prompts);
        if (!table)
            qFatal("the analysis was abandoned");
        analysed = *table;
        analysed.notes = std::move(notes);
        TableRequest request{analysed, design, origin, prefix, showFs, mode.unequalCellMode(),
                             mode.unweightedMeans && !mode.randomAttritionTest, scores, sphericityTests};
        window = std::make_unique<TableWindow>(
            std::move(request), test::shellContext(fake, &exits),
            TableWindowHandOver{[this] { ++returns; }, [this] { ++restarts; },
                                [this](bool on) { sphericityToggles.push_back(on); }});
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("the window was not shown");
    }

    QTableWidget* grid() const { return window->grid(); }
    // A cell of the table as the window shows, copies and prints it (1-based, header row 1).
    std::string shown(int row, int column) const { return window->displayRows().at(size_t(row - 1)).at(size_t(column - 1)); }
    QString cell(int gridRow, int column) const { return grid()->item(gridRow, column)->text(); }
    QString header(int column) const { return grid()->horizontalHeaderItem(column)->text(); }
    // The grid row of the `nth` (1-based) source of that name.
    int gridRowOf(const QString& source, int nth = 1) const
    {
        for (int r = 0; r < grid()->rowCount(); ++r)
            if (cell(r, 0) == source && --nth == 0)
                return r;
        qWarning() << "no row" << source;
        return -1;
    }
    QAction* action(const QString& caption) const
    {
        for (QAction* menu : window->menuBar()->actions())
            for (QAction* a : menu->menu()->actions())
                if (a->text() == caption)
                    return a;
        return nullptr;
    }
    void trigger(const char* caption)
    {
        QAction* a = action(QString::fromUtf8(caption));
        QVERIFY2(a, caption);
        QVERIFY2(a->isEnabled(), caption);
        a->trigger();
    }
    void clickCell(int gridRow, int column)
    {
        const QRect rect = grid()->visualItemRect(grid()->item(gridRow, column));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void chooseOmega(int option)
    {
        QTest::mouseClick(window->findChild<QRadioButton*>(QStringLiteral("OmegaChoice%1").arg(option)), Qt::LeftButton);
    }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < grid()->rowCount(); ++r)
            out << cell(r, c);
        return out;
    }
    std::vector<QStringList> gridTexts() const
    {
        std::vector<QStringList> out;
        for (int c = 0; c < 6; ++c)
            out.push_back(QStringList{header(c)} + column(c));
        return out;
    }
    // The adjustment of the df of `source` answered with `answer` (empty: the box cancelled).
    void adjust(const QString& source, std::optional<std::string> answer, int nth = 1)
    {
        fake.dialogs.inputAnswers.push_back(std::move(answer));
        trigger("&Adjust Error df");
        clickCell(gridRowOf(source, nth), 1);
    }
};

}  // namespace

class TableWindowTest : public QObject {
    Q_OBJECT

private slots:
    // The table's own notes (the harmonic mean cell size, the steps applied to the scores) stand
    // under the legend and follow the table in its copy, print and Word text.
    void tableNotesGoWhereverTheTableGoes()
    {
        const std::vector<std::string> notes{"  Harmonic mean cell size = 1.714: a source's MS is SS (raw) / df x 1.714.",
                                             "  Scores transformed: natural log."};
        Harness h(drugTimeSubjectDesign(AnovaType::RepeatedMeasures), TableOrigin::AnovaDesign, false, {}, {},
                  drugTimeSubjectScores(), false, notes);
        const QString legend = h.window->findChild<QLabel*>(QStringLiteral("legend"))->text();
        QVERIFY2(legend.endsWith(QStringLiteral("\n\n") + q(notes[0]) + QStringLiteral("\n") + q(notes[1])), qPrintable(legend));
        h.trigger("&Copy Entire Table to Clipboard");
        QVERIFY(h.fake.clipboard.content->ends_with("\r\n\r\n" + notes[0] + "\r\n" + notes[1] + "\r\n"));
        QCOMPARE(h.window->printedDocument().blocks().back().lines, notes);
    }

    // The sphericity tests (their numbers: sphericity_test) stand under the table while the menu
    // item is checked, go with it to the clipboard and the printer, and leave the table as it was.
    void sphericityBlockFollowsTheMenuItem()
    {
        const Design design = drugTimeSubjectDesign(AnovaType::RepeatedMeasures);
        Harness h(design);
        const auto atLoad = h.gridTexts();
        auto* block = h.window->findChild<QLabel*>(QStringLiteral("sphericityBlock"));
        QAction* item = h.action(QStringLiteral("&Sphericity Tests"));
        QVERIFY(item && item->isCheckable() && !item->isChecked() && item->isEnabled());
        QVERIFY(!block->isVisible() && h.window->sphericityBlock().empty());

        h.trigger("&Sphericity Tests");
        QCOMPARE(h.sphericityToggles, std::vector<bool>{true});
        const std::vector<std::string> lines = sphericityLines(sphericityReport(design, drugTimeSubjectScores(), h.analysed));
        QCOMPARE(h.window->sphericityBlock(), lines);
        QVERIFY(block->isVisible());
        QCOMPARE(block->text().split(QLatin1Char('\n')).size(), int(lines.size()));
        QCOMPARE(h.gridTexts(), atLoad);
        h.trigger("&Copy Entire Table to Clipboard");
        QVERIFY(h.fake.clipboard.content->find("\r\n" + lines[3] + "\r\n") != std::string::npos);
        std::vector<std::string> underTable{""};
        underTable.insert(underTable.end(), lines.begin(), lines.end());
        QCOMPARE(h.window->printedDocument().blocks().back().lines, underTable);

        h.trigger("&Sphericity Tests");
        QCOMPARE(h.sphericityToggles, (std::vector<bool>{true, false}));
        QVERIFY(!block->isVisible());
        h.trigger("&Copy Entire Table to Clipboard");
        QVERIFY(h.fake.clipboard.content->find("Sphericity") == std::string::npos);

        // The preference on as the window opens: the block is there at once. Independent groups
        // have no sphericity tests: the item stays off.
        Harness remembered(design, TableOrigin::AnovaDesign, false, {}, {}, drugTimeSubjectScores(), true);
        QCOMPARE(remembered.window->sphericityBlock(), lines);
        QVERIFY(remembered.action(QStringLiteral("&Sphericity Tests"))->isChecked());
        Harness independent(drugTimeSubjectDesign(AnovaType::IndependentGroups), TableOrigin::AnovaDesign, false, {}, {},
                            drugTimeSubjectScores(), true);
        QVERIFY(!independent.action(QStringLiteral("&Sphericity Tests"))->isEnabled());
        QVERIFY(independent.window->sphericityBlock().empty());
    }

    // The option buttons put the effect sizes (their values: effectsize_test, etasquared_test) in
    // place of MS and F, in the grid and in what is copied and printed, and take them out again.
    void effectSizeOptionsReplaceTheColumnsAndRevert()
    {
        Harness rm(drugTimeSubjectDesign(AnovaType::RepeatedMeasures));
        const auto rmAtLoad = rm.gridTexts();
        // The eta squareds are offered for repeated measures (omega squared is not).
        QVERIFY(rm.window->findChild<QGroupBox*>(QStringLiteral("OmegaChoice"))->isVisible());
        QVERIFY(!rm.window->findChild<QRadioButton*>(QStringLiteral("OmegaChoice0"))->isVisible());
        rm.chooseOmega(5);
        QCOMPARE(rm.header(3), QString::fromUtf8("Gen. Eta\u00B2"));
        QCOMPARE(rm.header(4), QStringLiteral("90% CI"));
        const int t = rm.gridRowOf("T");
        const EffectSizes sizes = computeEffectSizes(rm.analysed, drugTimeSubjectDesign(AnovaType::RepeatedMeasures),
                                                     EffectSizeKind::GeneralizedEta);
        QCOMPARE(rm.cell(t, 3), q(sizes.column3[size_t(t + 1)]));
        QVERIFY(rm.action(QStringLiteral("&Print Table")));
        rm.chooseOmega(2);
        QCOMPARE(rm.gridTexts(), rmAtLoad);

        Harness h(drugTimeSubjectDesign(AnovaType::IndependentGroups));
        const auto atLoad = h.gridTexts();
        h.chooseOmega(0);
        QCOMPARE(h.header(3), QString::fromUtf8("Omega\u00B2"));
        QCOMPARE(h.header(4), QStringLiteral("P-h Pwr"));
        QCOMPARE(h.window->findChild<QLabel*>(QStringLiteral("effectLegend"))->text(), QStringLiteral("Hays, P-h P"));
        QCOMPARE(h.column(5), atLoad[5].mid(1));
        QCOMPARE(h.shown(1, ColMS), std::string("Omega\u00B2"));
        QCOMPARE(q(h.shown(2, ColMS)), h.cell(0, 3));
        // Partial: the F column comes back, the legend goes.
        h.chooseOmega(1);
        QCOMPARE(h.header(4), QStringLiteral("F"));
        QCOMPARE(h.cell(0, 4), atLoad[4][1]);
        QVERIFY(!h.window->findChild<QLabel*>(QStringLiteral("effectLegend"))->isVisible());
        h.chooseOmega(2);
        QCOMPARE(h.gridTexts(), atLoad);
        QVERIFY(h.action(QStringLiteral("&Print Anova Table")));
        QCOMPARE(h.shown(1, ColMS), std::string("MS"));
    }

    // Grid row r shows table row r + 2 as the cell rules format it (tabletext_test); here nothing
    // is cut off, and the preference and the implanted scores reach the grid.
    void cellsFitTheirColumnsAndFollowThePreference()
    {
        Harness h(drugTimeSubjectDesign(AnovaType::RepeatedMeasures));
        QCOMPARE(h.grid()->rowCount(), h.analysed.rowCount() - 1);
        QCOMPARE(h.cell(h.gridRowOf("DxT"), 4), QStringLiteral("<1"));
        const QFontMetrics fm(h.grid()->font());
        for (int c = 0; c < 6; ++c)
            for (const QString& text : h.column(c))
                QVERIFY2(fm.horizontalAdvance(text) < h.grid()->columnWidth(c), qPrintable(text));
        QVERIFY(h.grid()->viewport()->width() >= h.grid()->horizontalHeader()->length());

        Harness shown(drugTimeSubjectDesign(AnovaType::RepeatedMeasures), TableOrigin::AnovaDesign, true);
        QCOMPARE(shown.cell(shown.gridRowOf("DxT"), 4), q(FormatFixed(shown.analysed.number(7, ColF), 2, true)));

        Harness imputed(drugTimeSubjectDesign(AnovaType::RepeatedMeasures, 1));
        QCOMPARE(imputed.cell(imputed.gridRowOf("  SxDxT"), 1), QStringLiteral(" 7*"));
    }

    // The origin decides the return caption (from the simple effects: cellmeans_test, through
    // the application) and the effect sizes; the prefix names the analysis.
    void theOriginDecidesTitleCaptionAndWarning()
    {
        Harness simple(drugTimeSubjectDesign(AnovaType::IndependentGroups), TableOrigin::SimpleEffects);
        QVERIFY(!simple.window->findChild<QGroupBox*>(QStringLiteral("OmegaChoice"))->isVisible());
        ModeFlags unweighted;
        unweighted.unweightedMeans = true;
        Harness unequal(drugTimeSubjectDesign(AnovaType::IndependentGroups), TableOrigin::UnequalCellSizes, false,
                        "Unweighted Means ", unweighted);
        QTRY_COMPARE(unequal.fake.dialogs.messageTitles(), std::vector<std::string>{"Nonorthogonal Analysis"});
        QCOMPARE(unequal.fake.dialogs.lastMessage().message.text,
                 std::string("     The method of unweighted means yields statistical tests that are slightly biased. \n\r"
                             "      You may wish to use a more stringent significance level, such as .025 for a "
                             "nominal .05 test."));
        QCOMPARE(unequal.window->windowTitle(), QStringLiteral("Unweighted Means Analysis of Variance Table"));
        QCOMPARE(unequal.window->findChild<QPushButton*>(QStringLiteral("CancelButton"))->text(),
                 QStringLiteral("&Return to Grid"));
        // Levels are left out of the legend of the cell-size window's data.
        QVERIFY(unequal.window->findChild<QLabel*>(QStringLiteral("legend"))->text().endsWith(QStringLiteral("(Subjects)")));
    }

    void renamingFollowsTheKeyRules()
    {
        Harness h(drugTimeSubjectDesign(AnovaType::RepeatedMeasures));
        h.trigger("Re&name Source");
        QCOMPARE(h.fake.dialogs.lastMessage().message.text,
                 std::string("Click on the name of the source whose name you would like to change (within this table only)."));
        for (const char* caption : {"&Print Anova Table", "&Copy Entire Table to Clipboard",
                                    "Copy Selected &Rows to Clipboard", "Re&name Source", "&Adjust Error df"})
            QVERIFY2(!h.action(QString::fromUtf8(caption))->isEnabled(), caption);

        const int d = h.gridRowOf("D");
        h.clickCell(d, 0);
        QTest::keyClicks(h.grid(), QStringLiteral("rug X#1-@(a/b)"));
        QCOMPARE(h.cell(d, 0), QStringLiteral("DrugX1@(a/b)"));
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(h.grid(), Qt::Key_Backspace);
        QCOMPARE(h.cell(d, 0), QStringLiteral("DrugX"));
        for (int i = 0; i < 7; ++i)  // two beyond the start: a beep each, no harm
            QTest::keyClick(h.grid(), Qt::Key_Backspace);
        QCOMPARE(h.cell(d, 0), QString());
        QTest::keyClicks(h.grid(), QStringLiteral("Dose"));
        QCOMPARE(h.shown(d + 2, ColSource), std::string("Dose"));

        // Other columns cannot be edited.
        const QString ss = h.cell(d, 2);
        h.clickCell(d, 2);
        QTest::keyClicks(h.grid(), QStringLiteral("99"));
        QTest::keyClick(h.grid(), Qt::Key_Backspace);
        QCOMPARE(h.cell(d, 2), ss);

        // Finished: no more editing, the new name is copied.
        h.trigger("&Finished Renaming Sources");
        QVERIFY(!h.action(QStringLiteral("&Finished Renaming Sources"))->isEnabled());
        h.clickCell(d, 0);
        QTest::keyClicks(h.grid(), QStringLiteral("xyz"));
        QCOMPARE(h.cell(d, 0), QStringLiteral("Dose"));
        h.trigger("&Copy Entire Table to Clipboard");
        QVERIFY(h.fake.clipboard.content->find("\r\nDose ") != std::string::npos);
    }

    // The menu choice and a click reach the adjustment (its refusals, questions and the rows
    // each error serves: tableedit_test); the window shows, copies and prints the new table.
    void adjustingAnErrorDf()
    {
        Harness ig(drugTimeSubjectDesign(AnovaType::IndependentGroups));
        ig.adjust("  Within", std::string("5"));
        QCOMPARE(ig.fake.dialogs.messageTitles(), std::vector<std::string>{"Not a permitted adjustment!"});

        Harness h(drugTimeSubjectDesign(AnovaType::RepeatedMeasures));
        const auto atLoad = h.gridTexts();
        auto& dialogs = h.fake.dialogs;
        dialogs.messageAnswers.push_back(DialogAnswer::Yes);  // an increase, confirmed
        h.adjust("  SxD", std::string("6"));
        const int sxd = h.gridRowOf("  SxD");
        QCOMPARE(h.cell(sxd, 1), QStringLiteral(" 6"));
        QVERIFY(h.cell(h.gridRowOf("D"), 4) != atLoad[4][1 + h.gridRowOf("D")]);
        QCOMPARE(h.cell(h.gridRowOf("Total"), 1), QStringLiteral(" 31"));
        QCOMPARE(q(h.shown(sxd + 2, ColDf)), QStringLiteral(" 6"));

        // One adjustment per menu choice: a later click only selects.
        const size_t shown = dialogs.messages.size() + dialogs.requests.size();
        h.clickCell(h.gridRowOf("  SxT"), 1);
        QCOMPARE(dialogs.messages.size() + dialogs.requests.size(), shown);
    }

    void copiesSelectedRowsAndReportsBusyClipboardAndPrinter()
    {
        Harness h(drugTimeSubjectDesign(AnovaType::RepeatedMeasures));
        // Selected rows, tab-separated; the header is never part of them.
        h.grid()->setRangeSelected(QTableWidgetSelectionRange(1, 2, 2, 3), true);
        h.trigger("Copy Selected &Rows to Clipboard");
        const QStringList rows = q(h.fake.clipboard.content.value_or("")).split(QLatin1Char('\n'));
        QCOMPARE(rows.size(), 4);
        QVERIFY(rows[0].startsWith(QStringLiteral("D\t 1\t")) && rows[1].startsWith(QStringLiteral("  SxD\t 4\t")));

        // A busy clipboard: the message, for either copy.
        h.fake.clipboard.busy = true;
        h.trigger("&Copy Entire Table to Clipboard");
        h.trigger("Copy Selected &Rows to Clipboard");
        QCOMPARE(h.fake.dialogs.messageTitles(), (std::vector<std::string>(2, "Clipboard Problem!")));
        QCOMPARE(h.fake.dialogs.lastMessage().message.text,
                 std::string("The clipboard is currently being used by another application.\n\rPlease close the other "
                             "application and retry."));
        h.fake.dialogs.clearRecord();

        // An unwritable target: the printer message (a cancelled print: shell_test).
        h.fake.printer.pdfPath = "/nonexistent-folder/table.pdf";
        h.trigger("&Print Anova Table");
        QCOMPARE(h.fake.dialogs.messageTitles(), std::vector<std::string>{"Printer Problem!"});
    }

    // The largest design runs over several pages and ends with the Total row.
    void theLargestTablePrintsOverSeveralPages()
    {
        Design big;
        for (char c : std::string("ABCDEFGS"))
            big.factors.push_back(Factor{std::string(1, c), c, c == 'S' ? 127 : 2, {}});
        big.anovaType = AnovaType::RepeatedMeasures;
        big.designatedFactor = 8;
        Scores scores(16256);
        for (size_t i = 0; i < scores.size(); ++i)
            scores[i] = static_cast<float>((i * 37) % 101) / 10.0f;
        Harness large(big, TableOrigin::AnovaDesign, false, {}, {}, scores);
        QCOMPARE(large.grid()->rowCount(), 256);
        large.trigger("&Print Anova Table");
        const std::string all = test::pdfText(large.fake.printer.pdfPath, true);
        QVERIFY(std::count(all.begin(), all.end(), '\f') >= 3);
        QVERIFY(all.find("SxAxBxCxDxExFxG") != std::string::npos);
        QVERIFY(all.find("Total") > all.rfind('\f', all.size() - 2));
    }

    void theButtonsHandOver()
    {
        Harness h(drugTimeSubjectDesign(AnovaType::IndependentGroups));
        QTest::mouseClick(h.window->findChild<QPushButton*>(QStringLiteral("CancelButton")), Qt::LeftButton);
        QCOMPARE(h.returns, 1);
        QVERIFY(!h.window->isVisible());

        h.window->show();
        QTest::mouseClick(h.window->findChild<QPushButton*>(QStringLiteral("RestartButton")), Qt::LeftButton);
        QCOMPARE(h.restarts, 1);
        h.trigger("E&xit Alt + F4");
        QCOMPARE(h.exits, 1);
        // Closing the window goes through the exit path, which decides; the exit path itself closes it.
        h.window->close();
        QCOMPARE(h.exits, 2);
        QVERIFY(h.window->isVisible());
        h.window->closeForExit();
        QVERIFY(!h.window->isVisible());
    }
};

QTEST_MAIN(TableWindowTest)
#include "tablewindow_test.moc"
