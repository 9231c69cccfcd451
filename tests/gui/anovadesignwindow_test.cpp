// SPDX-License-Identifier: GPL-3.0-or-later
// The Anova design window driven like a user: its choices and enabling rules, the hand-overs,
// the nesting window with its messages, an abandoned analysis, and the explanation windows'
// copy and print.
#include <QtTest>

#include <QDir>
#include <QGroupBox>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <algorithm>

#include "session/session.h"
#include "support/guitest.h"
#include "design/anovadesign.h"
#include "design/anovadesignwindow.h"
#include "design/explanationwindow.h"
#include "design/levellabelswindow.h"
#include "design/nestingwindow.h"

using namespace varisect;
using namespace varisect::test;

namespace {

void fillDesign(Session& state, std::vector<std::pair<std::string, int>> factors, float (*score)(long))
{
    state.design.design = Design{};
    long n = 1;
    for (auto& [name, levels] : factors) {
        state.design.design.factors.push_back(Factor{name, name[0], levels, {}});
        n *= levels;
    }
    Scores scores;
    for (long i = 0; i < n; ++i)
        scores.push_back(score(i));
    state.data.accept(std::move(scores));
}

// Drug (2 levels) x Time (3) x Subjects (5).
void fillTypical(Session& state)
{
    fillDesign(state, {{"Drug", 2}, {"Time", 3}, {"Subjects", 5}}, [](long i) { return float(10 + i % 7); });
}

// Records which hand-over the window took.
struct HandOverLog {
    std::vector<std::string> calls;
    AnovaTable table;  // the last one handed over
    AnovaDesignHandOver handOver()
    {
        AnovaDesignHandOver h;
        h.returnToGrid = [this] { calls.push_back("returnToGrid"); };
        h.restart = [this] { calls.push_back("restart"); };
        h.tableReady = [this](AnovaTable t) {
            calls.push_back("tableReady");
            table = std::move(t);
        };
        h.analysisAbandoned = [this] { calls.push_back("analysisAbandoned"); };
        h.enterCellSizes = [this] { calls.push_back("enterCellSizes"); };
        h.enterGroupSizes = [this] { calls.push_back("enterGroupSizes"); };
        h.setUpComparisons = [this] { calls.push_back("setUpComparisons"); };
        h.setUpTrendTests = [this] { calls.push_back("setUpTrendTests"); };
        h.setUpPostHoc = [this] { calls.push_back("setUpPostHoc"); };
        return h;
    }
};

AnovaDesignParts parts(Session& state)
{
    return {state.design, state.mode, state.data};
}

// A window's surroundings: fake platform, application state, hand-over record.
struct Surroundings {
    FakePlatform fake;
    Platform platform = fake.platform();
    Session state;
    HandOverLog log;
};

int rowOf(const AnovaTable& t, const std::string& label)
{
    for (int r = 1; r <= t.rowCount(); ++r)
        if (t.cell(r, ColSource) == label)
            return r;
    return 0;
}

QListWidgetItem* line(QListWidget* list, const char* text)
{
    const auto found = list->findItems(QString::fromUtf8(text), Qt::MatchExactly);
    if (found.size() != 1)
        qFatal("no line %s", text);
    return found.front();
}

void clickLine(QListWidget* list, const char* text)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(line(list, text)).center());
}

}  // namespace

class AnovaDesignWindowTest : public QObject {
    Q_OBJECT

private slots:
    void choicesEnablingRulesAndTheMainButton();
    void reopeningShowsTheEarlierChoices();
    void theMainButtonFollowsTheComparisonsChosen();
    void unequalCellSizesAskForLabelsFirst();
    void nestingWindowMessagesAndNestedTable();
    void nestingDoubleClickCancelAndGroupSizes();
    void abandonedAnalysisAndIncompleteScores();
    void explanationWindows();
};

