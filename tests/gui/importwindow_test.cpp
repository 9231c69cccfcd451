// SPDX-License-Identifier: GPL-3.0-or-later
// The "Import Data" window walked from the main window's File menu: a long CSV becomes the
// design, its grid and the repeated-measures table without any typing; an unbalanced table lands
// in the Unequal Cell Sizes window; the accepted scores go out again as long CSV. The rules of the
// mapping and of the edited names are the import session's (tests/unit/import).
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include "analysis/analysisservice.h"
#include "app/application.h"
#include "data/dataentrywindow.h"
#include "design/anovadesignwindow.h"
#include "design/mainwindow.h"
#include "import/importwindow.h"
#include "support/guitest.h"
#include "support/recordingprompts.h"
#include "table/tablewindow.h"
#include "unequal/cellsizewindow.h"

using namespace varisect;
using namespace varisect::test;

namespace {

struct Walk {
    QTemporaryDir folder;
    FakePlatform fake{folder.filePath(QStringLiteral("print.pdf")).toStdString()};
    Application app{fake.platform(), {"", 800, [] {}}};

    Walk() { app.start(); }

    std::string path(const char* name) const { return folder.filePath(QString::fromUtf8(name)).toStdString(); }

    // File > "&Import Data..." in the main window, the file chosen in the open dialog.
    ImportWindow* importFile(const std::string& file)
    {
        fake.dialogs.openAnswers.push_back(file);
        child<QAction>(app.mainWindow(), "importAction")->trigger();
        return app.importWindow();
    }
};

// Drug x Time x Subjects of kDrugTimeScores as a spreadsheet program writes long data: CR LF,
// the drugs by name, each subject's times in reverse (the levels of Time are sorted again).
std::string longCsv()
{
    std::string text = "Subject,Drug,Time,Score\r\n";
    for (int s = 1; s <= 5; ++s)
        for (int t = 3; t >= 1; --t)
            for (int d = 1; d <= 2; ++d)
                text += "P" + std::to_string(s) + "," + (d == 1 ? "Placebo" : "Active") + "," + std::to_string(t) +
                        "," + std::to_string(kDrugTimeScores[size_t((s - 1) * 6 + (t - 1) * 2 + d - 1)]) + "\r\n";
    return text;
}

}  // namespace

class ImportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void longCsvIsAnalysedWithoutTyping()
    {
        Walk w;
        const std::string file = w.path("pilot.csv");
        writeFile(file, longCsv());
        ImportWindow* window = w.importFile(file);
        QVERIFY(window);
        QCOMPARE(visibleWindows(), (QStringList{"importWindow", "mainWindow"}));
        QVERIFY(child<QRadioButton>(window, "longButton")->isChecked());
        QVERIFY(child<QPushButton>(window, "importButton")->isEnabled());
        // Its access keys, F1 and buttons: windowkeys_test.
        click(child<QPushButton>(window, "importButton"));
        QCOMPARE(visibleWindows(), QStringList{"anovaDesignWindow"});
        const DesignState& state = w.app.state().design;
        QCOMPARE(state.problemLabel, std::string("pilot"));
        QCOMPARE(state.design.factor(1).levelLabels, (std::vector<std::string>{"Pl", "Ac"}));
        QVERIFY(w.app.state().data.accepted());
        auto* design = w.app.anovaDesignWindow();
        QVERIFY(child<QRadioButton>(design, "repeatedMeasures")->isChecked());
        QVERIFY(child<QRadioButton>(design, "factorOption3")->isChecked());

        // The table is the one of the same scores typed in design order.
        click(child<QPushButton>(design, "mainButton"));
        QCOMPARE(visibleWindows(), QStringList{"tableWindow"});
        Design typed = makeDesign({{"Drug", 2}, {"Time", 3}, {"Subjects", 5}});
        typed.anovaType = AnovaType::RepeatedMeasures;
        typed.designatedFactor = 3;
        RecordingPrompts prompts;
        const Scores scores(kDrugTimeScores.begin(), kDrugTimeScores.end());
        const auto expected = analyseDesign(typed, scores, prompts);
        QVERIFY(expected);
        QVERIFY(w.app.state().results.ordinary());
        QCOMPARE(w.app.state().results.ordinary()->rows, expected->rows);

        // The table window saves the table as CSV.
        const std::string tableCsv = w.path("table.csv");
        w.fake.dialogs.saveAnswers.push_back(tableCsv);
        child<QAction>(w.app.tableWindow(), "saveCsvAction")->trigger();
        const std::string savedTable = readAll(tableCsv);
        QVERIFY2(savedTable.rfind("Source,df,SS,MS,F,p,p_exact\n", 0) == 0, savedTable.c_str());
        QVERIFY2(savedTable.find("\nD,1,177.633,177.633,819.85,<.001,") != std::string::npos, savedTable.c_str());

        // Export Data writes the accepted scores back as long CSV with the file's labels.
        const std::string out = w.path("out.csv");
        w.fake.dialogs.saveAnswers.push_back(out);
        child<QAction>(w.app.dataEntryWindow(), "exportAction")->trigger();
        const std::string written = readAll(out);
        QVERIFY2(written.rfind("Drug,Time,Subject,Score\r\nPlacebo,1,1,12\r\nActive,1,1,15\r\n", 0) == 0,
                 written.c_str());
        QCOMPARE(std::count(written.begin(), written.end(), '\n'), 31L);
    }

    void unequalGroupsOpenTheCellSizesWindow()
    {
        Walk w;
        const std::string file = w.path("groups.csv");
        writeFile(file, "Group;Score\nA;1,5\nA;2\nA;3\nB;4\nB;5\nC;6\nC;7,5\n");
        ImportWindow* window = w.importFile(file);
        QVERIFY(window);
        click(child<QPushButton>(window, "importButton"));
        QCOMPARE(visibleWindows(), QStringList{"cellSizeWindow"});
        CellSizeWindow* sizes = w.app.cellSizeWindow();
        QVERIFY(sizes->workflow());
        QCOMPARE(sizes->stage(), CellSizeWindow::Stage::Scores);
        QCOMPARE(sizes->workflow()->sizes(), (std::vector<long>{3, 2, 2}));
        QCOMPARE(w.app.state().data.scores(), (Scores{1.5f, 2, 3, 4, 5, 6, 7.5f}));
        // The table comes with no further typing.
        QVERIFY(sizes->workflow()->nextStep() == UnequalWorkflow::Step::Analysis);
    }

    void aFileThatCannotBeReadIsTold()
    {
        Walk w;
        const std::string file = w.path("broken.csv");
        writeFile(file, "a,b\n1,\"2\n");
        ImportWindow* window = w.importFile(file);
        QVERIFY(window);
        QCOMPARE(w.fake.dialogs.lastMessage().message.title, std::string("Import Data"));
        QVERIFY(!child<QPushButton>(window, "importButton")->isEnabled());
        click(child<QPushButton>(window, "cancelButton"));
        QCOMPARE(visibleWindows(), QStringList{"mainWindow"});
    }
};

QTEST_MAIN(ImportWindowTest)
#include "importwindow_test.moc"
