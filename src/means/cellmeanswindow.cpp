// SPDX-License-Identifier: GPL-3.0-or-later
#include "means/cellmeanswindow.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "cli/meanscommands.h"
#include "means/panelsdialog.h"
#include "means/simpleeffects.h"
#include "output/documentprinter.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/qttext.h"
#include "platform/qtwindowutils.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

constexpr const char* kPrintDialogTitle = "Print Cell Means";
constexpr const char* kReturnToDesignCaption = "&Return to Specification Window";
constexpr int kCellPadding = 10;  // pixels on each side of a cell text

// Places after the decimal point ("12.35": 2); none without a point.
int decimalsOf(const std::string& text)
{
    const auto point = text.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

// The means of a column right-aligned on their decimal points: a mean with fewer places is
// followed by blanks (the grid's font is fixed-pitch), so that 1.1 stands over 1.01.
std::vector<std::vector<std::string>> alignedOnPoints(std::vector<std::vector<std::string>> cells)
{
    for (size_t c = 1; !cells.empty() && c < cells.front().size(); ++c) {
        int most = 0;
        for (size_t r = 1; r < cells.size(); ++r)
            if (c < cells[r].size())
                most = std::max(most, decimalsOf(cells[r][c]));
        for (size_t r = 1; r < cells.size(); ++r)
            if (c < cells[r].size()) {
                std::string& text = cells[r][c];
                const int places = decimalsOf(text);
                text += std::string(size_t(most - places + (places == 0 && most > 0 ? 1 : 0)), ' ');
            }
    }
    return cells;
}

void keepSpaceWhenHidden(QWidget* w)
{
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

}  // namespace

CellMeansWindow::CellMeansWindow(CellMeansRequest request, ShellContext shell, CellMeansHandOver handOver,
                                 QWidget* parent)
    : QMainWindow(parent),
      request_(std::move(request)),
      shell_(new WindowShell(*this, std::move(shell))),
      handOver_(std::move(handOver)),
      browser_(request_.design, request_.scores, request_.pairs, request_.mode, request_.useLevelLabels,
               request_.weights)
{
    setObjectName(QStringLiteral("cellMeansWindow"));
    setWindowTitle(qs(cellMeansTitle(false, request_.unweightedMeans)));
    shell_->whenClosingQuietly([this] {
        if (panels_)
            panels_->hide();
    });
    buildControls();
    buildMenus();
    refresh();
    shell_->place();
}

CellMeansWindow::~CellMeansWindow() = default;

void CellMeansWindow::closeForExit()
{
    shell_->closeQuietly();
}

void CellMeansWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

    heading_ = new QLabel(central);
    heading_->setObjectName(QStringLiteral("panelHeading"));
    heading_->setTextFormat(Qt::PlainText);
    QFont bold = heading_->font();
    bold.setBold(true);
    heading_->setFont(bold);
    // The table does not jump when panels come and go.
    keepSpaceWhenHidden(heading_);

    columnTitle_ = new QLabel(central);
    columnTitle_->setObjectName(QStringLiteral("columnTitle"));
    columnTitle_->setTextFormat(Qt::PlainText);
    columnTitle_->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);

    grid_ = new QTableWidget(central);
    grid_->setObjectName(QStringLiteral("Means"));
    grid_->setFont(fixedPitchFont(QApplication::font().pointSizeF()));
    QFont headerFont = grid_->font();
    headerFont.setBold(true);
    for (QHeaderView* header : {grid_->horizontalHeader(), grid_->verticalHeader()}) {
        header->setFont(headerFont);
        header->setHighlightSections(false);
        header->setSectionsClickable(false);
    }
    corner_ = new QLabel(grid_);
    corner_->setObjectName(QStringLiteral("rowFactor"));
    corner_->setTextFormat(Qt::PlainText);
    corner_->setFont(headerFont);
    // Its name starts where the level headers below it start.
    corner_->setIndent(grid_->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grid_->verticalHeader()));
    corner_->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setFocusPolicy(Qt::NoFocus);
    grid_->setWordWrap(false);
    grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const int rowHeight = QFontMetrics(grid_->font()).height() + 8;
    grid_->verticalHeader()->setDefaultSectionSize(rowHeight);
    grid_->horizontalHeader()->setFixedHeight(rowHeight + 2);
    shell_->explain(grid_, QStringLiteral("The mean of every cell of the pair of factors, averaged over the other "
                                          "factors, with the marginal mean of every row and column; the last cell "
                                          "is the grand mean."));

    // The table with its titles, as one block in the middle of the window.
    auto* block = new QVBoxLayout;
    block->setSpacing(4);
    block->addWidget(heading_);
    block->addWidget(columnTitle_);
    block->addWidget(grid_);
    counts_ = new QLabel(central);
    counts_->setObjectName(QStringLiteral("cellCounts"));
    counts_->setTextFormat(Qt::PlainText);
    counts_->setFont(grid_->font());
    counts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    counts_->setVisible(request_.weights.has_value());
    shell_->explain(counts_, QStringLiteral("How many scores stand behind each cell mean, and which margin is which: "
                                            "\"Marginal\" averages the cell means, \"Weighted\" (where shown) averages "
                                            "all the scores of a level."));
    block->addWidget(counts_);
    auto* centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addLayout(block);
    centred->addStretch(1);

    position_ = new QLabel(central);
    position_->setObjectName(QStringLiteral("pairPosition"));

    auto button = [this, central](const char* caption, const char* name, const char* help) {
        auto* b = new QPushButton(QString::fromUtf8(caption), central);
        b->setObjectName(QString::fromUtf8(name));
        shell_->explain(b, QString::fromUtf8(help));
        return b;
    };
    nextSet_ = button(kNextSetCaption, "Nextpair", "Shows the table of the next pair of factors you chose.");
    panelsButton_ = button(kShowPanelsCaption, "PanelsButton",
                           "Splits the table into panels, one for each level of a third factor you choose; "
                           "\"Next Level\" then shows the next panel, and after the last one the whole table "
                           "again.");
    simpleButton_ = button(kShowSimpleTableCaption, "SimpleButton",
                           "Tests the simple effects of each factor of this pair at every level of the other and "
                           "shows them in an analysis of variance table.");
    const bool simple = browser_.simpleTableButtonShown();
    const bool toDesign = simple && !request_.fromCellSizes;
    return_ = button(toDesign ? kReturnToDesignCaption : kReturnToGridCaption, "CancelButton",
                     toDesign ? "Closes the tables of means and goes back to the Anova design window."
                              : "Closes the tables of means and goes back to the data entry grid.");
    simpleButton_->setVisible(simple);
    shell_->setDefaultButton(nextSet_);
    connect(nextSet_, &QPushButton::clicked, this, &CellMeansWindow::nextSet);
    connect(panelsButton_, &QPushButton::clicked, this, &CellMeansWindow::panelsClicked);
    connect(simpleButton_, &QPushButton::clicked, this, &CellMeansWindow::showSimpleTable);
    connect(return_, &QPushButton::clicked, this, &CellMeansWindow::returnClicked);
    // The panels button keeps the width of its longer caption.
    roomForCaptions(*panelsButton_, {QString::fromUtf8(kShowPanelsCaption), QString::fromUtf8(kNextLevelCaption)});

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(nextSet_);
    buttons->addWidget(panelsButton_);
    buttons->addWidget(simpleButton_);
    buttons->addSpacing(24);
    buttons->addStretch(1);
    buttons->addWidget(return_);

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(10);
    layout->addLayout(centred, 1);
    layout->addSpacing(4);
    layout->addWidget(position_);
    layout->addLayout(buttons);
}

void CellMeansWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* print = file->addAction(QString::fromUtf8(kPrintCellMeansCaption), this, &CellMeansWindow::printMeans);
    print->setObjectName(QStringLiteral("printAction"));
    print->setShortcut(QKeySequence::Print);
    shell_->addDocumentItems(file, "Cell Means", [this] { return printedDocument(); });
    QAction* csv = file->addAction(QStringLiteral("Save as &CSV..."), this, [this] {
        shell_->saveCsv("Save Cell Means as CSV", meansCsv(request_.design, browser_.everyGrid(), request_.weights.has_value()));
    });
    csv->setObjectName(QStringLiteral("saveCsvAction"));
    file->addSeparator();
    shell_->addPrinterSetupItem(file);
    file->addSeparator();
    shell_->addExitItem(file, QString::fromUtf8(kExitCaption));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* copy = edit->addAction(QString::fromUtf8(kCopyMeansCaption), this, &CellMeansWindow::copyMeans);
    copy->setObjectName(QStringLiteral("copyAction"));
    copy->setShortcut(QKeySequence::Copy);

    shell_->addHelpMenu(menuBar(), QStringLiteral("&Search for Help on..."), QStringLiteral("How to &Use Help"),
                        browser_.simpleTableButtonShown() ? kHelpSimpleEffects : kHelpCellMeans);
}