void AnovaDesignWindowTest::choicesEnablingRulesAndTheMainButton()
{
    Surroundings env;
    auto& [fake, platform, state, log] = env;
    fillTypical(state);
    AnovaDesignWindow window(parts(state), test::shellContext(fake), log.handOver());
    window.show();
    auto* main = child<QPushButton>(&window, "mainButton");
    auto* frame = child<QGroupBox>(&window, "designationFrame");
    auto* nestingButton = child<QPushButton>(&window, "nestingButton");
    // A new design has no type yet: nothing checked, nothing to designate, the main button waits.
    for (const char* option : {"independentGroups", "repeatedMeasures", "noFRatios"})
        QVERIFY(!child<QRadioButton>(&window, option)->isChecked());
    QVERIFY(frame->isHidden());
    QVERIFY(!main->isEnabled());
    QVERIFY(nestingButton->isHidden());

    click(child<QRadioButton>(&window, "independentGroups"));
    QCOMPARE(state.design.design.anovaType, AnovaType::IndependentGroups);
    QVERIFY(frame->isVisible());
    QCOMPARE(frame->title(), QStringLiteral("Designate the Replicates Factor:"));
    QVERIFY(!main->isEnabled());
    click(child<QRadioButton>(&window, "factorOption3"));
    QCOMPARE(state.design.design.designatedFactor, 3);
    QVERIFY(main->isEnabled());

    // Nested waits for the nesting; fully crossed brings the button back.
    click(child<QRadioButton>(&window, "nested"));
    QVERIFY(state.design.design.nested);
    QVERIFY(nestingButton->isVisible());
    QVERIFY(!main->isEnabled());
    click(child<QRadioButton>(&window, "fullyCrossed"));
    QVERIFY(!state.design.design.nested);
    QVERIFY(nestingButton->isHidden());
    QVERIFY(main->isEnabled());

    // A different type clears the designation.
    click(child<QRadioButton>(&window, "repeatedMeasures"));
    QCOMPARE(frame->title(), QStringLiteral("Designate the Subjects Factor:"));
    QCOMPARE(state.design.design.designatedFactor, 0);
    for (int k = 1; k <= 3; ++k)
        QVERIFY(!child<QRadioButton>(&window, ("factorOption" + std::to_string(k)).c_str())->isChecked());
    QVERIFY(!main->isEnabled());

    // "No F-ratios" clears a nested structure and needs nothing more.
    click(child<QRadioButton>(&window, "nested"));
    click(child<QRadioButton>(&window, "noFRatios"));
    QVERIFY(!state.design.design.nested);
    QVERIFY(child<QRadioButton>(&window, "fullyCrossed")->isChecked());
    QVERIFY(frame->isHidden());
    QVERIFY(main->isEnabled());

    QVERIFY(fake.dialogs.messages.empty());
}

// Reopening shows the earlier choices; the return button goes back to the grid.
void AnovaDesignWindowTest::reopeningShowsTheEarlierChoices()
{
    Surroundings env;
    auto& [fake, platform, state, log] = env;
    fillTypical(state);
    {
        AnovaDesignWindow first(parts(state), test::shellContext(fake), log.handOver());
        first.show();
        click(child<QRadioButton>(&first, "repeatedMeasures"));
        click(child<QRadioButton>(&first, "factorOption2"));
    }
    AnovaDesignWindow again(parts(state), test::shellContext(fake), log.handOver());
    again.show();
    QVERIFY(child<QRadioButton>(&again, "repeatedMeasures")->isChecked());
    QVERIFY(child<QRadioButton>(&again, "factorOption2")->isChecked());
    QVERIFY(child<QRadioButton>(&again, "fullyCrossed")->isChecked());
    QVERIFY(child<QPushButton>(&again, "mainButton")->isEnabled());
    click(child<QPushButton>(&again, "returnButton"));
    QCOMPARE(log.calls, std::vector<std::string>{"returnToGrid"});
    QVERIFY(again.isHidden());
}

