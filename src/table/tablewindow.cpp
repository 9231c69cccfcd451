// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/tablewindow.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "app/appstate.h"
#include "engine/effectsize.h"
#include "engine/fprob.h"
#include "platform/platform.h"
#include "platform/qtwindowutils.h"
#include "table/tableedit.h"

namespace varisect {

namespace {

constexpr const char* kPrintAnovaCaption = "&Print Anova Table";
constexpr const char* kPrintTableCaption = "&Print Table";
constexpr const char* kPrintDialogTitle = "Print Anova Table";
constexpr const char* kRenameCaption = "&Rename Source";
constexpr const char* kFinishRenameCaption = "&Finished Renaming Sources";
constexpr const char* kHaysLegend = "Hays, P-h P";
constexpr int kVisibleRowsAtMost = 24;  // taller tables scroll
constexpr int kCellPadding = 8;          // pixels on each side of a cell text
constexpr double kPrintPointSize = 10.0;

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// "Courier New" (or the metric twin the font configuration maps it to), else the system's
// fixed-pitch font, at the size of the window's own font.
QFont tableFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(QApplication::font().pointSizeF());
    return font;
}

std::string returnCaption(TableOrigin origin)
{
    switch (origin) {
    case TableOrigin::SimpleEffects:
        return "&Return to Simple Effects Window";
    case TableOrigin::UnequalCellSizes:
        return "&Return to Grid";
    case TableOrigin::AnovaDesign:
        break;
    }
    return "&Return to Specification Window";
}

std::vector<QString> splitLines(const std::string& text)
{
    std::vector<QString> lines;
    for (const QString& line : qs(text).split(QStringLiteral("\r\n")))
        lines.push_back(line);
    while (!lines.empty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

}  // namespace

TableWindow::TableWindow(AppState& state, Platform& platform, TableOrigin origin, TableWindowHandOver handOver,
                         std::string titlePrefix, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      platform_(platform),
      origin_(origin),
      handOver_(std::move(handOver)),
      titlePrefix_(std::move(titlePrefix)),
      working_(state.table),
      saved_(state.table)
{
    setObjectName(QStringLiteral("tableWindow"));
    setWindowTitle(qs(heading()));
    buildControls();
    buildMenus();
    rebuildDisplay();
    fillGrid();
    updateMenus();
    // Opens showing the whole table (up to kVisibleRowsAtMost rows; taller ones scroll), the grid
    // held at that height while the window takes its size so that a short table does not open
    // with a band of empty rows under it.
    const int smallest = grid_->minimumHeight();
    grid_->setFixedHeight(preferredGridHeight());
    resize(sizeHint());
    grid_->setMinimumHeight(smallest);
    grid_->setMaximumHeight(QWIDGETSIZE_MAX);
    centerForm(*this, state_.startup.screenScale, state_.preferences.runMaximized);
}

TableWindow::~TableWindow() = default;

std::string TableWindow::heading() const
{
    return tableHeading(titlePrefix_);
}

void TableWindow::closeForExit()
{
    closingForExit_ = true;
    close();
}

void TableWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    const QFont fixed = tableFont();

    grid_ = new QTableWidget(central);
    grid_->setObjectName(QStringLiteral("tableGrid"));
    grid_->setFont(fixed);
    grid_->horizontalHeader()->setFont(fixed);
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setWordWrap(false);
    grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(QFontMetrics(fixed).height() + 6);
    grid_->setColumnCount(6);
    // Room the numbers do not need goes to the names.
    grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    grid_->installEventFilter(this);
    connect(grid_, &QTableWidget::cellClicked, this, &TableWindow::cellClicked);

    legend_ = new QLabel(central);
    legend_->setObjectName(QStringLiteral("legend"));
    legend_->setFont(fixed);
    legend_->setTextFormat(Qt::PlainText);
    legend_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    legend_->setText(qs([&] {
        std::string text;
        for (const std::string& line : legendLines(state_.design, origin_ != TableOrigin::UnequalCellSizes)) {
            if (!text.empty())
                text += '\n';
            text += line;
        }
        return text;
    }()));

    auto whatsThis = [this](QWidget* w, const char* help) {
        w->setWhatsThis(QString::fromUtf8(help));
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& pos) { showWhatsThis(w, pos); });
    };

