// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphs/grapher.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include "graphs/plotdialogs.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/qttext.h"
#include "platform/qtwindowutils.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

constexpr const char* kFlipCaption = "F&lip";
constexpr const char* kRevertCaption = "Re&vert";
constexpr const char* kShowPanelsCaption = "Show &Panels for third factor";
constexpr const char* kNextLevelCaption = "Next &Level";
constexpr const char* kPrintDialogTitle = "Print Graph";
constexpr const char* kLettersTag = "yAxisLetters";

// Colours told apart also by most colour-blind readers, and the grey tones of "Decolorize"
// (told apart further by the dashes of their lines).
const QColor kColours[] = {QColor(0x00, 0x72, 0xB2), QColor(0xD5, 0x5E, 0x00), QColor(0x00, 0x9E, 0x73),
                           QColor(0xCC, 0x79, 0xA7), QColor(0xE6, 0x9F, 0x00), QColor(0x56, 0xB4, 0xE9),
                           QColor(0x00, 0x00, 0x00), QColor(0x99, 0x44, 0x55)};
const QColor kGreys[] = {QColor(0, 0, 0), QColor(0x60, 0x60, 0x60), QColor(0x90, 0x90, 0x90),
                         QColor(0xB8, 0xB8, 0xB8)};
const Qt::PenStyle kGreyStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};

// The category axis needs distinct texts: equal level labels get invisible distinctions.
QStringList distinctCategories(const std::vector<std::string>& categories)
{
    QStringList out;
    for (const std::string& c : categories) {
        QString text = qs(c);
        while (out.contains(text))
            text += QChar(0x200B);
        out << text;
    }
    return out;
}

QString barsNote(const PlotData& plot, bool within)
{
    if (plot.bars == ErrorBars::None)
        return {};
    bool any = false;
    for (const PlotSeries& s : plot.series)
        for (double e : s.errors)
            any = any || std::isfinite(e);
    if (!any)
        return QStringLiteral("Bars: none can be formed here (a single score or subject behind each mean)");
    QString note = plot.bars == ErrorBars::StandardError ? QStringLiteral("Bars: \u00B11 standard error")
                                                          : QStringLiteral("Bars: 95% confidence interval");
    note += within ? QStringLiteral(" (within subjects, Cousineau-Morey)") : QStringLiteral(" of the cell mean");
    return note;
}

// The smallest and largest mean, bars left out.
DataRange meansRange(const PlotData& plot)
{
    PlotData means = plot;
    for (PlotSeries& s : means.series)
        s.errors.clear();
    return means.valueRange();
}

// The smallest and largest value drawn that a logarithmic scale can show: the means, the ends of
// bars above zero.
DataRange positiveRange(const PlotData& plot)
{
    const DataRange means = meansRange(plot);
    DataRange range = means;
    for (const PlotSeries& s : plot.series)
        for (size_t i = 0; i < s.values.size() && i < s.errors.size(); ++i) {
            if (!std::isfinite(s.errors[i]))
                continue;
            if (s.values[i] - s.errors[i] > 0)
                range.min = std::min(range.min, s.values[i] - s.errors[i]);
            range.max = std::max(range.max, s.values[i] + s.errors[i]);
        }
    return range;
}

Message logarithmicRefused()
{
    return Message{"Logarithmic Scale",
                   "   A logarithmic scale needs values above zero, and this plot has a value of zero or below.  "
                   "The scale stays linear.",
                   MessageButtons::Ok, MessageIcon::Exclamation};
}

}  // namespace