// The comparisons shown as chosen in the main window; changed in place, the main button's
// caption follows (the rules: AnovaDesignChoices in designquestions_test) and it hands over.
void AnovaDesignWindowTest::theMainButtonFollowsTheComparisonsChosen()
{
    Surroundings env;
    auto& [fake, platform, state, log] = env;
    fillTypical(state);
    state.design.design.anovaType = AnovaType::RepeatedMeasures;
    state.design.anovaTypeChosen = true;
    state.design.design.designatedFactor = 3;
    state.mode.plannedComparisons = true;
    AnovaDesignWindow w(parts(state), test::shellContext(fake), log.handOver());
    w.show();
    auto* main = child<QPushButton>(&w, "mainButton");
    QCOMPARE(main->text(), QStringLiteral("Set up &Comparisons"));
    QVERIFY(child<QRadioButton>(&w, "plannedComparisonsOption")->isChecked());
    click(child<QRadioButton>(&w, "trendTestsOption"));
    QVERIFY(state.mode.trendTests && !state.mode.plannedComparisons);
    QCOMPARE(main->text(), QStringLiteral("Set up &Trend Tests"));
    QVERIFY(main->isEnabled());
    const std::vector<std::pair<const char*, const char*>> handOvers{{"trendTestsOption", "setUpTrendTests"},
                                                                     {"plannedComparisonsOption", "setUpComparisons"},
                                                                     {"postHocComparisonsOption", "setUpPostHoc"},
                                                                     {"noComparisonsOption", "tableReady"}};
    for (const auto& [option, call] : handOvers) {
        log.calls.clear();
        w.show();
        click(child<QRadioButton>(&w, option));
        click(main);
        QVERIFY2(!w.isVisible(), option);
        QVERIFY2(log.calls == std::vector<std::string>{call}, option);
    }
}

// Unequal cell sizes: labels first when in use, then the cell sizes; the return button restarts.
void AnovaDesignWindowTest::unequalCellSizesAskForLabelsFirst()
{
    Surroundings env;
    auto& [fake, platform, state, log] = env;
    fillTypical(state);
    state.mode.unweightedMeans = true;
    state.design.labelsInUse = true;
    AnovaDesignWindow w(parts(state), test::shellContext(fake), log.handOver());
    w.show();
    auto* main = child<QPushButton>(&w, "mainButton");
    QCOMPARE(main->text(), QStringLiteral("Enter &Labels for Levels..."));
    QCOMPARE(child<QPushButton>(&w, "returnButton")->text(), QStringLiteral("&Restart"));
    QVERIFY(child<QGroupBox>(&w, "comparisonsFrame")->isHidden());  // no comparisons here
    click(child<QRadioButton>(&w, "independentGroups"));
    click(child<QRadioButton>(&w, "factorOption3"));
    click(main);
    QVERIFY(w.levelLabelsWindow() && w.levelLabelsWindow()->isVisible());
    QVERIFY(w.isHidden());
    click(child<QPushButton>(w.levelLabelsWindow(), "cancelButton"));
    QVERIFY(w.isVisible());
    QVERIFY(!state.design.labelsInUse);
    QCOMPARE(main->text(), QStringLiteral("&Enter Cell n's"));
    click(main);
    click(child<QPushButton>(&w, "returnButton"));
    QCOMPARE(log.calls, (std::vector<std::string>{"enterCellSizes", "restart"}));
    QVERIFY(fake.dialogs.messages.empty());
}

void AnovaDesignWindowTest::nestingWindowMessagesAndNestedTable()
{
    Surroundings env;
    auto& [fake, platform, state, log] = env;
    // Area (2) x Block (2) x Replicates (3), blocks nested under areas.
    fillDesign(state, {{"Area", 2}, {"Block", 2}, {"Replicates", 3}},
               [](long i) { return static_cast<float>(3 + i % 4 + (i * i) % 5); });
    AnovaDesignWindow window(parts(state), test::shellContext(fake), log.handOver());
    window.show();

    click(child<QRadioButton>(&window, "independentGroups"));
    click(child<QRadioButton>(&window, "factorOption3"));
    click(child<QRadioButton>(&window, "nested"));
    click(child<QPushButton>(&window, "nestingButton"));
    NestingWindow* nw = window.nestingWindow();
    QVERIFY(nw && nw->isVisible());
    QVERIFY(window.isHidden());
    QListWidget* list = nw->list();
    QCOMPARE(list->count(), 6);

    // A refused choice (which choices are refused: nesting_test) keeps the window open with the
    // selection as it was.
    auto* ok = child<QPushButton>(nw, "okButton");
    clickLine(list, "A nested under B");
    clickLine(list, "B nested under A");
    click(ok);
    QCOMPARE(fake.dialogs.lastMessage().message.title, std::string("Nesting Error!"));
    QVERIFY(nw->isVisible());
    QCOMPARE(list->selectedItems().size(), 2);
    QVERIFY(!state.design.nestingSpecified);

    clickLine(list, "A nested under B");  // deselects
    const size_t shown = fake.dialogs.messages.size();
    click(ok);
    QCOMPARE(fake.dialogs.messages.size(), shown);
    QVERIFY(nw->isHidden());
    QVERIFY(window.isVisible());
    QVERIFY(state.design.nestingSpecified);
    QCOMPARE(state.design.design.nestingMatrix, (std::vector<NestRelation>{{'B', 'A'}}));

    // Blocks within areas: no AxB, the nested source marked "+", tested against 8 within df.
    click(child<QPushButton>(&window, "mainButton"));
    QCOMPARE(log.calls, std::vector<std::string>{"tableReady"});
    QCOMPARE(rowOf(log.table, "AxB"), 0);
    QVERIFY(rowOf(log.table, "B +") > 0);
}