    omegaBox_ = new QGroupBox(central);
    omegaBox_->setObjectName(QStringLiteral("OmegaChoice"));
    omegaGroup_ = new QButtonGroup(omegaBox_);
    auto* omegaRow = new QHBoxLayout(omegaBox_);
    const char* omegaCaptions[] = {"Hays", "Partial", "Revert"};
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(QString::fromUtf8(omegaCaptions[i]), omegaBox_);
        option->setObjectName(QStringLiteral("OmegaChoice%1").arg(i));
        omegaGroup_->addButton(option, i);
        omegaRow->addWidget(option);
    }
    effectLegend_ = new QLabel(QString::fromUtf8(kHaysLegend), omegaBox_);
    effectLegend_->setObjectName(QStringLiteral("effectLegend"));
    effectLegend_->setVisible(false);
    omegaRow->addSpacing(12);
    omegaRow->addWidget(effectLegend_);
    omegaRow->addStretch(1);
    whatsThis(omegaBox_, "Hays shows omega squared and post hoc power in place of MS and F; Partial shows partial "
                         "omega squared and F; Revert shows the table as it was built.");
    connect(omegaGroup_, &QButtonGroup::idClicked, this, [this](int id) { chooseOmega(static_cast<OmegaMode>(id)); });

    // Effect sizes belong to ordinary, fully crossed independent-groups tables only.
    const bool offerEffectSizes = origin_ != TableOrigin::SimpleEffects
        && state_.design.anovaType == AnovaType::IndependentGroups && !state_.design.nested
        && !state_.mode.unequalCellMode();
    omegaBox_->setVisible(offerEffectSizes);

    cancelButton_ = new QPushButton(qs(returnCaption(origin_)), central);
    cancelButton_->setObjectName(QStringLiteral("CancelButton"));
    whatsThis(cancelButton_, "Goes back to the window this table came from. Changes made in this window are "
                             "not kept.");
    connect(cancelButton_, &QPushButton::clicked, this, &TableWindow::returnClicked);
    restartButton_ = new QPushButton(QStringLiteral("&New Problem"), central);
    restartButton_->setObjectName(QStringLiteral("RestartButton"));
    whatsThis(restartButton_, "Leaves this analysis and starts a new problem.");
    connect(restartButton_, &QPushButton::clicked, this, [this] {
        if (handOver_.newProblem)
            handOver_.newProblem();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancelButton_);
    buttons->addStretch(1);
    buttons->addWidget(restartButton_);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(grid_, 1);
    layout->addWidget(legend_);
    layout->addWidget(omegaBox_);
    layout->addLayout(buttons);
}

void TableWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    printAction_ = file->addAction(QString::fromUtf8(kPrintAnovaCaption), this, &TableWindow::printTable);
    printAction_->setObjectName(QStringLiteral("printAction"));
    printAction_->setShortcut(QKeySequence::Print);
    file->addSeparator();
    printerSetupAction_ = file->addAction(QStringLiteral("P&rinter Setup..."), this,
                                          [this] { platform_.printer.printerSetup(); });
    file->addSeparator();
    exitAction_ = file->addAction(QStringLiteral("E&xit Alt + F4"), this, [this] {
        if (handOver_.exitProgram)
            handOver_.exitProgram();
    });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    copyTableAction_ = edit->addAction(QStringLiteral("&Copy Entire Table to Clipboard"), this, &TableWindow::copyTable);
    copyRowsAction_ = edit->addAction(QStringLiteral("Copy Selected &Rows to Clipboard"), this, &TableWindow::copyRows);
    copyRowsAction_->setShortcut(QKeySequence::Copy);
    edit->addSeparator();
    renameAction_ = edit->addAction(QString::fromUtf8(kRenameCaption), this, &TableWindow::startRenaming);
    finishRenameAction_ = edit->addAction(QString::fromUtf8(kFinishRenameCaption), this, &TableWindow::finishRenaming);
    adjustAction_ = edit->addAction(QStringLiteral("&Adjust Error df"), this, &TableWindow::startAdjusting);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&Contents..."), this, [this] { platform_.help.showContents(); });
    help->addAction(QStringLiteral("&Search..."), this, [this] { platform_.help.showSearch(); });
    help->addAction(QStringLiteral("How to &Use Help"), this, [this] { platform_.help.showHelpOnHelp(); });
}

void TableWindow::rebuildDisplay()
{
    display_ = formatTableCells(working_, state_.preferences.showFsBelowOne);
    if (omegaMode_ != OmegaMode::Revert && !display_.empty()) {
        const auto kind = omegaMode_ == OmegaMode::Hays ? EffectSizeKind::Hays : EffectSizeKind::Partial;
        applyEffectSizeColumns(display_, computeEffectSizes(working_, state_.design, kind));
    }
}