Grapher::Grapher(PlotRequest request, std::vector<FactorPair> pairs, ShellContext shell, GrapherHandOver handOver,
                 QWidget* parent)
    : QMainWindow(parent),
      request_(request),
      shell_(new WindowShell(*this, std::move(shell))),
      handOver_(std::move(handOver)),
      browser_(std::move(request), std::move(pairs)),
      axis_{request_.axisMode, {}}
{
    setObjectName(QStringLiteral("grapherWindow"));
    setWindowTitle(QString::fromUtf8(kGrapherTitle));
    display_.graphTitleFont = QApplication::font();
    display_.graphTitleFont.setPointSizeF(display_.graphTitleFont.pointSizeF() + 3);
    display_.graphTitleFont.setBold(true);
    display_.yTitleFont = QApplication::font();
    display_.yTitleFont.setPointSizeF(display_.yTitleFont.pointSizeF() + 1);
    display_.bottomTitleFont = display_.yTitleFont;
    if (axis_.mode == YAxisMode::Entered)
        axis_.mode = YAxisMode::DataRange;  // bounds are entered in the Y-axis style dialog
    shell_->whenClosingQuietly([this] {
        for (QWidget* w : std::initializer_list<QWidget*>{yAxisStyle_.get(), textEditor_.get(), marker_.get()})
            if (w)
                w->hide();
    });
    buildControls();
    buildMenus();
    refresh();
    resize(900, 640);
    shell_->place();
}

Grapher::~Grapher() = default;

void Grapher::closeForExit()
{
    shell_->closeQuietly();
}

QChart* Grapher::chart() const
{
    return view_->chart();
}

void Grapher::begin()
{
    if (browser_.plotCount() <= 1) {
        if (handOver_.ready)
            handOver_.ready();
        return;
    }
    yAxisStyle_ = std::make_unique<YAxisStyleDialog>(axis_, browser_.dataRange(), shell_->context(),
                                           [this](AxisChoice choice) { axisChosen(choice); });
    yAxisStyle_->findChild<WindowShell*>()->showInFront();
}

void Grapher::axisChosen(AxisChoice choice)
{
    axis_ = choice;
    refresh();
    if (yAxisStyle_)
        yAxisStyle_.release()->deleteLater();  // it is in the middle of its own accept
    if (handOver_.ready)
        handOver_.ready();
}

void Grapher::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    view_ = new QChartView(new QChart, central);
    view_->setObjectName(QStringLiteral("chartView"));
    view_->setRenderHint(QPainter::Antialiasing);
    // The whole plot is drawn anew on every change: partial updates leave pieces of markers behind.
    view_->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    view_->setMinimumSize(520, 360);
    shell_->explain(view_, QStringLiteral("The cell means of the pair of factors: the levels of the first factor "
                                          "along the bottom, one line for each level of the second."));

    position_ = new QLabel(central);
    position_->setObjectName(QStringLiteral("plotPosition"));

    auto button = [this, central](const char* caption, const char* name, const char* help) {
        auto* b = new QPushButton(QString::fromUtf8(caption), central);
        b->setObjectName(QString::fromUtf8(name));
        shell_->explain(b, QString::fromUtf8(help));
        return b;
    };
    flip_ = button(kFlipCaption, "flipButton",
                   "Swaps the roles of the two factors: the lines become the points along the bottom. "
                   "\"Revert\" swaps them back.");
    panels_ = button(kShowPanelsCaption, "panelsButton",
                     "Draws the plot for one level of a third factor at a time; \"Next Level\" shows the next "
                     "level, and after the last one the plot of all the data again.");
    nextSet_ = button("&Next set", "nextSetButton", "Shows the plot of the next pair of factors you chose.");
    return_ = button("&Return to Grid", "returnButton", "Closes the plot and goes back.");
    shell_->setDefaultButton(nextSet_);
    connect(flip_, &QPushButton::clicked, this, &Grapher::flipClicked);
    connect(panels_, &QPushButton::clicked, this, &Grapher::panelsClicked);
    connect(nextSet_, &QPushButton::clicked, this, &Grapher::nextSet);
    connect(return_, &QPushButton::clicked, this, &Grapher::returnClicked);
    const QFontMetrics fm(panels_->font());
    roomForCaptions(*panels_, {QString::fromUtf8(kShowPanelsCaption), QString::fromUtf8(kNextLevelCaption)});
    flip_->setMinimumWidth(std::max(flip_->sizeHint().width(),
                                    fm.horizontalAdvance(QStringLiteral("Revert")) + 2 * fm.averageCharWidth() + 16));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(flip_);
    buttons->addWidget(panels_);
    buttons->addWidget(nextSet_);
    buttons->addStretch(1);
    buttons->addWidget(return_);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->addWidget(view_, 1);
    layout->addWidget(position_);
    layout->addLayout(buttons);
}

