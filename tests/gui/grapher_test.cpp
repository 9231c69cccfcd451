// SPDX-License-Identifier: GPL-3.0-or-later
// The "Two-way Plot" window through the program: from the grid with the pair selector and the
// Y-axis style dialog, the plotted means, the axis menus, flip and panels, the end of the set,
// the picture rendered offscreen, the clipboard, the printer and a Word document.
#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "data/dataentrywindow.h"
#include "design/mainwindow.h"
#include "graphs/grapher.h"
#include "graphs/plotdialogs.h"
#include "means/pairselectordialog.h"
#include "support/guitest.h"

using namespace varisect;
using namespace varisect::test;

namespace {

std::string run(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, pipe))
        out += buf;
    pclose(pipe);
    return out;
}

// The plotted lines (not the bars): the series shown in the legend.
QList<QLineSeries*> lines(QChart* chart)
{
    QList<QLineSeries*> out;
    for (QAbstractSeries* s : chart->series())
        if (!s->name().isEmpty())
            out << static_cast<QLineSeries*>(s);
    return out;
}

QValueAxis* yAxis(QChart* chart)
{
    return qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
}

}  // namespace

class GrapherTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void plotsFromTheGrid()
    {
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("plot.pdf"));
        FakePlatform fake(pdf.toStdString());
        rememberDrugTimeFile(fake, folder.filePath(QStringLiteral("drug.dat")).toStdString(), kDrugTimeScores);
        int quits = 0;
        Application app(fake.platform(), Application::Options{"", 800, [&quits] { ++quits; }});
        app.start();
        child<QAction>(app.mainWindow(), "recentFile1")->trigger();
        click(child<QPushButton>(app.dataEntryWindow(), "dataOkButton"));
        QCOMPARE(visibleWindows(), QStringList{"dataEntryWindow"});

        // All pairs: the Y-axis style dialog comes first, the grid still in view.
        click(child<QPushButton>(app.dataEntryWindow(), "graphsButton"));
        QListWidget* list = app.pairSelector()->list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        click(child<QPushButton>(app.pairSelector(), "okButton"));
        Grapher* w = app.plotWindow();
        QVERIFY(w && w->yAxisStyleDialog());
        QCOMPARE(visibleWindows(), (QStringList{"dataEntryWindow", "yAxisStyleDialog"}));
        YAxisStyleDialog* style = w->yAxisStyleDialog();
        QVERIFY(style->option(YAxisMode::OwnRange)->isChecked());
        // Entered limits: equal bounds are refused, then 0 to 30 is taken; then the data range.
        fake.dialogs.inputAnswers = {"5", "5", "0", "30"};
        click(style->option(YAxisMode::Entered));
        QCOMPARE(fake.dialogs.messageTitles(), std::vector<std::string>{"Input Error!"});
        QCOMPARE(style->choice().mode, YAxisMode::Entered);
        QCOMPARE(style->choice().bounds.upper, 30.0);
        click(style->option(YAxisMode::DataRange));
        click(child<QPushButton>(style, "okButton"));
        QCOMPARE(visibleWindows(), QStringList{"grapherWindow"});
        QCOMPARE(w->windowTitle(), QStringLiteral("Two-way Plot"));

        // The first plot: Drug along the bottom, a line per level of Time, the cell means; the
        // axis runs over the data range, 10 to 26 (span 16: one division).
        QChart* chart = w->chart();
        QCOMPARE(chart->title(), QStringLiteral("Cell Means for Drug x Time"));
        auto* categories = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
        QVERIFY(categories);
        QCOMPARE(categories->categories(), (QStringList{"1", "2"}));
        QList<QLineSeries*> plotted = lines(chart);
        QCOMPARE(plotted.size(), 3);
        for (int t = 1; t <= 3; ++t) {
            QCOMPARE(plotted[t - 1]->name(), QStringLiteral("T(%1)").arg(t));
            for (int d = 1; d <= 2; ++d)
                QCOMPARE(plotted[t - 1]->at(d - 1).y(), drugTimeMean(d, t));
        }
        QCOMPARE(yAxis(chart)->min(), 10.0);
        QCOMPARE(yAxis(chart)->max(), 26.0);
        QCOMPARE(yAxis(chart)->tickCount(), 2);
        // The logarithmic scale spans the same data range, not this plot's means alone.
        child<QAction>(w, "logarithmicAction")->trigger();
        const auto* log = qobject_cast<QCategoryAxis*>(w->chart()->axes(Qt::Vertical).value(0));
        QVERIFY(log);
        QVERIFY(std::pow(10.0, log->min()) <= 10.0 && std::pow(10.0, log->max()) >= 26.0);
        child<QAction>(w, "logarithmicAction")->trigger();

        // Ticks: 2 refused, 3 taken.
        fake.dialogs.clearRecord();
        fake.dialogs.inputAnswers = {"2", "3"};
        child<QAction>(w, "ticksAction")->trigger();
        QCOMPARE(fake.dialogs.requests.at(0).title, std::string("Please enter the number of ticks"));
        QCOMPARE(fake.dialogs.requests.at(0).prompt, std::string("How many ticks (including the two end ticks)?"));
        QCOMPARE(fake.dialogs.messages.size(), std::size_t(1));  // its text: plots_test
        child<QAction>(w, "ticksAction")->trigger();
        QCOMPARE(yAxis(w->chart())->tickCount(), 3);

        // Flip, and panels for the third factor.
        auto* flip = child<QPushButton>(w, "flipButton");
        click(flip);
        QCOMPARE(flip->text(), QStringLiteral("Re&vert"));
        QCOMPARE(w->chart()->title(), QStringLiteral("Cell Means for Time x Drug"));
        QCOMPARE(lines(w->chart()).at(1)->name(), QStringLiteral("D(2)"));
        auto* panels = child<QPushButton>(w, "panelsButton");
        click(panels);
        QCOMPARE(panels->text(), QStringLiteral("Next &Level"));
        QCOMPARE(w->chart()->title(), QStringLiteral("Cell Means for Time x Drug, for Subjects - 1"));
        QCOMPARE(lines(w->chart()).at(1)->at(2).y(), drugTimeMean(2, 3, 1));
        click(flip);
        QCOMPARE(flip->text(), QStringLiteral("F&lip"));

        // Panels by subject have one score behind each mean: no bars can be formed there.
        child<QAction>(w, "errorBars1")->trigger();
        QCOMPARE(w->chart()->series().size(), 3);
        QVERIFY(child<QLabel>(w, "plotPosition")->text().contains(QStringLiteral("none can be formed")));
        for (int level = 2; level <= 6; ++level)
            click(panels);
        QCOMPARE(panels->text(), QStringLiteral("Show &Panels for third factor"));

        // Standard-error bars on all the data: one more series per mean, named in the line under
        // the plot.
        QCOMPARE(w->chart()->series().size(), 3 + 6);
        QVERIFY(child<QLabel>(w, "plotPosition")->text().contains(QStringLiteral("standard error")));

        // The picture, drawn offscreen at its fixed size, is a real plot and not a blank.
        const std::vector<unsigned char> png = w->renderPng();
        QImage image;
        QVERIFY(image.loadFromData(png.data(), int(png.size()), "PNG"));
        QCOMPARE(image.size(), QSize(kPlotImageWidth, kPlotImageHeight));
        QSet<QRgb> colours;
        int ink = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) {
                const QRgb p = image.pixel(x, y);
                colours.insert(p);
                ink += qGray(p) < 200;
            }
        QVERIFY2(colours.size() > 50, qPrintable(QString::number(colours.size())));
        QVERIFY2(ink > 2000, qPrintable(QString::number(ink)));

        // Clipboard: the picture; a busy clipboard is told.
        fake.dialogs.clearRecord();
        child<QAction>(w, "copyAction")->trigger();
        QVERIFY(fake.clipboard.image.size() > 1000);
        QCOMPARE(int(fake.clipboard.image.at(1)), int('P'));
        fake.clipboard.busy = true;
        child<QAction>(w, "copyAction")->trigger();
        QCOMPARE(fake.dialogs.messageTitles(), std::vector<std::string>{"Clipboard Problem!"});
        fake.clipboard.busy = false;

        // Printed: the picture on the page.
        child<QAction>(w, "printAction")->trigger();
        QCOMPARE(fake.printer.dialogTitles, std::vector<std::string>{"Print Graph"});
        const std::string images = run("pdfimages -list '" + pdf.toStdString() + "' 2>&1");
        QVERIFY2(images.find(" image ") != std::string::npos, images.c_str());
        // One page, the picture 17 cm wide: 1200 pixels at about 179 a inch.
        QVERIFY(run("pdfinfo '" + pdf.toStdString() + "'").find("Pages:           1\n") != std::string::npos);
        const QStringList columns = QString::fromStdString(images).split(QLatin1Char('\n')).value(2).simplified().split(QLatin1Char(' '));
        QVERIFY2(std::abs(columns.value(12).toDouble() - 179) <= 3, images.c_str());
        // Close under the label, the note on the bars close under the picture (113 mm = 321 pt).
        const QString boxes = QString::fromStdString(run("pdftotext -bbox '" + pdf.toStdString() + "' -"));
        auto top = [&boxes](const char* word) {
            const auto m = QRegularExpression(QStringLiteral("yMin=\"([0-9.]+)\"[^>]*>%1<").arg(QString::fromUtf8(word)))
                               .match(boxes);
            return m.hasMatch() ? m.captured(1).toDouble() : -1000.0;
        };
        const double between = top("Bars:") - top("Pilot");
        QVERIFY2(between > 321 && between < 321 + 60, qPrintable(QString::number(between)));

        // A new Word document with the picture in it.
        const std::string docx = folder.filePath(QStringLiteral("plot.docx")).toStdString();
        fake.dialogs.saveAnswers = {docx};
        child<QAction>(w, "newDocumentAction")->trigger();
        const std::string read = run("/usr/bin/python3 " VARISECT_OUTPUT_SCRIPTS "/readdocx.py '" + docx + "' 2>&1");
        QVERIFY2(read.find("P |Pilot study\n") != std::string::npos, read.c_str());
        QVERIFY2(read.find("IMG 1 1\n") != std::string::npos, read.c_str());

        // The other pairs, then the end of the set; the plot stays.
        fake.dialogs.clearRecord();
        click(child<QPushButton>(w, "nextSetButton"));
        QCOMPARE(w->chart()->title(), QStringLiteral("Cell Means for Drug x Subjects"));
        click(child<QPushButton>(w, "nextSetButton"));
        QCOMPARE(w->chart()->title(), QStringLiteral("Cell Means for Time x Subjects"));
        QCOMPARE(child<QLabel>(w, "plotPosition")->text().left(11), QStringLiteral("Plot 3 of 3"));
        QVERIFY(fake.dialogs.messages.empty());
        click(child<QPushButton>(w, "nextSetButton"));
        QCOMPARE(fake.dialogs.messageTitles(), std::vector<std::string>{"Cell Means"});  // text: plots_test
        QCOMPARE(w->chart()->title(), QStringLiteral("Cell Means for Time x Subjects"));

        // Back to the grid.
        click(child<QPushButton>(w, "returnButton"));
        QCOMPARE(visibleWindows(), QStringList{"dataEntryWindow"});
        QVERIFY(!app.plotWindow());
        QCOMPARE(quits, 0);
    }

    // The automatic scale leaves room beyond the lowest and highest mean, so that their markers
    // and bars are whole; the logarithmic scale is bounded by the means, not by whole decades.
    void automaticRangesLeaveRoomAndLogBoundsFollowTheData()
    {
        FakePlatform fake;
        Application app(fake.platform(), Application::Options{"", 800, [] {}});
        app.start();
        PlotRequest request;
        request.design = makeDesign({{"Group", 2}, {"Trial", 3}});
        request.scores = {10, 12, 14, 16, 18, 21.6f};
        request.which = PlotPairs::Given;
        request.pairs = {{1, 2}};
        app.openTwoWayPlot(request, WindowRole::Main);
        Grapher* w = app.plotWindow();
        QVERIFY(w);
        QValueAxis* linear = yAxis(w->chart());
        QVERIFY(linear);
        QVERIFY2(linear->min() < 10 - 0.5 && linear->max() > 21.6 + 0.5,
                 qPrintable(QStringLiteral("%1 to %2").arg(linear->min()).arg(linear->max())));
        const QString shots = qEnvironmentVariable("VARISECT_PLOT_SHOTS");
        if (!shots.isEmpty()) {
            QTest::qWait(50);
            w->grab().save(shots + QStringLiteral("/linear.png"));
        }

        child<QAction>(w, "logarithmicAction")->trigger();
        auto* log = qobject_cast<QCategoryAxis*>(w->chart()->axes(Qt::Vertical).value(0));
        QVERIFY(log);
        QCOMPARE(std::pow(10.0, log->min()), 9.0);
        QVERIFY(std::abs(std::pow(10.0, log->max()) - 25.0) < 1e-9);
        QVERIFY(log->categoriesLabels().contains(QStringLiteral("10")));
        QVERIFY(log->categoriesLabels().contains(QStringLiteral("20")));
        // An assigned number of ticks: that many, evenly spaced in log units between the bounds.
        fake.dialogs.inputAnswers = {"5"};
        child<QAction>(w, "ticksAction")->trigger();
        log = qobject_cast<QCategoryAxis*>(w->chart()->axes(Qt::Vertical).value(0));
        QVERIFY(log);
        QCOMPARE(log->categoriesLabels(), (QStringList{"9", "11.6", "15", "19.4", "25"}));
        QCOMPARE(log->endValue(QStringLiteral("15")), std::log10(15.0));
        // The points sit at the logarithms of the means, inside the scale.
        const QList<QLineSeries*> plotted = lines(w->chart());
        QCOMPARE(plotted.at(0)->at(0).y(), std::log10(10.0));
        if (!shots.isEmpty()) {
            QTest::qWait(50);  // laid out again before the picture is taken
            w->grab().save(shots + QStringLiteral("/log.png"));
            const std::vector<unsigned char> png = w->renderPng();
            QImage picture;
            picture.loadFromData(png.data(), int(png.size()), "PNG");
            picture.save(shots + QStringLiteral("/word.png"));
        }
        child<QAction>(w, "logarithmicAction")->trigger();
        QVERIFY(yAxis(w->chart()));
    }

    // Subjects and two factors: there is no third factor to split the plot by.
    void noPanelsBySubjects()
    {
        FakePlatform fake;
        Application app(fake.platform(), Application::Options{"", 800, [] {}});
        app.start();
        PlotRequest request;
        request.design = makeDesign({{"Subjects", 2}, {"Group", 2}, {"Trial", 2}});
        request.design.anovaType = AnovaType::RepeatedMeasures;
        request.design.designatedFactor = 1;
        request.scores = {1, 2, 3, 4, 5, 6, 7, 8};
        request.which = PlotPairs::Given;
        request.pairs = {{2, 3}};
        app.openTwoWayPlot(request, WindowRole::Main);
        QVERIFY(app.plotWindow());
        QVERIFY(!child<QPushButton>(app.plotWindow(), "panelsButton")->isEnabled());
    }

    // The general entry: a given pair drawn as given (the second factor along the bottom), at
    // once and back to the window it came from; a design whose only pair is nested gets the
    // message and no window.
    void givenPairsAndNoPairs()
    {
        FakePlatform fake;
        Application app(fake.platform(), Application::Options{"", 800, [] {}});
        app.start();
        PlotRequest request;
        request.design = makeDesign({{"Group", 2}, {"Trial", 3}});
        request.scores = {1, 2, 3, 4, 5, 6};
        request.which = PlotPairs::Given;
        request.pairs = {{2, 1}};
        request.values = PlotValues::CellSizes;
        request.unweighted = true;
        app.openTwoWayPlot(request, WindowRole::Main);
        QCOMPARE(visibleWindows(), QStringList{"grapherWindow"});
        QCOMPARE(app.plotWindow()->chart()->title(), QStringLiteral("Cell Sizes for Trial x Group  Unweighted **"));
        click(child<QPushButton>(app.plotWindow(), "returnButton"));
        QCOMPARE(visibleWindows(), QStringList{"mainWindow"});

        // A pair the design does not have is told, not drawn.
        request.pairs = {{1, 3}};
        app.openTwoWayPlot(request, WindowRole::Main);
        QCOMPARE(fake.dialogs.lastMessage().message.title, std::string("Program Error!"));
        QVERIFY(!app.plotWindow());

        request.which = PlotPairs::All;
        request.design.nested = true;
        request.design.nestingMatrix = {{'T', 'G'}};
        app.openTwoWayPlot(request, WindowRole::Main);
        QCOMPARE(fake.dialogs.lastMessage().message.text.substr(0, 50),
                 std::string("    Because of the specified nesting relationship,"));
        QVERIFY(!app.plotWindow());
        QCOMPARE(visibleWindows(), QStringList{"mainWindow"});
    }
};

QTEST_MAIN(GrapherTest)
#include "grapher_test.moc"