void AnovaDesignWindowTest::nestingDoubleClickCancelAndGroupSizes()
{
    Surroundings env;
    auto& [fake, platform, state, log] = env;
    fillDesign(state, {{"Group", 2}, {"Subjects", 3}, {"Trial", 2}}, [](long i) { return float(i % 5); });
    {
        AnovaDesignWindow window(parts(state), test::shellContext(fake), log.handOver());
        window.show();
        click(child<QRadioButton>(&window, "repeatedMeasures"));
        click(child<QRadioButton>(&window, "factorOption2"));
        click(child<QRadioButton>(&window, "nested"));
        click(child<QPushButton>(&window, "nestingButton"));
        // A double-click on a line acts as OK, with that line chosen even when it was already
        // selected (the double-click's first press toggles it off).
        QListWidget* list = window.nestingWindow()->list();
        clickLine(list, "S nested under G");
        const QRect r = list->visualItemRect(line(list, "S nested under G"));
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, r.center());
        QVERIFY(window.nestingWindow()->isHidden());
        QVERIFY(state.design.nestingSpecified);
        QCOMPARE(state.design.design.nestingMatrix, (std::vector<NestRelation>{{'S', 'G'}}));

        // Cancel in the nesting window falls back to a fully crossed design.
        click(child<QPushButton>(&window, "nestingButton"));
        click(child<QPushButton>(window.nestingWindow(), "cancelButton"));
        QVERIFY(window.isVisible());
        QVERIFY(!state.design.design.nested);
        QVERIFY(child<QRadioButton>(&window, "fullyCrossed")->isChecked());
        QVERIFY(child<QPushButton>(&window, "nestingButton")->isHidden());
        QVERIFY(child<QPushButton>(&window, "mainButton")->isEnabled());
    }

    // Unequal group sizes: always nested, exactly one nested factor.
    state.mode.twoFactorUnequal = true;
    state.design.design.nested = true;
    state.design.labelsInUse = false;
    AnovaDesignWindow window(parts(state), test::shellContext(fake), log.handOver());
    window.show();
    auto* main = child<QPushButton>(&window, "mainButton");
    QCOMPARE(main->text(), QStringLiteral("&Enter Group Sizes"));
    click(child<QRadioButton>(&window, "fullyCrossed"));
    QVERIFY(state.design.design.nested);
    QVERIFY(child<QRadioButton>(&window, "nested")->isChecked());
    QVERIFY(!main->isEnabled());
    click(child<QPushButton>(&window, "nestingButton"));
    QListWidget* list = window.nestingWindow()->list();
    clickLine(list, "S nested under G");
    clickLine(list, "T nested under G");
    click(child<QPushButton>(window.nestingWindow(), "okButton"));
    QCOMPARE(fake.dialogs.lastMessage().message.text,
             std::string("There must be one nested factor in the Unequal Group Sizes design."));
    clickLine(list, "T nested under G");
    click(child<QPushButton>(window.nestingWindow(), "okButton"));
    QVERIFY(main->isEnabled());
    click(main);
    QCOMPARE(log.calls, std::vector<std::string>{"enterGroupSizes"});
}

// Notes how busy the pointer was whenever a message box came up.
class BusyWatchingDialogs : public ScriptedDialogs {
public:
    explicit BusyWatchingDialogs(FakeDesktop& desktop) : desktop_(desktop) {}
    DialogAnswer message(const Message& m, std::optional<DialogAnswer> defaultButton = {}) override
    {
        busyAtMessage.push_back(desktop_.busyDepth);
        return ScriptedDialogs::message(m, defaultButton);
    }
    std::vector<int> busyAtMessage;

private:
    FakeDesktop& desktop_;
};