void Grapher::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* print = file->addAction(QStringLiteral("&Print Graph"), this, &Grapher::printGraph);
    print->setObjectName(QStringLiteral("printAction"));
    print->setShortcut(QKeySequence::Print);
    shell_->addDocumentItems(file, "Graph", [this] { return printedDocument(); });
    file->addSeparator();
    shell_->addPrinterSetupItem(file);
    file->addSeparator();
    shell_->addExitItem(file, QStringLiteral("E&xit Alt+F4"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* copy = edit->addAction(QStringLiteral("Copy Graph to &Clipboard"), this, &Grapher::copyGraph);
    copy->setObjectName(QStringLiteral("copyAction"));
    copy->setShortcut(QKeySequence::Copy);
    decolorize_ = edit->addAction(QString(), this, [this] {
        display_.grey = !display_.grey;
        refresh();
    });
    decolorize_->setObjectName(QStringLiteral("decolorizeAction"));
    legend_ = edit->addAction(QString(), this, [this] {
        display_.legend = !display_.legend;
        refresh();
    });
    legend_->setObjectName(QStringLiteral("legendAction"));
    edit->addSeparator();
    graphTitle_ = edit->addAction(QString(), this, [this] { editTitle(0); });
    graphTitle_->setObjectName(QStringLiteral("graphTitleAction"));
    bottomTitle_ = edit->addAction(QString(), this, [this] { editTitle(2); });
    bottomTitle_->setObjectName(QStringLiteral("bottomTitleAction"));
    yTitle_ = edit->addAction(QString(), this, [this] { editTitle(1); });
    yTitle_->setObjectName(QStringLiteral("yTitleAction"));
    auto* lettering = new QActionGroup(this);
    sideways_ = edit->addAction(QStringLiteral("(&Sideways Lettering)"), this, [this] {
        display_.verticalLettering = false;
        refresh();
    });
    vertical_ = edit->addAction(QStringLiteral("(&Vertical Lettering)"), this, [this] {
        display_.verticalLettering = true;
        refresh();
    });
    for (QAction* a : {sideways_, vertical_}) {
        a->setCheckable(true);
        lettering->addAction(a);
    }
    sideways_->setObjectName(QStringLiteral("sidewaysAction"));
    vertical_->setObjectName(QStringLiteral("verticalAction"));
    sideways_->setChecked(true);
    edit->addSeparator();
    edit->addAction(QStringLiteral("Adjust &Marker Size"), this, [this] { adjust(true); })
        ->setObjectName(QStringLiteral("markerSizeAction"));
    edit->addAction(QStringLiteral("Adjust Line &Width"), this, [this] { adjust(false); })
        ->setObjectName(QStringLiteral("lineWidthAction"));

    QMenu* bars = edit->addMenu(QStringLiteral("Error Ba&rs on Means"));
    bars->setObjectName(QStringLiteral("errorBarsMenu"));
    auto* barGroup = new QActionGroup(this);
    const std::pair<const char*, ErrorBars> barItems[] = {{"&None", ErrorBars::None},
                                                          {"&Standard Errors", ErrorBars::StandardError},
                                                          {"95% &Confidence Intervals", ErrorBars::Confidence95}};
    int k = 0;
    for (const auto& [caption, kind] : barItems) {
        QAction* a = bars->addAction(QString::fromUtf8(caption), this, [this, kind = kind] { setErrorBars(kind); });
        a->setCheckable(true);
        a->setChecked(kind == ErrorBars::None);
        a->setObjectName(QStringLiteral("errorBars%1").arg(k++));
        barGroup->addAction(a);
    }

    QMenu* axis = edit->addMenu(QStringLiteral("Y-Axis &Options"));
    axis->setObjectName(QStringLiteral("yAxisMenu"));
    logarithmic_ = axis->addAction(QString(), this, &Grapher::logarithmicClicked);
    logarithmic_->setObjectName(QStringLiteral("logarithmicAction"));
    grid_ = axis->addAction(QStringLiteral("Show &Grid"), this, [this](bool on) {
        display_.grid = on;
        refresh();
    });
    grid_->setCheckable(true);
    grid_->setObjectName(QStringLiteral("gridAction"));
    designate_ = axis->addAction(QString(), this, &Grapher::designateClicked);
    designate_->setObjectName(QStringLiteral("designateAction"));
    axis->addAction(QStringLiteral("Assign Number of &Ticks"), this, &Grapher::assignTicks)
        ->setObjectName(QStringLiteral("ticksAction"));
    axisSide_ = axis->addAction(QString(), this, [this] {
        display_.axisRight = !display_.axisRight;
        refresh();
    });
    axisSide_->setObjectName(QStringLiteral("axisSideAction"));

    shell_->addHelpMenu(menuBar(), QStringLiteral("&Search for Help on..."), QStringLiteral("How to &Use Help"),
                        kHelpTwoWayPlot);
}

void Grapher::updateCaptions()
{
    flip_->setText(QString::fromUtf8(browser_.flipped() ? kRevertCaption : kFlipCaption));
    panels_->setText(QString::fromUtf8(browser_.panelsShown() ? kNextLevelCaption : kShowPanelsCaption));
    panels_->setEnabled(browser_.panelFactor() != 0);
    decolorize_->setText(display_.grey ? QStringLiteral("Recolorize") : QStringLiteral("Decolorize"));
    legend_->setText(display_.legend ? QStringLiteral("Hide &Legend") : QStringLiteral("Show &Legend"));
    graphTitle_->setText(QStringLiteral("Edit Graph &Title"));
    bottomTitle_->setText(display_.bottomTitle ? QStringLiteral("Edit &Bottom Title") : QStringLiteral("Add &Bottom Title"));
    yTitle_->setText(display_.yTitle ? QStringLiteral("Edit &Y-Axis Title") : QStringLiteral("Add &Y-Axis Title"));
    sideways_->setEnabled(display_.yTitle.has_value());
    vertical_->setEnabled(display_.yTitle.has_value());
    logarithmic_->setText(display_.logarithmic ? QStringLiteral("&Linear Scale") : QStringLiteral("&Logarithmic Scale"));
    designate_->setText(display_.designated ? QStringLiteral("&Cancel Designation")
                                            : QStringLiteral("&Designate Min and Max"));
    designate_->setEnabled(!display_.logarithmic);
    axisSide_->setText(display_.axisRight ? QStringLiteral("Axis Position on &Left")
                                          : QStringLiteral("Axis Position on &Right"));
}

void Grapher::refresh()
{
    if (display_.logarithmic && meansRange(browser_.plot()).min <= 0) {
        display_.logarithmic = false;
        shell_->dialogs().message(logarithmicRefused());
    }
    fillChart(*view_->chart());
    updateCaptions();
    const PlotData& plot = browser_.plot();
    QString position = QStringLiteral("Plot %1 of %2").arg(browser_.plotNumber()).arg(browser_.plotCount());
    if (plot.panelFactor != 0)
        position += QStringLiteral(", panel %1 of %2")
                        .arg(plot.panelLevel)
                        .arg(request_.design.factor(plot.panelFactor).levels);
    const QString note = barsNote(plot, withinSubjectBars(request_.design, plot.xFactor, plot.seriesFactor,
                                                          plot.panelFactor));
    if (!note.isEmpty())
        position += QStringLiteral(".   ") + note;
    position_->setText(position);
}

void Grapher::fillChart(QChart& chart) const
{
    chart.removeAllSeries();
    for (QAbstractAxis* a : chart.axes()) {
        chart.removeAxis(a);
        delete a;
    }
    for (QObject* keeper : chart.findChildren<QObject*>(QString::fromUtf8(kLettersTag), Qt::FindDirectChildrenOnly))
        delete keeper;
    for (QGraphicsItem* item : chart.childItems())
        if (item->data(0).toString() == QLatin1String(kLettersTag))
            delete item;
    chart.setBackgroundRoundness(0);
    chart.setMargins(QMargins(10, 10, 10, 10));

    const PlotData& plot = browser_.plot();
    chart.setTitle(qs(display_.graphTitle && !display_.graphTitle->empty() ? *display_.graphTitle : plot.title));
    chart.setTitleFont(display_.graphTitleFont);

    auto* x = new QBarCategoryAxis;
    x->append(distinctCategories(plot.categories));
    x->setTitleText(qs(display_.bottomTitle ? *display_.bottomTitle : plot.xFactorName));
    x->setTitleFont(display_.bottomTitleFont);
    x->setGridLineVisible(false);
    chart.addAxis(x, Qt::AlignBottom);

    // The vertical range.
    const DataRange values = plot.valueRange();
    double lo = values.min;
    double hi = values.max;
    std::optional<int> divisions = display_.majorDivisions;
    bool automatic = true;
    auto fixed = [&](double a, double b) {
        lo = a;
        hi = b;
        automatic = false;
        if (!divisions)
            divisions = majorDivisions(a, b);
    };
    // The range forced on every plot of the set, if one is: all the data, or the limits entered.
    std::optional<DataRange> forced;
    if (axis_.mode == YAxisMode::DataRange)
        forced = browser_.dataRange();
    else if (axis_.mode == YAxisMode::Entered)
        forced = DataRange{axis_.bounds.lower, axis_.bounds.upper};
    if (display_.designated)
        fixed(display_.designated->lower, display_.designated->upper);
    else if (forced)
        fixed(forced->min, forced->max);
    if (!automatic && !(hi > lo)) {
        // One value only: a range round it.
        const double pad = lo == 0 ? 1.0 : std::abs(lo) * 0.1;
        lo -= pad;
        hi += pad;
    }
    // Room beyond the lowest and highest value drawn, so that their markers and bars are whole.
    const double pad = valuePadding(display_.markerSize, display_.lineWidth);

    // A logarithmic scale draws the logarithms of the values on a linear axis labelled with round
    // values where they fall, bounded by the values drawn (not by whole decades), or by the range
    // forced on every plot where that is above zero; with a number of ticks assigned, that many
    // evenly spaced in log units between the same bounds.
    const DataRange logSpan = logarithmicSpan(positiveRange(plot), forced);
    std::optional<LogScale> logScale =
        display_.logarithmic ? logarithmicScale(logSpan.min, logSpan.max, pad) : std::nullopt;
    if (logScale && display_.majorDivisions)
        logScale = withAssignedTicks(*logScale, *display_.majorDivisions);
    const auto yOf = [log = logScale.has_value()](double v) { return log ? std::log10(v) : v; };
    QAbstractAxis* y = nullptr;
    if (logScale) {
        auto* log = new QCategoryAxis;
        log->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        lo = std::log10(logScale->min);
        hi = std::log10(logScale->max);
        log->setRange(lo, hi);
        for (std::size_t i = 0; i < logScale->ticks.size(); ++i)
            log->append(qs(logScale->labels[i]), std::log10(logScale->ticks[i]));
        log->setStartValue(lo);
        y = log;
    } else {
        auto* linear = new QValueAxis;
        if (automatic) {
            const FixedScale scale = automaticScale(lo, hi, pad);
            lo = scale.min;
            hi = scale.max;
            if (!divisions)
                divisions = scale.majorDivisions;
        }
        linear->setRange(lo, hi);
        if (divisions)
            linear->setTickCount(*divisions + 1);
        linear->setMinorTickCount(0);
        linear->setLabelFormat(QStringLiteral("%.6g"));
        y = linear;
    }
    y->setGridLineVisible(display_.grid);
    y->setMinorGridLineVisible(display_.grid);
    y->setGridLinePen(QPen(Qt::black, 0.6));
    y->setMinorGridLinePen(QPen(Qt::black, 0.4, Qt::DotLine));
    y->setTitleFont(display_.yTitleFont);
    if (display_.yTitle && !display_.verticalLettering)
        y->setTitleText(qs(*display_.yTitle));
    chart.addAxis(y, display_.axisRight ? Qt::AlignRight : Qt::AlignLeft);

    // The lines, with their bars.
    const int n = static_cast<int>(plot.series.size());
    const bool bars = plot.bars != ErrorBars::None;
    const double step = bars ? std::min(0.06, 0.3 / std::max(1, n)) : 0.0;
    const double cap = bars ? std::max(0.02, step * 0.45) : 0.0;
    for (int j = 0; j < n; ++j) {
        const PlotSeries& s = plot.series[size_t(j)];
        const QColor colour = display_.grey ? kGreys[j % 4] : kColours[j % 8];
        QPen pen(colour, display_.lineWidth);
        if (display_.grey)
            pen.setStyle(kGreyStyles[(j + j / 4) % 4]);  // no two lines alike up to 16
        auto* line = new QLineSeries;
        line->setName(qs(s.name));
        const double offset = (j - (n - 1) / 2.0) * step;
        for (size_t i = 0; i < s.values.size(); ++i)
            line->append(double(i) + offset, yOf(s.values[i]));
        line->setPen(pen);
        line->setBrush(display_.grey && j % 2 == 1 ? QBrush(Qt::white) : QBrush(colour));
        line->setPointsVisible(true);
        line->setMarkerSize(display_.markerSize);
        chart.addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
        for (size_t i = 0; bars && i < s.errors.size(); ++i) {
            if (!std::isfinite(s.errors[i]))
                continue;
            const double xi = double(i) + offset;
            // A bar reaching zero or below ends at the foot of a logarithmic scale.
            const double lowEnd = s.values[i] - s.errors[i];
            const double low = logScale && lowEnd <= 0 ? lo : std::max(lo, yOf(lowEnd));
            const double high = std::min(hi, yOf(s.values[i] + s.errors[i]));
            auto* bar = new QLineSeries;
            bar->append({QPointF(xi - cap, low), QPointF(xi + cap, low), QPointF(xi, low), QPointF(xi, high),
                         QPointF(xi - cap, high), QPointF(xi + cap, high)});
            bar->setPen(QPen(colour, std::max(1, display_.lineWidth - 1)));
            chart.addSeries(bar);
            bar->attachAxis(x);
            bar->attachAxis(y);
            for (QLegendMarker* m : chart.legend()->markers(bar))
                m->setVisible(false);
        }
    }

    chart.legend()->setVisible(display_.legend);
    chart.legend()->setAlignment(Qt::AlignRight);
    chart.legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);

    // The legend is headed by the name of the factor whose levels it lists.
    if (display_.legend && !plot.series.empty()) {
        auto* heading = new QGraphicsSimpleTextItem(qs(plot.seriesFactorName), &chart);
        heading->setData(0, QString::fromUtf8(kLettersTag));
        QFont bold = chart.legend()->font();
        bold.setBold(true);
        heading->setFont(bold);
        heading->setBrush(chart.legend()->labelColor());
        auto* keeper = new QObject(&chart);
        keeper->setObjectName(QString::fromUtf8(kLettersTag));
        QChart* c = &chart;
        const int count = n;
        auto place = [heading, c, count](const QRectF&) {
            // The legend's entries stand in the middle of its box, one line each.
            const QRectF box = c->legend()->geometry();
            const double line = QFontMetricsF(c->legend()->font()).height() * 1.45;
            const double top = box.center().y() - count * line / 2;
            const double left = std::min(box.left() + 10, c->size().width() - heading->boundingRect().width() - 6);
            heading->setPos(left, top - heading->boundingRect().height() - line * 0.8);
        };
        QObject::connect(&chart, &QChart::plotAreaChanged, keeper, place);
        place(chart.plotArea());
    }

    // The Y-axis title in letters one above the other, beside the axis. The item follows the
    // plot area as the chart is laid out; `keeper` ends that when the chart is drawn anew.
    if (display_.yTitle && display_.verticalLettering) {
        QString stacked;
        for (const QChar c : qs(*display_.yTitle))
            stacked += (stacked.isEmpty() ? QString() : QStringLiteral("\n")) + c;
        auto* letters = new QGraphicsSimpleTextItem(stacked, &chart);
        letters->setData(0, QString::fromUtf8(kLettersTag));
        letters->setFont(display_.yTitleFont);
        const QRectF box = letters->boundingRect();
        const int room = int(std::ceil(box.width())) + 14;
        chart.setMargins(display_.axisRight ? QMargins(10, 10, room, 10) : QMargins(room, 10, 10, 10));
        auto* keeper = new QObject(&chart);
        keeper->setObjectName(QString::fromUtf8(kLettersTag));
        QChart* c = &chart;
        auto place = [letters, box, right = display_.axisRight, c](const QRectF& area) {
            const double left = right ? c->size().width() - box.width() - 8 : 8;
            letters->setPos(left, area.center().y() - box.height() / 2);
        };
        QObject::connect(&chart, &QChart::plotAreaChanged, keeper, place);
        place(chart.plotArea());
    }
}