void TableWindow::fillGrid()
{
    const int rows = display_.empty() ? 0 : static_cast<int>(display_.size()) - 1;
    grid_->setUpdatesEnabled(false);
    grid_->clearContents();
    grid_->setRowCount(rows);
    if (!display_.empty()) {
        QStringList headers;
        for (const std::string& h : display_.front())
            headers << qs(h);
        grid_->setHorizontalHeaderLabels(headers);
        for (int c = 0; c < 6; ++c)
            if (QTableWidgetItem* h = grid_->horizontalHeaderItem(c))
                h->setTextAlignment(Qt::AlignVCenter | (c == 0 ? Qt::AlignLeft : Qt::AlignRight));
    }
    for (int r = 0; r < rows; ++r) {
        const DisplayRow& row = display_[static_cast<size_t>(r) + 1];
        for (int c = 0; c < 6; ++c) {
            auto* item = new QTableWidgetItem(qs(row[static_cast<size_t>(c)]));
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            item->setTextAlignment(Qt::AlignVCenter | (c == 0 ? Qt::AlignLeft : Qt::AlignRight));
            grid_->setItem(r, c, item);
        }
    }
    fitColumns();
    grid_->setUpdatesEnabled(true);
}

void TableWindow::fitColumns()
{
    const QFontMetrics cells(grid_->font());
    const QFontMetrics headers(grid_->horizontalHeader()->font());
    int total = 0;
    for (int c = 0; c < 6; ++c) {
        int width = 0;
        for (size_t r = 0; r < display_.size(); ++r) {
            const QString text = qs(display_[r][static_cast<size_t>(c)]);
            width = std::max(width, r == 0 ? headers.horizontalAdvance(text) : cells.horizontalAdvance(text));
        }
        width += 2 * kCellPadding;
        grid_->setColumnWidth(c, width);
        total += width;
    }
    // The grid never squeezes its columns: it is at least as wide as they are together.
    const int frame = 2 * grid_->frameWidth();
    const int scroll = grid_->verticalScrollBar()->sizeHint().width();
    grid_->setMinimumWidth(total + frame + scroll);
    grid_->setMinimumHeight(grid_->horizontalHeader()->sizeHint().height()
                            + std::min(grid_->rowCount(), 4) * grid_->verticalHeader()->defaultSectionSize() + frame);
}

int TableWindow::preferredGridHeight() const
{
    const int visibleRows = std::min(grid_->rowCount(), kVisibleRowsAtMost);
    return grid_->horizontalHeader()->sizeHint().height()
        + visibleRows * grid_->verticalHeader()->defaultSectionSize() + 2 * grid_->frameWidth() + 2;
}

void TableWindow::writeBack()
{
    // The shared table shows what the grid shows, so copies and documents render the same.
    AnovaTable shown = working_;
    shown.rows = display_;
    state_.table = std::move(shown);
}

void TableWindow::updateMenus()
{
    for (QAction* a : {printAction_, printerSetupAction_, copyTableAction_, copyRowsAction_, renameAction_, adjustAction_})
        a->setEnabled(!renaming_);
    finishRenameAction_->setEnabled(renaming_);
    printAction_->setText(QString::fromUtf8(omegaMode_ == OmegaMode::Revert ? kPrintAnovaCaption : kPrintTableCaption));
    effectLegend_->setVisible(omegaMode_ == OmegaMode::Hays);
}

void TableWindow::chooseOmega(OmegaMode mode)
{
    if (mode == OmegaMode::Revert)
        working_ = saved_;
    omegaMode_ = mode;
    rebuildDisplay();
    fillGrid();
    updateMenus();
    writeBack();
}

void TableWindow::startRenaming()
{
    platform_.dialogs.message(Message{
        "Rename Source",
        "Click on the name of the source whose name you would like to change (within this table only).",
        MessageButtons::Ok, MessageIcon::Information});
    renaming_ = true;
    updateMenus();
    grid_->setFocus(Qt::OtherFocusReason);
}

void TableWindow::finishRenaming()
{
    renaming_ = false;
    updateMenus();
}

bool TableWindow::renameKeyPressed(QKeyEvent* key)
{
    const bool backspace = key->key() == Qt::Key_Backspace;
    const QString typed = key->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
    if (!backspace && !printable)
        return false;  // moving about the grid
    const int r = grid_->currentRow();
    if (grid_->currentColumn() != 0 || r < 0 || r + 1 >= static_cast<int>(display_.size()))
        return true;  // only source names can be edited
    std::string name = display_[static_cast<size_t>(r) + 1][0];
    switch (renameKey(name, backspace, typed.toStdString())) {
    case RenameKey::Beep:
        QApplication::beep();
        return true;
    case RenameKey::Ignored:
        return true;
    case RenameKey::Appended:
    case RenameKey::Removed:
        break;
    }
    display_[static_cast<size_t>(r) + 1][0] = name;
    working_.cell(r + 2, ColSource) = name;
    grid_->item(r, 0)->setText(qs(name));
    fitColumns();
    writeBack();
    return true;
}

void TableWindow::startAdjusting()
{
    adjusting_ = true;
}

