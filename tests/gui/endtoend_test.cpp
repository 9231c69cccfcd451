// SPDX-License-Identifier: GPL-3.0-or-later
// The whole ordinary analysis through the real windows of the desktop program: the design typed
// into the main window, the scores typed into the grid, the Anova design window (with the
// nesting window for a mixed design) and the table window, with its copy and print. The
// expected tables are worked out here from the typed scores by the textbook formulas.
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/application.h"
#include "data/dataentrywindow.h"
#include "data/scoremodel.h"
#include "platform/fakeplatform.h"
#include "startup/anovadesignwindow.h"
#include "startup/designwindow.h"
#include "startup/nestingwindow.h"
#include "table/tablewindow.h"

using namespace varisect;

namespace {

// 30 scores as a user types them, Drug cycling fastest, then Time, then Subjects: subjects
// differ, both drugs and times matter, and every interaction carries some weight of its own.
const std::array<int, 30> kTyped{12, 15, 14, 19, 17, 24,   //
                                 10, 14, 13, 16, 15, 22,   //
                                 14, 16, 15, 21, 20, 25,   //
                                 11, 13, 12, 18, 16, 23,   //
                                 13, 17, 16, 20, 18, 26};

double score(int d, int t, int s) { return kTyped[size_t(s * 6 + t * 2 + d)]; }

// The sums of squares of the Drug x Time x Subjects design from the marginal means.
struct Expected {
    double s = 0, d = 0, t = 0, dt = 0, sd = 0, st = 0, sdt = 0, total = 0;