std::vector<unsigned char> Grapher::renderPng(QSize size) const
{
    // A view of its own, laid out without appearing on the screen: a chart that was never laid
    // out draws nothing. It is laid out at two thirds of the picture's size and drawn at 1.5
    // pixels a point, so that its texts stay legible when the picture is printed 17 cm wide.
    constexpr double scale = 1.5;
    const QSize logical(int(size.width() / scale), int(size.height() / scale));
    QChartView view;
    auto* chart = new QChart;
    view.setChart(chart);
    view.setRenderHint(QPainter::Antialiasing);
    view.setFrameShape(QFrame::NoFrame);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(logical);
    fillChart(*chart);
    view.show();
    chart->resize(view.viewport()->size());
    QCoreApplication::sendPostedEvents();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDevicePixelRatio(scale);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        view.render(&painter, QRectF(QPointF(0, 0), QSizeF(logical)));
    }
    view.hide();
    image.setDevicePixelRatio(1);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

OutputDocument Grapher::printedDocument() const
{
    OutputDocument document;
    if (!request_.problemLabel.empty())
        document.paragraph(request_.problemLabel);
    document.picture(renderPng(), kPlotPrintWidthMm);
    const PlotData& plot = browser_.plot();
    const QString note =
        barsNote(plot, withinSubjectBars(request_.design, plot.xFactor, plot.seriesFactor, plot.panelFactor));
    if (!note.isEmpty())
        document.paragraph(note.toStdString() + ".");
    return document;
}

