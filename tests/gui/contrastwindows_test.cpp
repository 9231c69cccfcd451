// SPDX-License-Identifier: GPL-3.0-or-later
// The trend-test and planned-comparison windows walked like a user: a factor chosen, values or
// coefficients typed, the table prepared with its contrast rows, a refusal, and the contrasts
// kept while the user moves between factors.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTest>

#include "contrasts/comparisonswindow.h"
#include "contrasts/trendtestswindow.h"
#include "platform/helpviewer.h"
#include "posthoc/posthocwindow.h"
#include "session/session.h"
#include "table/tablewindow.h"
#include "support/guitest.h"

using namespace varisect;
using namespace varisect::test;

namespace {

void fill(Session& state, std::vector<std::pair<std::string, int>> factors, int subjects)
{
    state.design.design = makeDesign(factors);
    state.design.design.anovaType = AnovaType::RepeatedMeasures;
    state.design.design.designatedFactor = subjects;
    state.design.anovaTypeChosen = true;
    Scores scores;
    for (long i = 0; i < state.design.design.scoreCount(); ++i)
        scores.push_back(float(10 + (i * 37 % 11) + i % 4));
    state.data.accept(std::move(scores));
}

struct Walk {
    FakePlatform fake;
    Session state;
    std::vector<AnovaTable> tables;
    std::vector<std::string> notes;
    int returns = 0;

    ContrastParts parts() { return {state.design, state.data}; }
    ContrastHandOver handOver()
    {
        ContrastHandOver h;
        h.tableReady = [this](AnovaTable t, std::vector<std::string> lines) {
            tables.push_back(std::move(t));
            notes = std::move(lines);
        };
        h.returnToDesign = [this] { ++returns; };
        return h;
    }
    bool hasRow(const std::string& label) const
    {
        if (tables.empty())
            return false;
        const AnovaTable& t = tables.back();
        for (int r = 2; r <= t.rowCount(); ++r)
            if (t.cell(r, ColSource) == label)
                return !t.cell(r, ColF).empty();
        return false;
    }
};

}  // namespace

class ContrastWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void trendsForUnequallySpacedLevels();
    void comparisonsKeptAcrossFactors();
    void postHocComparisonsUnderTheTable();
};

void ContrastWindowsTest::trendsForUnequallySpacedLevels()
{
    Walk w;
    fill(w.state, {{"Dose", 4}, {"Subject", 3}, {"Kind", 2}}, 2);
    TrendTestsWindow window(w.parts(), shellContext(w.fake), w.handOver());
    window.show();
    QCOMPARE(window.offered(), std::vector<int>{1});  // Kind has 2 levels, Subject is designated
    QVERIFY(child<QCheckBox>(&window, "factorCheck1")->isChecked());
    QVERIFY(child<QLabel>(&window, "coefficients1")->text().contains(QStringLiteral("linear:     -3  -1   1   3")));

    auto* values = child<QLineEdit>(&window, "valuesBox1");
    values->setText(QStringLiteral("1, 2, 2, 8"));
    click(child<QPushButton>(&window, "PrepareButton"));
    // Which values are refused: contrasts_test.
    QCOMPARE(w.fake.dialogs.messageTitles(), std::vector<std::string>{"Equal Level Values!"});
    QVERIFY(w.tables.empty());

    values->setText(QStringLiteral("1 2 4 8"));
    child<QComboBox>(&window, "degreeBox1")->setCurrentIndex(1);
    QVERIFY(!child<QLabel>(&window, "coefficients1")->text().contains(QStringLiteral("cubic")));
    click(child<QPushButton>(&window, "PrepareButton"));
    QCOMPARE(w.tables.size(), size_t(1));
    QVERIFY(w.hasRow("  D: quadratic"));
    QVERIFY(!w.hasRow("  D: cubic"));

    // The table window shows, prints and copies them under the table.
    TableRequest request;
    request.table = w.tables.back();
    request.design = w.state.design.design;
    request.origin = TableOrigin::TrendTests;
    TableWindow table(std::move(request), shellContext(w.fake), {});
    table.setNotes(w.notes);
    QVERIFY(child<QLabel>(&table, "legend")->text().endsWith(QString::fromStdString(w.notes.back())));
    QCOMPARE(child<QPushButton>(&table, "CancelButton")->text(), QStringLiteral("&Return to Trend Tests"));
    for (QAction* a : table.findChildren<QAction*>())
        if (a->text() == QStringLiteral("&Copy Entire Table to Clipboard"))
            a->trigger();
    QVERIFY(w.fake.clipboard.content.value_or("").find(w.notes[1]) != std::string::npos);
    QVERIFY(!window.isVisible());
}