    Expected()
    {
        double g = 0;
        std::array<double, 2> mD{};
        std::array<double, 3> mT{};
        std::array<double, 5> mS{};
        double mDT[2][3] = {}, mSD[5][2] = {}, mST[5][3] = {};
        for (int sj = 0; sj < 5; ++sj)
            for (int tj = 0; tj < 3; ++tj)
                for (int dj = 0; dj < 2; ++dj) {
                    const double x = score(dj, tj, sj);
                    g += x / 30;
                    mD[size_t(dj)] += x / 15;
                    mT[size_t(tj)] += x / 10;
                    mS[size_t(sj)] += x / 6;
                    mDT[dj][tj] += x / 5;
                    mSD[sj][dj] += x / 3;
                    mST[sj][tj] += x / 2;
                }
        auto sq = [](double v) { return v * v; };
        for (int dj = 0; dj < 2; ++dj)
            d += 15 * sq(mD[size_t(dj)] - g);
        for (int tj = 0; tj < 3; ++tj)
            t += 10 * sq(mT[size_t(tj)] - g);
        for (int sj = 0; sj < 5; ++sj)
            s += 6 * sq(mS[size_t(sj)] - g);
        for (int dj = 0; dj < 2; ++dj)
            for (int tj = 0; tj < 3; ++tj)
                dt += 5 * sq(mDT[dj][tj] - mD[size_t(dj)] - mT[size_t(tj)] + g);
        for (int sj = 0; sj < 5; ++sj) {
            for (int dj = 0; dj < 2; ++dj)
                sd += 3 * sq(mSD[sj][dj] - mS[size_t(sj)] - mD[size_t(dj)] + g);
            for (int tj = 0; tj < 3; ++tj)
                st += 2 * sq(mST[sj][tj] - mS[size_t(sj)] - mT[size_t(tj)] + g);
        }
        for (int sj = 0; sj < 5; ++sj)
            for (int tj = 0; tj < 3; ++tj)
                for (int dj = 0; dj < 2; ++dj)
                    total += sq(score(dj, tj, sj) - g);
        sdt = total - s - d - t - dt - sd - st;
    }
    double within() const { return s + sd + st + sdt; }
};

// P(F(df1, df2) > f) by integrating the F density (Simpson's rule after x = u^2).
double upperTail(double f, int df1, int df2)
{
    const double a = df1 / 2.0, b = df2 / 2.0;
    const double norm = 2 * std::pow(double(df1) / df2, a) / std::beta(a, b);
    auto density = [&](double u) { return norm * std::pow(u, df1 - 1) * std::pow(1 + df1 * u * u / df2, -(a + b)); };
    const int steps = 20000;
    const double top = std::sqrt(f), h = top / steps;
    double sum = density(0) + density(top);
    for (int i = 1; i < steps; ++i)
        sum += density(i * h) * (i % 2 ? 4 : 2);
    return 1 - sum * h / 3;
}

template <typename T>
T* child(QObject* parent, const char* name)
{
    T* w = parent->findChild<T*>(QString::fromUtf8(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }

QAction* menuAction(QMainWindow* window, const char* caption)
{
    for (QAction* menu : window->menuBar()->actions())
        if (menu->menu())
            for (QAction* a : menu->menu()->actions())
                if (a->text() == QString::fromUtf8(caption))
                    return a;
    qFatal("no menu item %s", caption);
}

std::string pdfText(const std::string& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput().toStdString();
}

// The desktop program on fake surroundings, walked by a user from its first question.
struct Session {
    QTemporaryDir folder;
    QString pdf = folder.filePath(QStringLiteral("table.pdf"));
    FakePlatform fake{pdf.toStdString()};
    Application app{fake.platform(), {"", 800, [] {}}};

    Session()
    {
        app.start();
        app.mainWindow()->activateWindow();
        if (!QTest::qWaitForWindowActive(app.mainWindow()))
            qFatal("the main window did not become active");
    }

    // Three factors, named and sized in the main window, then on to the grid.
    void describeDesign()
    {
        DesignWindow* main = app.mainWindow();
        auto* count = child<QLineEdit>(main, "factorCountBox");
        QTest::mouseClick(count, Qt::LeftButton);
        QTest::keyClicks(count, QStringLiteral("3"));
        QTest::keyClick(count, Qt::Key_Return);
        for (const auto& [levels, name] :
             std::vector<std::pair<QString, QString>>{{"2", "Drug"}, {"3", "Time"}, {"5", "Subjects"}}) {
            auto* levelsBox = child<QLineEdit>(main, "levelsBox");
            QTest::keyClick(levelsBox, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(levelsBox, levels);
            QTest::keyClick(levelsBox, Qt::Key_Return);
            auto* nameBox = child<QLineEdit>(main, "nameBox");
            QTest::mouseClick(nameBox, Qt::LeftButton);
            QTest::keyClick(nameBox, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(nameBox, name);
            QTest::keyClick(nameBox, Qt::Key_Return);
        }
        QCOMPARE(child<QLabel>(main, "confirmation")->text(),
                 QStringLiteral("The program is expecting 30 scores.  Is that correct?"));
        click(child<QPushButton>(main, "proceedButton"));
    }

    DataEntryWindow* grid() const { return app.dataEntryWindow(); }

    // Clicks the first score cell and types the scores, each followed by Enter.
    void typeScores(const std::vector<QString>& scores)
    {
        QTableView* view = grid()->view();
        const QModelIndex first = grid()->model().index(0, grid()->model().scoreColumn());
        view->scrollTo(first);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(first).center());
        for (const QString& s : scores) {
            QTest::keyClicks(view, s);
            QTest::keyClick(view, Qt::Key_Return);
        }
    }

    // "Data &OK", then "&Anova Design...".
    void acceptAndGoOn()
    {
        click(child<QPushButton>(grid(), "dataOkButton"));
        auto* next = child<QPushButton>(grid(), "anovaDesignButton");
        QVERIFY(next->isEnabled());
        click(next);
    }

    AnovaDesignWindow* design() const { return app.anovaDesignWindow(); }
    void choose(const char* option) { click(child<QAbstractButton>(design(), option)); }
    void prepareTable() { click(child<QPushButton>(design(), "mainButton")); }

    TableWindow* table() const { return app.tableWindow(); }
    QTableWidget* tableGrid() const { return table()->grid(); }
    QString cell(int row, int column) const { return tableGrid()->item(row, column)->text(); }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < tableGrid()->rowCount(); ++r)
            out << cell(r, c);
        return out;
    }
    int rowOf(const QString& label) const
    {
        const int r = int(column(0).indexOf(label));
        if (r < 0)
            qFatal("no table row %s", qPrintable(label));
        return r;
    }
    void trigger(const char* caption)
    {
        QAction* a = menuAction(table(), caption);
        QVERIFY2(a->isEnabled(), caption);
        a->trigger();
    }
    void returnFromTable()
    {
        click(child<QPushButton>(table(), "CancelButton"));
        QVERIFY(!table()->isVisible());
        QVERIFY(design()->isVisible());
    }

    // Visible top-level windows by object name (else class name), so that a hand-over that
    // leaves two windows up, or none, is caught.
    QStringList visibleWindows() const
    {
        QStringList out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                out << (w->objectName().isEmpty() ? QString::fromUtf8(w->metaObject()->className()) : w->objectName());
        out.sort();
        return out;
    }
};

std::vector<QString> typedTexts()
{
    std::vector<QString> out;
    for (int x : kTyped)
        out.push_back(QString::number(x));
    return out;
}

// A shown number matches `expected` to the places it is shown with.
void expectShown(const QString& shown, double expected, const char* what)
{
    bool ok = false;
    const double value = shown.trimmed().toDouble(&ok);
    QVERIFY2(ok, qPrintable(QStringLiteral("%1: '%2' is not a number").arg(what, shown)));
    const QString text = shown.trimmed();
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const int places = point < 0 ? 0 : int(text.size() - point - 1);
    QVERIFY2(std::abs(value - expected) <= 0.5 * std::pow(10.0, -places) + 1e-9,
             qPrintable(QStringLiteral("%1: shown %2, expected %3").arg(what, shown).arg(expected, 0, 'g', 12)));
}

// An F cell: "<1" below one, else F to its places.
void expectF(const QString& shown, double expected, const char* what)
{
    if (expected < 1)
        QCOMPARE(shown, QStringLiteral("<1"));
    else
        expectShown(shown, expected, what);
}

// A p cell: "<.001" for very small values, else within .01 of the exact tail. The table's p
// comes from a normal approximation to the F distribution, good to a few thousandths; a p
// from the wrong df, the wrong error row or the wrong tail is off by far more.
void expectP(const QString& shown, double exact, const char* what)
{
    if (shown.trimmed() == QStringLiteral("<.001")) {
        QVERIFY2(exact < 0.005, what);
        return;
    }
    bool ok = false;
    const double value = shown.trimmed().toDouble(&ok);
    QVERIFY2(ok && std::abs(value - exact) <= 0.01,
             qPrintable(QStringLiteral("%1: shown %2, exact %3").arg(what, shown).arg(exact)));
}

}  // namespace

// A step of the walk that checks as it goes: the test stops at its first failure.
#define STEP(call)                        \
    do {                                  \
        call;                             \
        if (QTest::currentTestFailed())   \
            return;                       \
    } while (false)

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void typedRequestToRepeatedMeasuresTableCopiedAndPrinted();
    void sameScoresAsIndependentGroupsThenMixedDesign();
    void abandonedAnalysisLandsOnTheGrid();
};