void Grapher::nextSet()
{
    if (const auto message = browser_.nextSet()) {
        shell_->dialogs().message(*message);
        return;
    }
    display_.designated.reset();
    display_.graphTitle.reset();
    refresh();
}

void Grapher::flipClicked()
{
    browser_.flip();
    refresh();
}

void Grapher::panelsClicked()
{
    try {
        if (browser_.panelsShown())
            browser_.nextLevel();
        else
            browser_.showPanels();
    } catch (const std::exception& e) {
        // The plot on show stays; the user may go on with it.
        shell_->dialogs().message(Message{"Program Error!",
                                          std::string("There was an unexpected error (") + e.what() +
                                              ") in setting up the panels. Click on OK to resume trying to graph; "
                                              "however, the problem may be insurmountable, in which case you will "
                                              "have to start over.",
                                          MessageButtons::Ok, MessageIcon::Critical});
    }
    refresh();
}

void Grapher::returnClicked()
{
    hide();
    if (handOver_.returnTo)
        handOver_.returnTo();
}

void Grapher::copyGraph()
{
    shell_->copyImage(renderPng());
}

void Grapher::printGraph()
{
    shell_->print(printedDocument(), kPrintDialogTitle);
}

void Grapher::editTitle(int which)
{
    static const char* const names[] = {"Graph Title", "Y-Axis Title", "Bottom Title"};
    std::string text;
    QFont font;
    if (which == 0) {
        text = display_.graphTitle ? *display_.graphTitle : browser_.plot().title;
        font = display_.graphTitleFont;
    } else if (which == 1) {
        text = display_.yTitle.value_or("");
        font = display_.yTitleFont;
    } else {
        text = display_.bottomTitle.value_or(browser_.plot().xFactorName);
        font = display_.bottomTitleFont;
    }
    if (textEditor_)
        textEditor_.release()->deleteLater();
    textEditor_ = std::make_unique<TextEditor>(names[which], text, font, shell_->context(),
                                               [this, which](std::string t, QFont f) {
                                                   std::optional<std::string> title;
                                                   if (!t.empty())
                                                       title = std::move(t);
                                                   if (which == 0) {
                                                       display_.graphTitle = title;
                                                       display_.graphTitleFont = f;
                                                   } else if (which == 1) {
                                                       display_.yTitle = title;
                                                       display_.yTitleFont = f;
                                                   } else {
                                                       display_.bottomTitle = title;
                                                       display_.bottomTitleFont = f;
                                                   }
                                                   refresh();
                                               });
    textEditor_->findChild<WindowShell*>()->showInFront();
}