void AnovaDesignWindowTest::abandonedAnalysisAndIncompleteScores()
{
    FakePlatform fake;
    BusyWatchingDialogs dialogs(fake.desktop);
    Platform platform{dialogs, fake.settings, fake.clipboard, fake.printer, fake.help, fake.desktop};
    Session state;
    fillTypical(state);
    state.data.accept(Scores(30, 7.0f));
    HandOverLog log;
    AnovaDesignWindow window(parts(state), ShellContext{platform, [] { return 0.75; }, [] { return false; }, {}},
                             log.handOver());
    window.show();

    click(child<QRadioButton>(&window, "repeatedMeasures"));
    click(child<QRadioButton>(&window, "factorOption3"));
    dialogs.messageAnswers.push_back(DialogAnswer::No);
    click(child<QPushButton>(&window, "mainButton"));
    QCOMPARE(dialogs.messageTitles(), std::vector<std::string>{"Undefined F-ratio!"});
    // The pointer is not busy while the question is read, and is put away at the end.
    QCOMPARE(dialogs.busyAtMessage, std::vector<int>{0});
    QCOMPARE(fake.desktop.busyCount, 2);
    QCOMPARE(fake.desktop.busyDepth, 0);
    QVERIFY(!fake.desktop.unbalanced);
    QCOMPARE(log.calls, std::vector<std::string>{"analysisAbandoned"});
    QVERIFY(window.isHidden());
    // Scores that do not fill the design: a message, no analysis, nothing lost.
    window.show();
    state.data.accept(Scores(29, 7.0f));
    dialogs.clearRecord();
    click(child<QPushButton>(&window, "mainButton"));
    QCOMPARE(dialogs.lastMessage().message.title, std::string("Data Not Ready!"));
    QVERIFY(dialogs.lastMessage().message.text.find("30 scores, but 29") != std::string::npos);
    QCOMPARE(state.data.scores().size(), size_t(29));
    QCOMPARE(log.calls.size(), size_t(1));
    QVERIFY(window.isVisible());
}

void AnovaDesignWindowTest::explanationWindows()
{
    const std::string pdf = QDir::temp().filePath(QStringLiteral("anovadesign_explanation.pdf")).toStdString();
    QFile::remove(QString::fromStdString(pdf));
    FakePlatform fake(pdf);
    Session state;
    fillTypical(state);
    HandOverLog log;
    AnovaDesignWindow window(parts(state), test::shellContext(fake), log.handOver());
    window.show();

    click(child<QPushButton>(&window, "explanationButton"));
    ExplanationWindow* options = window.designOptionsWindow();
    QVERIFY(options && options->isVisible());
    QVERIFY(window.isHidden());
    // The whole text goes to the clipboard and to the printer.
    options->copyAction()->trigger();
    QCOMPARE(*fake.clipboard.content, options->text());
    const std::string first = "    If you specify an independent groups design, the program will test each source "
                              "against a common error term, usually referred to as the within-cells term.";
    QVERIFY(options->text().find(first) != std::string::npos);
    options->printAction()->trigger();
    QCOMPARE(fake.printer.dialogTitles.back(), std::string("Print Explanation"));
    QVERIFY(oneSpaced(QString::fromStdString(pdfText(pdf))).find(oneSpaced(QString::fromStdString(first))) != std::string::npos);

    // The nesting explanation, from its button: its own text printed (copying is the same as above).
    click(child<QPushButton>(options, "nestingExplanationButton"));
    ExplanationWindow* nesting = window.nestingExplanationWindow();
    QVERIFY(nesting && nesting->isVisible());
    nesting->printAction()->trigger();
    QCOMPARE(fake.printer.dialogTitles.back(), std::string("Print Nesting Explanation"));
    QVERIFY(oneSpaced(QString::fromStdString(pdfText(pdf))).find("The program will handle complex nesting.") != std::string::npos);

    click(child<QPushButton>(nesting, "returnButton"));
    QVERIFY(nesting->isHidden());
    QVERIFY(options->isHidden());
    QVERIFY(window.isVisible());
    QVERIFY(log.calls.empty());
    QVERIFY(fake.dialogs.messages.empty());
    QFile::remove(QString::fromStdString(pdf));
}

QTEST_MAIN(AnovaDesignWindowTest)
#include "anovadesignwindow_test.moc"