void EndToEndTest::typedRequestToRepeatedMeasuresTableCopiedAndPrinted()
{
    Session s;
    STEP(s.describeDesign());
    QVERIFY(s.grid());
    QCOMPARE(s.visibleWindows(), QStringList{"dataEntryWindow"});
    QCOMPARE(s.grid()->model().rowCount(), 30);
    s.typeScores(typedTexts());
    for (int i = 0; i < 30; ++i)
        QCOMPARE(s.grid()->model().text(i), std::to_string(kTyped[size_t(i)]));

    STEP(s.acceptAndGoOn());
    // These scores hold no outlier: "Data OK" asked nothing.
    QVERIFY(s.fake.dialogs.messages.empty());
    QVERIFY(s.design());
    QCOMPARE(s.visibleWindows(), QStringList{"anovaDesignWindow"});
    s.choose("repeatedMeasures");
    s.choose("factorOption3");
    s.prepareTable();
    QVERIFY(s.fake.dialogs.messages.empty());
    QVERIFY(s.table());
    QCOMPARE(s.visibleWindows(), QStringList{"tableWindow"});
    QCOMPARE(s.table()->windowTitle(), QStringLiteral("Analysis of Variance Table"));

    QCOMPARE(s.column(0), (QStringList{"S", "D", "  SxD", "T", "  SxT", "DxT", "  SxDxT", "Total"}));
    QCOMPARE(s.column(1), (QStringList{" 4", " 1", " 4", " 2", " 8", " 2", " 8", " 29"}));
    QCOMPARE(child<QLabel>(s.table(), "legend")->text(),
             QStringLiteral("  Factors\n   Drug         2\n   Time         3\n  (Subjects)    5"));
    QVERIFY(!child<QGroupBox>(s.table(), "OmegaChoice")->isVisible());

    const Expected e;
    const std::map<QString, std::pair<double, int>> ssDf{
        {"S", {e.s, 4}},   {"D", {e.d, 1}},    {"  SxD", {e.sd, 4}},    {"T", {e.t, 2}},
        {"  SxT", {e.st, 8}}, {"DxT", {e.dt, 2}}, {"  SxDxT", {e.sdt, 8}}, {"Total", {e.total, 29}}};
    for (const auto& [label, v] : ssDf) {
        const int r = s.rowOf(label);
        expectShown(s.cell(r, 2), v.first, qPrintable(label + " SS"));
        if (label != "S" && label != "Total")
            expectShown(s.cell(r, 3), v.first / v.second, qPrintable(label + " MS"));
    }
    // Each effect against the error row beneath it, p from the F distribution.
    const std::vector<std::tuple<QString, double, int, double, int>> tests{
        {"D", e.d, 1, e.sd, 4}, {"T", e.t, 2, e.st, 8}, {"DxT", e.dt, 2, e.sdt, 8}};
    for (const auto& [label, ss, df, errSS, errDf] : tests) {
        const double F = (ss / df) / (errSS / errDf);
        const int r = s.rowOf(label);
        expectF(s.cell(r, 4), F, qPrintable(label + " F"));
        expectP(s.cell(r, 5), upperTail(F, df, errDf), qPrintable(label + " p"));
    }
    QCOMPARE(s.cell(s.rowOf("S"), 4), QString());
    QCOMPARE(s.cell(s.rowOf("  SxD"), 4), QString());

    // The whole table on the clipboard: title, legend, then every row with its shown cells.
    s.trigger("&Copy Entire Table to Clipboard");
    const QStringList lines = QString::fromStdString(s.fake.clipboard.content.value_or("")).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.value(0), QStringLiteral("     Analysis of Variance Table"));
    QVERIFY(lines.contains(QStringLiteral("  (Subjects)    5")));
    qsizetype at = lines.indexOf(QStringLiteral("  (Subjects)    5"));
    for (int r = 0; r < s.tableGrid()->rowCount(); ++r) {
        const QString label = s.cell(r, 0);
        qsizetype found = -1;
        for (qsizetype i = at + 1; i < lines.size() && found < 0; ++i)
            if (lines[i].startsWith(label + QLatin1Char(' ')))
                found = i;
        QVERIFY2(found > at, qPrintable(label));
        at = found;
        for (int c = 1; c < 6; ++c)
            QVERIFY2(lines[at].contains(s.cell(r, c).trimmed()), qPrintable(lines[at] + " / " + s.cell(r, c)));
    }

    // Printed to a PDF: the title, the legend and each row's label and SS in order.
    s.trigger("&Print Anova Table");
    QCOMPARE(s.fake.printer.dialogTitles, std::vector<std::string>{"Print Anova Table"});
    QVERIFY(s.fake.dialogs.messages.empty());
    const std::string printed = pdfText(s.pdf.toStdString());
    QVERIFY2(printed.find("Analysis of Variance Table") != std::string::npos, printed.c_str());
    QVERIFY(printed.find("(Subjects)") != std::string::npos);
    size_t from = printed.find("(Subjects)");
    for (int r = 0; r < s.tableGrid()->rowCount(); ++r) {
        const std::string row = "\n" + s.cell(r, 0).toStdString() + " ";
        const std::string ss = s.cell(r, 2).trimmed().toStdString();
        from = printed.find(row, from);
        QVERIFY2(from != std::string::npos, row.c_str());
        const size_t lineEnd = printed.find('\n', from + 1);
        QVERIFY2(printed.substr(from, lineEnd - from).find(ss) != std::string::npos, (row + ss).c_str());
    }
}

