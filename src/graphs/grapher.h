// SPDX-License-Identifier: GPL-3.0-or-later
// The window "Two-way Plot" (`Grapher`): line plots of cell means for pairs of factors, one at a
// time, with the first factor along the horizontal axis and one line per level of the second.
// The rules and texts live in PlotBrowser and the axis functions; this window draws them with
// Qt Charts and offers the display options of its menus.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QFont>
#include <QMainWindow>
#include <QSize>

#include "graphs/twowayplot.h"
#include "output/document.h"

class QAction;
class QActionGroup;
class QChart;
class QChartView;
class QLabel;
class QMenu;
class QPushButton;

namespace varisect {

class YAxisStyleDialog;
class Marker;
class TextEditor;
class WindowShell;
struct ShellContext;

struct GrapherHandOver {
    // The plot is ready to be seen (at once, or after the Y-axis style was chosen): show the window.
    std::function<void()> ready;
    // "&Return to Grid": the window has been hidden; show the window it was opened from.
    std::function<void()> returnTo;
};

// The size at which the plot is rendered for the clipboard, the printer and documents.
inline constexpr int kPlotImageWidth = 1200;
inline constexpr int kPlotImageHeight = 800;
// Its width on paper.
inline constexpr double kPlotPrintWidthMm = 170;

class Grapher : public QMainWindow {
    Q_OBJECT

public:
    // `pairs`: the plot list (not empty).
    Grapher(PlotRequest request, std::vector<FactorPair> pairs, ShellContext shell, GrapherHandOver handOver,
            QWidget* parent = nullptr);
    ~Grapher() override;

    // Draws the first plot and hands the window over to be shown; with more than one plot the
    // Y-axis style dialog comes first.
    void begin();

    const PlotBrowser& browser() const { return browser_; }
    QChartView* chartView() const { return view_; }
    QChart* chart() const;
    AxisChoice axisChoice() const { return axis_; }
    // The dialogs while they exist, else null.
    YAxisStyleDialog* yAxisStyleDialog() const { return yAxisStyle_.get(); }
    TextEditor* textEditor() const { return textEditor_.get(); }
    Marker* marker() const { return marker_.get(); }

    // The plot as a PNG picture of the given size, drawn offscreen.
    std::vector<unsigned char> renderPng(QSize size = QSize(kPlotImageWidth, kPlotImageHeight)) const;
    // What "&Print Graph" prints and the word-processor entries write.
    OutputDocument printedDocument() const;

    void closeForExit();

private:
    // The display settings the menus change, kept while the window is open.
    struct Display {
        bool legend = true;
        bool grey = false;
        bool grid = false;
        bool logarithmic = false;
        bool axisRight = false;
        bool verticalLettering = false;
        int markerSize = 7;
        int lineWidth = 2;
        std::optional<int> majorDivisions;  // assigned by "Assign Number of &Ticks"
        std::optional<Bounds> designated;   // this plot only
        std::optional<std::string> graphTitle;  // this plot only; empty: the plot's own title
        std::optional<std::string> yTitle;
        std::optional<std::string> bottomTitle;
        QFont graphTitleFont;
        QFont yTitleFont;
        QFont bottomTitleFont;
    };

    void buildControls();
    void buildMenus();
    void refresh();
    // Draws the plot into `chart` with the window's settings.
    void fillChart(QChart& chart) const;
    void updateCaptions();

    void axisChosen(AxisChoice choice);
    void nextSet();
    void flipClicked();
    void panelsClicked();
    void returnClicked();
    void copyGraph();
    void printGraph();
    void editTitle(int which);
    void adjust(bool markerSize);
    void assignTicks();
    void designateClicked();
    void logarithmicClicked();
    void setErrorBars(ErrorBars bars);

    PlotRequest request_;
    WindowShell* shell_;
    GrapherHandOver handOver_;
    PlotBrowser browser_;
    AxisChoice axis_;
    Display display_;
    std::unique_ptr<YAxisStyleDialog> yAxisStyle_;
    std::unique_ptr<TextEditor> textEditor_;
    std::unique_ptr<Marker> marker_;

    QChartView* view_ = nullptr;
    QLabel* position_ = nullptr;
    QPushButton* flip_ = nullptr;
    QPushButton* panels_ = nullptr;
    QPushButton* nextSet_ = nullptr;
    QPushButton* return_ = nullptr;
    QAction* decolorize_ = nullptr;
    QAction* legend_ = nullptr;
    QAction* graphTitle_ = nullptr;
    QAction* bottomTitle_ = nullptr;
    QAction* yTitle_ = nullptr;
    QAction* sideways_ = nullptr;
    QAction* vertical_ = nullptr;
    QAction* logarithmic_ = nullptr;
    QAction* grid_ = nullptr;
    QAction* designate_ = nullptr;
    QAction* axisSide_ = nullptr;
};

}  // namespace varisect