void Grapher::adjust(bool markerSize)
{
    if (marker_)
        marker_.release()->deleteLater();
    if (markerSize)
        marker_ = std::make_unique<Marker>("Adjust Marker Size", display_.markerSize, 3, 30, shell_->context(),
                                           [this](int v) {
                                               display_.markerSize = v;
                                               refresh();
                                           });
    else
        marker_ = std::make_unique<Marker>("Adjust Line Width", display_.lineWidth, 1, 12, shell_->context(),
                                           [this](int v) {
                                               display_.lineWidth = v;
                                               refresh();
                                           });
    marker_->findChild<WindowShell*>()->showInFront();
}

void Grapher::assignTicks()
{
    const TickAnswer answer = readTickCount(shell_->dialogs().inputBox(kTicksTitle, kTicksPrompt));
    if (answer.problem) {
        shell_->dialogs().message(*answer.problem);
        return;
    }
    if (!answer.majorDivisions)
        return;
    display_.majorDivisions = answer.majorDivisions;
    refresh();
}

void Grapher::designateClicked()
{
    if (display_.designated) {
        display_.designated.reset();
        refresh();
        return;
    }
    if (const auto bounds = askBoundsForOnePlot(shell_->dialogs(), browser_.dataRange())) {
        display_.designated = bounds;
        refresh();
    }
}

void Grapher::logarithmicClicked()
{
    if (!display_.logarithmic && meansRange(browser_.plot()).min <= 0) {
        shell_->dialogs().message(logarithmicRefused());
        return;
    }
    display_.logarithmic = !display_.logarithmic;
    refresh();
}

void Grapher::setErrorBars(ErrorBars bars)
{
    browser_.setErrorBars(bars);
    refresh();
}

}  // namespace varisect