void EndToEndTest::sameScoresAsIndependentGroupsThenMixedDesign()
{
    Session s;
    STEP(s.describeDesign());
    s.typeScores(typedTexts());
    STEP(s.acceptAndGoOn());
    s.choose("repeatedMeasures");
    s.choose("factorOption3");
    s.prepareTable();
    TableWindow* first = s.table();
    QVERIFY(first);

    // Return: the design window again, with the earlier choices.
    STEP(s.returnFromTable());
    QCOMPARE(s.visibleWindows(), QStringList{"anovaDesignWindow"});
    QVERIFY(child<QRadioButton>(s.design(), "repeatedMeasures")->isChecked());
    QVERIFY(child<QRadioButton>(s.design(), "factorOption3")->isChecked());

    // Independent groups, Subjects as the replicates.
    s.choose("independentGroups");
    s.choose("factorOption3");
    s.prepareTable();
    QVERIFY(s.fake.dialogs.messages.empty());
    QCOMPARE(s.visibleWindows(), QStringList{"tableWindow"});
    const auto igRows = s.app.state().table.rows;
    QCOMPARE(s.column(0), (QStringList{"D", "T", "DxT", "  Within", "Total"}));
    QCOMPARE(s.column(1), (QStringList{" 1", " 2", " 2", " 24", " 29"}));
    const Expected e;
    const double mse = e.within() / 24;
    expectShown(s.cell(3, 2), e.within(), "Within SS");
    expectShown(s.cell(3, 3), mse, "Within MS");
    const std::vector<std::tuple<int, double, int>> effects{{0, e.d, 1}, {1, e.t, 2}, {2, e.dt, 2}};
    for (const auto& [r, ss, df] : effects) {
        expectShown(s.cell(r, 2), ss, "SS");
        expectF(s.cell(r, 4), (ss / df) / mse, "F");
        expectP(s.cell(r, 5), upperTail((ss / df) / mse, df, 24), "p");
    }

    // Hays and partial omega squared shown to 3 places, from their formulas.
    QVERIFY(child<QGroupBox>(s.table(), "OmegaChoice")->isVisible());
    click(child<QRadioButton>(s.table(), "OmegaChoice0"));
    QCOMPARE(s.tableGrid()->horizontalHeaderItem(3)->text(), QString::fromUtf8("Omega\u00B2"));
    for (const auto& [r, ss, df] : effects)
        expectShown(s.cell(r, 3), (ss - df * mse) / (e.total + mse), "Hays omega squared");
    click(child<QRadioButton>(s.table(), "OmegaChoice1"));
    QCOMPARE(s.tableGrid()->horizontalHeaderItem(3)->text(), QString::fromUtf8("Partial O\u00B2"));
    for (const auto& [r, ss, df] : effects)
        expectShown(s.cell(r, 3), (ss - df * mse) / (ss - df * mse + 30 * mse), "partial omega squared");
    // Revert brings the MS back; the return restores the table as the analysis left it.
    click(child<QRadioButton>(s.table(), "OmegaChoice2"));
    expectShown(s.cell(0, 3), e.d, "D MS");
    click(child<QRadioButton>(s.table(), "OmegaChoice0"));
    STEP(s.returnFromTable());
    QCOMPARE(s.app.state().table.rows, igRows);

    // Mixed: subjects nested under Drug through the nesting window, crossed with Time.
    s.choose("repeatedMeasures");
    s.choose("factorOption3");
    s.choose("nested");
    QVERIFY(!child<QPushButton>(s.design(), "mainButton")->isEnabled());
    click(child<QPushButton>(s.design(), "nestingButton"));
    NestingWindow* nesting = s.design()->nestingWindow();
    QVERIFY(nesting);
    QCOMPARE(s.visibleWindows(), QStringList{"nestingWindow"});
    // OK with nothing chosen is refused with its message; the window stays.
    click(child<QPushButton>(nesting, "okButton"));
    QCOMPARE(s.fake.dialogs.lastMessage().message.text, std::string("Select factors involved in nesting!"));
    QVERIFY(nesting->isVisible());
    QListWidget* list = nesting->list();
    const auto found = list->findItems(QStringLiteral("S nested under D"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
    click(child<QPushButton>(nesting, "okButton"));
    QVERIFY(!nesting->isVisible());
    QVERIFY(s.design()->isVisible());
    s.fake.dialogs.clearRecord();
    s.prepareTable();
    QVERIFY(s.fake.dialogs.messages.empty());
    QCOMPARE(s.visibleWindows(), QStringList{"tableWindow"});

    // D against the subjects-within-drug error (S + SxD, 8 df); T and DxT against the rest (16 df).
    QCOMPARE(s.column(0), (QStringList{"D", "  Error +", "T", "DxT", "  Error +", "Total"}));
    const int d = 0, between = 1, within = 4;
    QCOMPARE(s.cell(between, 1), QStringLiteral(" 8"));
    QCOMPARE(s.cell(within, 1), QStringLiteral(" 16"));
    QCOMPARE(s.cell(s.rowOf("Total"), 1), QStringLiteral(" 29"));
    expectShown(s.cell(between, 2), e.s + e.sd, "between-subjects error SS");
    expectShown(s.cell(within, 2), e.st + e.sdt, "within-subjects error SS");
    const double betweenMS = (e.s + e.sd) / 8, withinMS = (e.st + e.sdt) / 16;
    expectF(s.cell(d, 4), e.d / betweenMS, "D F");
    expectP(s.cell(d, 5), upperTail(e.d / betweenMS, 1, 8), "D p");
    expectF(s.cell(s.rowOf("T"), 4), (e.t / 2) / withinMS, "T F");
    expectF(s.cell(s.rowOf("DxT"), 4), (e.dt / 2) / withinMS, "DxT F");
    QVERIFY(child<QLabel>(s.table(), "legend")->text().contains(QStringLiteral("  S nested under D")));
    QVERIFY(!child<QGroupBox>(s.table(), "OmegaChoice")->isVisible());
}

void EndToEndTest::abandonedAnalysisLandsOnTheGrid()
{
    Session s;
    STEP(s.describeDesign());
    s.typeScores(std::vector<QString>(30, QStringLiteral("7")));
    STEP(s.acceptAndGoOn());
    QVERIFY(s.fake.dialogs.messages.empty());
    s.choose("repeatedMeasures");
    s.choose("factorOption3");
    s.fake.dialogs.messageAnswers = {DialogAnswer::No};
    s.prepareTable();
    QCOMPARE(s.fake.dialogs.messageTitles(), std::vector<std::string>{"Undefined F-ratio!"});
    QCOMPARE(s.fake.dialogs.lastMessage().message.buttons, MessageButtons::YesNo);
    QVERIFY(!s.app.state().tableComputed);
    QVERIFY(!s.table() || !s.table()->isVisible());
    QCOMPARE(s.visibleWindows(), QStringList{"dataEntryWindow"});
    // The typed scores are all still there.
    for (int i = 0; i < 30; ++i)
        QCOMPARE(s.grid()->model().text(i), std::string("7"));

    // Corrected on the grid, the same way on gives a table.
    s.fake.dialogs.clearRecord();
    QAction* clearAll = s.grid()->findChild<QAction*>(QStringLiteral("clearAllAction"));
    QVERIFY(clearAll);
    clearAll->trigger();
    QVERIFY(!s.grid()->model().anyScore());
    s.typeScores(typedTexts());
    STEP(s.acceptAndGoOn());
    QCOMPARE(s.visibleWindows(), QStringList{"anovaDesignWindow"});
    QVERIFY(child<QRadioButton>(s.design(), "repeatedMeasures")->isChecked());
    s.prepareTable();
    QVERIFY(s.fake.dialogs.messages.empty());
    QCOMPARE(s.visibleWindows(), QStringList{"tableWindow"});
    expectShown(s.cell(s.rowOf("D"), 2), Expected().d, "D SS");
}

QTEST_MAIN(EndToEndTest)
#include "endtoend_test.moc"
