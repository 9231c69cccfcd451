// SPDX-License-Identifier: GPL-3.0-or-later
// What every window shares: the printed page, Enter on default buttons, the close button, and a
// first size that fits the screen.
#include <QHeaderView>
#include <QProcess>
#include <QScrollBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QStatusBar>
#include <QTest>

#include <regex>

#include "design/anovadesignwindow.h"
#include "design/explanationwindow.h"
#include "engine/analysis.h"
#include "output/document.h"
#include "output/docx.h"
#include "analysis/analysisservice.h"
#include "session/session.h"
#include "shell/windowshell.h"
#include "support/guitest.h"
#include "support/recordingprompts.h"
#include "table/tablewindow.h"

using namespace varisect;
using namespace varisect::test;

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

// The smallest distance of any word from each edge of its page, in millimetres, as pdftotext
// reports the word boxes.
struct Margins {
    double left = 1e9, top = 1e9, right = 1e9, bottom = 1e9;
    int words = 0;
};

Margins printedMargins(const std::string& pdf)
{
    const std::string html = [&] {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QString::fromStdString(pdf), QStringLiteral("-")});
        p.waitForFinished(60000);
        return p.readAllStandardOutput().toStdString();
    }();
    Margins m;
    const std::regex page(R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
    const std::regex word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">)re");
    double width = 0, height = 0;
    const std::regex tags(R"re(<(page|word) [^>]*>)re");
    for (std::sregex_iterator i(html.begin(), html.end(), tags), end; i != end; ++i) {
        const std::string tag = i->str();
        std::smatch f;
        if (std::regex_search(tag, f, page)) {
            width = std::stod(f[1]);
            height = std::stod(f[2]);
        } else if (std::regex_search(tag, f, word)) {
            ++m.words;
            m.left = std::min(m.left, std::stod(f[1]) / kPointsPerMm);
            m.top = std::min(m.top, std::stod(f[2]) / kPointsPerMm);
            m.right = std::min(m.right, (width - std::stod(f[3])) / kPointsPerMm);
            m.bottom = std::min(m.bottom, (height - std::stod(f[4])) / kPointsPerMm);
        }
    }
    return m;
}