void ContrastWindowsTest::comparisonsKeptAcrossFactors()
{
    Walk w;
    fill(w.state, {{"Drug", 2}, {"Dose", 3}, {"Subject", 4}}, 3);
    ComparisonsWindow window(w.parts(), shellContext(w.fake), w.handOver());
    window.show();
    auto* factor = child<QComboBox>(&window, "factorBox");
    QCOMPARE(factor->count(), 2);
    factor->setCurrentIndex(1);
    QCOMPARE(window.currentFactor(), 2);
    QTableWidget* grid = window.grid();
    QCOMPARE(grid->columnCount(), 3);
    grid->item(0, 0)->setText(QStringLiteral("1"));
    grid->item(0, 1)->setText(QStringLiteral("1"));
    click(child<QPushButton>(&window, "PrepareButton"));
    QCOMPARE(w.fake.dialogs.messages.back().message.title, std::string("Coefficients Do Not Sum to Zero!"));
    grid->item(0, 2)->setText(QStringLiteral("-2"));
    click(child<QPushButton>(&window, "AddButton"));
    grid->item(1, 0)->setText(QStringLiteral("1"));
    grid->item(1, 1)->setText(QStringLiteral("-1"));

    factor->setCurrentIndex(0);  // Drug, and back: Dose's contrasts stay
    QCOMPARE(window.grid()->columnCount(), 2);
    factor->setCurrentIndex(1);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("-2"));

    click(child<QPushButton>(&window, "PrepareButton"));
    QCOMPARE(w.tables.size(), size_t(1));
    QVERIFY(w.hasRow("  D: c1 (1 1 -2)"));
    QVERIFY(w.hasRow("  D: c2 (1 -1 0)"));

    click(child<QPushButton>(&window, "ReturnButton"));
    QCOMPARE(w.returns, 1);
}

// The window's choices reach the comparisons, which go under the table with its legend; the table
// window copies them; F1 opens the window's help page. The contrast windows' choice of error and
// adjustment reaches the table's legend.
void ContrastWindowsTest::postHocComparisonsUnderTheTable()
{
    Walk w;
    fill(w.state, {{"Drug", 2}, {"Dose", 3}, {"Subject", 4}}, 3);
    PosthocWindow window(w.parts(), shellContext(w.fake), w.handOver());
    window.resize(1366, 768);
    window.show();
    auto* factor = child<QComboBox>(&window, "factorBox");
    QCOMPARE(factor->count(), 2);  // not the subjects
    factor->setCurrentIndex(1);
    auto* by = child<QComboBox>(&window, "byBox");
    QCOMPARE(by->count(), 2);  // none, Drug
    auto* method = child<QComboBox>(&window, "methodBox");
    method->setCurrentIndex(1);
    // The error choice follows the method at once, not across the window's free space.
    const auto* error = child<QComboBox>(&window, "errorBox");
    QVERIFY(error->mapTo(&window, QPoint()).y() - method->mapTo(&window, QPoint(0, method->height())).y()
            < method->height());
    if (const QByteArray dir = qgetenv("VARISECT_GRAB_DIR"); !dir.isEmpty())
        QVERIFY(window.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/posthocwindow.png")));
    QCOMPARE(window.request().factor, 2);
    QCOMPARE(window.request().method, PairwiseMethod::Holm);
    QCOMPARE(window.request().error, ContrastError::Separate);
    click(child<QPushButton>(&window, "PrepareButton"));
    QCOMPARE(w.tables.size(), size_t(1));
    QVERIFY(w.fake.dialogs.messages.empty());
    // The lines themselves: posthoc_test.
    QCOMPARE(w.notes.at(0), std::string("  Pairwise comparisons of Dose (Holm)"));
    QVERIFY(w.notes.at(2).starts_with("  D1 - D2"));
    QVERIFY(!window.isVisible());

    TableRequest request;
    request.table = w.tables.back();
    request.design = w.state.design.design;
    request.origin = TableOrigin::PostHoc;
    TableWindow table(std::move(request), shellContext(w.fake), {});
    table.setNotes(w.notes);
    QCOMPARE(child<QPushButton>(&table, "CancelButton")->text(), QStringLiteral("&Return to Post Hoc Comparisons"));
    if (const QByteArray dir = qgetenv("VARISECT_GRAB_DIR"); !dir.isEmpty()) {
        table.resize(1366, 768);
        table.show();
        QVERIFY(table.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/posthoctable.png")));
    }
    for (QAction* a : table.findChildren<QAction*>())
        if (a->text() == QStringLiteral("&Copy Entire Table to Clipboard"))
            a->trigger();
    QVERIFY(w.fake.clipboard.content.value_or("").find(w.notes[2]) != std::string::npos);

    for (QShortcut* shortcut : window.findChildren<QShortcut*>())
        if (shortcut->key() == QKeySequence(QKeySequence::HelpContents))
            emit shortcut->activated();
    QCOMPARE(w.fake.help.contexts, std::vector<int>{kHelpPostHoc});

    // Planned comparisons with the pooled error and Holm: the legend of the table says so.
    ComparisonsWindow planned(w.parts(), shellContext(w.fake), w.handOver());
    planned.show();
    child<QComboBox>(&planned, "factorBox")->setCurrentIndex(1);
    planned.grid()->item(0, 0)->setText(QStringLiteral("1"));
    planned.grid()->item(0, 2)->setText(QStringLiteral("-1"));
    child<QComboBox>(&planned, "errorBox")->setCurrentIndex(1);
    child<QComboBox>(&planned, "adjustBox")->setCurrentIndex(1);
    click(child<QPushButton>(&planned, "PrepareButton"));
    QCOMPARE(w.tables.size(), size_t(2));
    const std::vector<std::string>& legend = w.tables.back().notes;
    QVERIFY(!legend.empty());
    QVERIFY(legend[1].find("the pooled error SxD") != std::string::npos);
    QCOMPARE(legend.back(), std::string("  p adjusted for the 1 contrast by Holm's step-down method"));
}

QTEST_MAIN(ContrastWindowsTest)
#include "contrastwindows_test.moc"