void CellMeansWindow::refresh()
{
    const MeansGrid& g = browser_.grid();
    heading_->setText(qs(g.heading));
    heading_->setVisible(!g.heading.empty());
    columnTitle_->setText(qs(g.columnTitle));
    fillGrid();
    QString counts;
    for (const std::string& line : countLines(g)) {
        if (!counts.isEmpty() || !line.empty())
            counts += (counts.isEmpty() ? QString() : QStringLiteral("\n")) + qs(line);
    }
    counts_->setText(counts);

    panelsButton_->setText(qs(browser_.panelsButtonCaption()));
    panelsButton_->setEnabled(browser_.panelsShown() || !browser_.panelFactorChoices().empty());
    QString position = QStringLiteral("Pair %1 of %2").arg(browser_.pairNumber()).arg(browser_.pairCount());
    if (g.panelFactor != 0)
        position += QStringLiteral(", panel %1 of %2").arg(g.panelLevel).arg(request_.design.factor(g.panelFactor).levels);
    position_->setText(position);
    fitToTable();
}

void CellMeansWindow::fillGrid()
{
    // cells[0] heads the columns and cells[r][0] the rows: they go into the grid's own headers,
    // which stay in view while a large table scrolls; the row factor's name stands in the corner.
    const auto cells = alignedOnPoints(browser_.grid().cells);
    const int rows = cells.empty() ? 0 : static_cast<int>(cells.size()) - 1;
    const int columns = cells.empty() ? 0 : static_cast<int>(cells.front().size()) - 1;
    grid_->setUpdatesEnabled(false);
    grid_->clear();
    grid_->setRowCount(rows);
    grid_->setColumnCount(columns);
    QStringList columnHeaders;
    for (int c = 1; c <= columns; ++c)
        columnHeaders << qs(cells.front()[size_t(c)]);
    grid_->setHorizontalHeaderLabels(columnHeaders);
    QStringList rowHeaders;
    for (int r = 1; r <= rows; ++r)
        rowHeaders << qs(cells[size_t(r)].front());
    grid_->setVerticalHeaderLabels(rowHeaders);
    for (int c = 0; c < columns; ++c)
        grid_->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignVCenter | Qt::AlignRight);
    for (int r = 0; r < rows; ++r)
        grid_->verticalHeaderItem(r)->setTextAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    corner_->setText(cells.empty() ? QString() : qs(cells.front().front()));

    for (int r = 1; r <= rows; ++r) {
        const auto& row = cells[size_t(r)];
        for (int c = 1; c <= columns && c < static_cast<int>(row.size()); ++c) {
            auto* item = new QTableWidgetItem(qs(row[size_t(c)]));
            item->setFlags(Qt::ItemIsEnabled);
            item->setTextAlignment(Qt::AlignVCenter | Qt::AlignRight);
            grid_->setItem(r - 1, c - 1, item);
        }
    }

    const QFontMetrics cellMetrics(grid_->font());
    const QFontMetrics headerMetrics(grid_->horizontalHeader()->font());
    int rowHeaderWidth = 0;
    for (size_t r = 0; r < cells.size(); ++r)
        rowHeaderWidth = std::max(rowHeaderWidth, headerMetrics.horizontalAdvance(qs(cells[r].front())));
    grid_->verticalHeader()->setFixedWidth(rowHeaderWidth + 2 * kCellPadding);
    for (int c = 1; c <= columns; ++c) {
        int width = headerMetrics.horizontalAdvance(qs(cells.front()[size_t(c)]));
        for (size_t r = 1; r < cells.size(); ++r)
            if (size_t(c) < cells[r].size())
                width = std::max(width, cellMetrics.horizontalAdvance(qs(cells[r][size_t(c)])));
        grid_->setColumnWidth(c - 1, width + 2 * kCellPadding);
    }
    grid_->setUpdatesEnabled(true);
}