// An 8-factor independent-groups table: 256 rows and a legend of eight factors.
TableRequest eightFactorTable()
{
    TableRequest request;
    request.design = makeDesign({{"Alpha", 2}, {"Beta", 2}, {"Gamma", 2}, {"Delta", 2}, {"Epsilon", 2}, {"Phi", 2},
                                 {"Kappa", 2}, {"Replicates", 2}});
    request.design.anovaType = AnovaType::IndependentGroups;
    request.design.designatedFactor = 8;
    setTableLabelsFromNames(request.design);
    Scores scores;
    for (long i = 0; i < request.design.scoreCount(); ++i)
        scores.push_back(static_cast<float>((i * 37) % 23));
    RecordingPrompts prompts;
    request.table = *analyseDesign(request.design, scores, prompts);
    return request;
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    // A long table and a long text print over several pages, every word at least 15 mm from
    // every edge of the paper.
    void printedPagesKeepTheirMargins()
    {
        QTemporaryDir folder;
        const std::string pdf = (folder.path() + QStringLiteral("/out.pdf")).toStdString();
        FakePlatform fake(pdf);
        TableWindow window(eightFactorTable(), shellContext(fake), {});
        child<QAction>(&window, "printAction")->trigger();
        QVERIFY(fake.dialogs.messages.empty());
        const Margins table = printedMargins(pdf);
        QVERIFY(table.words > 500);
        QVERIFY2(table.left >= kPageMarginMm - 0.1 && table.top >= kPageMarginMm - 0.1 &&
                     table.right >= kPageMarginMm - 0.1 && table.bottom >= kPageMarginMm - 0.1,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(table.left).arg(table.top).arg(table.right).arg(table.bottom)));
        QVERIFY(pdfText(pdf).find("Replicates") != std::string::npos);
        child<QAction>(&window, "printerSetupAction")->trigger();  // the File menu's set-up reaches the printer
        QCOMPARE(fake.printer.setupCount, 1);

        ExplanationWindow text(ExplanationWindow::Kind::DesignOptions, shellContext(fake), {});
        text.print();
        const Margins prose = printedMargins(pdf);
        QVERIFY(prose.words > 100);
        QVERIFY(prose.left >= kPageMarginMm - 0.1 && prose.right >= kPageMarginMm - 0.1);

        fake.printer.cancel = true;  // a cancelled dialog prints nothing and says nothing
        QVERIFY(!WindowShell(text, shellContext(fake)).print(OutputDocument().paragraph("x"), "Print"));
        QVERIFY(fake.dialogs.messages.empty());
    }

    // The Word document items write what is printed: a new document, then the same appended.
    void wordDocumentItemsWriteWhatIsPrinted()
    {
        QTemporaryDir folder;
        const std::string doc = (folder.path() + QStringLiteral("/tables")).toStdString();
        FakePlatform fake;
        TableWindow window(eightFactorTable(), shellContext(fake), {});
        fake.dialogs.saveAnswers.push_back(doc);
        child<QAction>(&window, "newDocumentAction")->trigger();
        QCOMPARE(child<QAction>(&window, "newDocumentAction")->text(), QStringLiteral("Print Table to &New Word Document"));
        const QString written = QStringLiteral("Word document written: %1.docx.").arg(QString::fromStdString(doc));
        QCOMPARE(window.statusBar()->currentMessage(), written);
        // A cancelled append says nothing new; the document chosen is named again when written.
        window.statusBar()->clearMessage();
        child<QAction>(&window, "existingDocumentAction")->trigger();
        QVERIFY(window.statusBar()->currentMessage().isEmpty());
        fake.dialogs.openAnswers.push_back(doc + ".docx");
        child<QAction>(&window, "existingDocumentAction")->trigger();
        QVERIFY(fake.dialogs.messages.empty());
        QCOMPARE(window.statusBar()->currentMessage(), written);
        // Both file dialogs have a Help button at the page on Word documents.
        QCOMPARE(fake.dialogs.requests.front().file.helpContext, kHelpWordDocuments);
        QCOMPARE(fake.dialogs.requests.back().file.helpContext, kHelpWordDocuments);
        const std::string xml = docxDocumentXml(doc + ".docx");
        const auto count = [&xml](const std::string& what) {
            std::size_t n = 0;
            for (std::size_t at = xml.find(what); at != std::string::npos; at = xml.find(what, at + 1))
                ++n;
            return n;
        };
        QCOMPARE(count("<w:tbl>"), std::size_t(2));
        QCOMPARE(count("(Replicates)"), std::size_t(2));
        QCOMPARE(count(">AxBxGxDxExPxK<"), std::size_t(2));
    }

    // The 8-factor table window opens within the screen's available area with its buttons
    // showing; its grid scrolls instead.
    void tallWindowFitsTheScreen()
    {
        FakePlatform fake;
        TableWindow window(eightFactorTable(), shellContext(fake), {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect available = window.screen()->availableGeometry();
        QVERIFY2(window.frameGeometry().height() <= available.height(),
                 qPrintable(QStringLiteral("%1 > %2").arg(window.frameGeometry().height()).arg(available.height())));
        auto* ret = child<QPushButton>(&window, "CancelButton");
        const QPoint bottom = ret->mapTo(&window, QPoint(0, ret->height()));
        QVERIFY(bottom.y() <= window.height());
        QVERIFY(window.grid()->verticalScrollBar()->maximum() > 0);
    }

    // Enter presses the window's default button from a radio button, and the button that has
    // the focus; the explanation window's close button returns like its return button.
    void enterAndCloseButton()
    {
        FakePlatform fake;
        int exits = 0;
        Session session;
        session.design.design = makeDesign({{"Drug", 2}, {"Subjects", 3}});
        Scores scores{1, 2, 4, 3, 5, 7};
        session.data.accept(scores);
        session.preferences.exactPValues = true;
        int tables = 0;
        AnovaDesignHandOver h;
        h.tableReady = [&](AnovaTable t) {
            ++tables;
            QVERIFY(t.exactP);  // the preference reaches the analysis
        };
        ShellContext context = shellContext(fake, &exits);
        context.analysisOptions = [&session] { return analysisOptions(session.preferences); };
        AnovaDesignWindow window({session.design, session.mode, session.data}, std::move(context), h);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* none = child<QRadioButton>(&window, "noFRatios");
        click(none);
        none->setFocus();
        QTest::keyClick(none, Qt::Key_Return);
        QCOMPARE(tables, 1);

        auto* explanation = child<QPushButton>(&window, "explanationButton");
        window.show();
        explanation->setFocus();
        QTest::keyClick(explanation, Qt::Key_Enter, Qt::KeypadModifier);
        ExplanationWindow* options = window.designOptionsWindow();
        QVERIFY(options && options->isVisible() && !window.isVisible());
        QVERIFY(!options->close());  // the close button: back to the design window, no exit
        QVERIFY(!options->isVisible() && window.isVisible());
        QCOMPARE(exits, 0);
        QCOMPARE(tables, 1);
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