void TableWindow::cellClicked(int gridRow, int /*gridColumn*/)
{
    if (!adjusting_)
        return;
    // One adjustment per menu choice, so that later clicks only select.
    adjusting_ = false;
    const ProbabilityContext context{false, state_.mode.unequalCellMode()};
    if (adjustErrorDf(working_, state_.design, gridRow + 2, platform_.dialogs, context)) {
        rebuildDisplay();
        fillGrid();
        writeBack();
    }
}

void TableWindow::copyTable()
{
    const std::string text = copyTableText(heading(), state_.design, display_);
    if (!platform_.clipboard.setText(text))
        platform_.dialogs.message(Message{"Clipboard Problem!",
                                          std::string("The clipboard is currently being used by another application.")
                                              + kMessageLineBreak + "Please close the other application and retry.",
                                          MessageButtons::Ok, MessageIcon::Exclamation});
}

void TableWindow::copyRows()
{
    int first = -1;
    int last = -1;
    for (const QTableWidgetSelectionRange& range : grid_->selectedRanges()) {
        first = first < 0 ? range.topRow() : std::min(first, range.topRow());
        last = std::max(last, range.bottomRow());
    }
    if (first < 0) {
        first = last = grid_->currentRow();
        if (first < 0)
            return;
    }
    // Grid row r shows display row r + 1 (display row 0 is the header).
    const std::string text = copyRowsText(display_, first + 1, last + 1);
    if (!platform_.clipboard.setText(text))
        platform_.dialogs.message(Message{"Clipboard Problem!",
                                          std::string("The clipboard is currently being used by another application.")
                                              + kMessageLineBreak + "Please close the other application and retry.",
                                          MessageButtons::Ok, MessageIcon::Exclamation});
}

void TableWindow::printTable()
{
    QPrinter* printer = platform_.printer.choosePrinter(kPrintDialogTitle);
    if (!printer)
        return;  // the dialog was cancelled
    const std::vector<QString> lines = splitLines(copyTableText(heading(), state_.design, display_));

    QPainter painter;
    if (!painter.begin(printer)) {
        platform_.dialogs.message(Message{"Printer Problem!",
                                          "The printer is unavailable or not ready.  Please correct the condition "
                                          "and retry.",
                                          MessageButtons::Ok, MessageIcon::Exclamation});
        return;
    }
    const QRect page(QPoint(0, 0), printer->pageLayout().paintRectPixels(printer->resolution()).size());
    QFont font = tableFont();
    font.setPointSizeF(kPrintPointSize);
    painter.setFont(font);
    // A table wider than the page is printed smaller rather than cut off.
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, painter.fontMetrics().horizontalAdvance(line));
    if (widest > page.width() && widest > 0) {
        font.setPointSizeF(std::max(4.0, kPrintPointSize * page.width() / widest));
        painter.setFont(font);
    }
    const QFontMetrics fm = painter.fontMetrics();
    int y = fm.ascent();
    bool failed = false;
    for (const QString& line : lines) {
        if (y + fm.descent() > page.height()) {
            if (!printer->newPage()) {
                failed = true;
                break;
            }
            y = fm.ascent();
        }
        painter.drawText(0, y, line);
        y += fm.lineSpacing();
    }
    if (!painter.end() || failed)
        platform_.dialogs.message(Message{"Printer problem!",
                                          "The printer is not ready, or jammed, or out of paper.  Please correct the "
                                          "condition and retry.",
                                          MessageButtons::Ok, MessageIcon::Exclamation});
}

void TableWindow::returnClicked()
{
    // Every change made here stays within this window.
    state_.table = saved_;
    hide();
    if (handOver_.returnTo)
        handOver_.returnTo();
}

void TableWindow::showWhatsThis(QWidget* widget, const QPoint& pos)
{
    QWhatsThis::showText(widget->mapToGlobal(pos), widget->whatsThis(), widget);
}

bool TableWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grid_ && event->type() == QEvent::KeyPress && renaming_)
        return renameKeyPressed(static_cast<QKeyEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}

void TableWindow::closeEvent(QCloseEvent* event)
{
    if (closingForExit_ || !handOver_.exitProgram) {
        event->accept();
        return;
    }
    event->ignore();
    handOver_.exitProgram();
}

void TableWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    if (origin_ == TableOrigin::UnequalCellSizes && state_.mode.unweightedMeans && !state_.mode.randomAttritionTest)
        QTimer::singleShot(0, this, [this] {
            platform_.dialogs.message(Message{
                "Nonorthogonal Analysis",
                std::string("     The method of unweighted means yields statistical tests that are slighly biased. ")
                    + kMessageLineBreak
                    + "      You may wish to use a more stringent significance level, such as .025 for a nominal .05 "
                      "test.",
                MessageButtons::Ok, MessageIcon::Information});
        });
}

}  // namespace varisect