void CellMeansWindow::fitToTable()
{
    // The grid shows the whole table when the screen allows; a larger one scrolls under its
    // headers.
    const int frame = 2 * grid_->frameWidth();
    const int rowHeaderWidth = grid_->verticalHeader()->minimumWidth();  // fixed by fillGrid
    const int columnHeaderHeight = grid_->horizontalHeader()->minimumHeight();  // fixed
    int width = frame + rowHeaderWidth;
    for (int c = 0; c < grid_->columnCount(); ++c)
        width += grid_->columnWidth(c);
    int height = frame + columnHeaderHeight + grid_->rowCount() * grid_->verticalHeader()->defaultSectionSize();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int maxWidth = area.width() * 85 / 100;
    const int maxHeight = area.height() * 60 / 100;
    if (width > maxWidth)
        height += grid_->horizontalScrollBar()->sizeHint().height();
    if (height > maxHeight)
        width += grid_->verticalScrollBar()->sizeHint().width();
    grid_->setFixedSize(std::min(width, maxWidth), std::min(height, maxHeight));
    corner_->setGeometry(grid_->frameWidth(), grid_->frameWidth(), rowHeaderWidth, columnHeaderHeight);
    corner_->raise();

    // The column title stands over the level columns, not over the row headers.
    columnTitle_->setContentsMargins(rowHeaderWidth + grid_->frameWidth(), 0, 0, 0);

    if (!isMaximized() && !isFullScreen()) {
        centralWidget()->layout()->activate();
        resize(sizeHint().expandedTo(minimumSizeHint()));
    }
}

OutputDocument CellMeansWindow::printedDocument() const
{
    OutputDocument document;
    document.fixedLines(browser_.printLines(request_.transformed, request_.problemLabel, kCellMeansPrintWidth));
    return document;
}

void CellMeansWindow::nextSet()
{
    if (const auto message = browser_.nextSet()) {
        shell_->dialogs().message(*message);
        return;
    }
    refresh();
}

void CellMeansWindow::panelsClicked()
{
    if (browser_.panelsShown()) {
        browser_.nextLevel();
        refresh();
        return;
    }
    const std::vector<std::string> names = browser_.panelFactorNames();
    if (names.empty())
        return;
    PanelsDialog::HandOver h;
    h.chosen = [this](int index) { panelChosen(index); };
    if (panels_)
        panels_.release()->deleteLater();  // it may still be in the middle of its own close
    panels_ = std::make_unique<PanelsDialog>(browser_.panelPrompt(), names, shell_->context(), std::move(h), nullptr);
    panels_->findChild<WindowShell*>()->showInFront();
}

void CellMeansWindow::panelChosen(int index)
{
    const std::vector<int> choices = browser_.panelFactorChoices();
    if (index < 0 || index >= static_cast<int>(choices.size()))
        return;
    browser_.showPanels(choices[size_t(index)]);
    refresh();
    shell_->showInFront();
}

void CellMeansWindow::showSimpleTable()
{
    const ShownPair& shown = browser_.grid().shown;
    SimpleEffectsOutcome outcome = shell_->runAnalysis([&](Prompts& prompts, const AnalysisOptions& options) {
        if (request_.simpleEffects)
            return request_.simpleEffects(shown, prompts, options);
        return computeSimpleEffects(request_.design, request_.scores, shown.columnFactor, shown.rowFactor, prompts,
                                    options.exactP);
    });
    if (outcome.returnToData) {
        hide();
        if (handOver_.returnToData)
            handOver_.returnToData();
        return;
    }
    if (!outcome.table)
        return;  // the reason was told; the means stay in view
    hide();
    if (handOver_.simpleTable)
        handOver_.simpleTable(std::move(*outcome.table));
}

void CellMeansWindow::returnClicked()
{
    hide();
    if (handOver_.returnTo)
        handOver_.returnTo();
}

void CellMeansWindow::copyMeans()
{
    shell_->copyText(browser_.copyText(request_.problemLabel));
}

void CellMeansWindow::printMeans()
{
    shell_->print(printedDocument(), kPrintDialogTitle);
}

}  // namespace varisect
