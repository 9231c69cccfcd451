// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/tablewindow.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "cli/cliarguments.h"
#include "engine/effectsize.h"
#include "engine/fprob.h"
#include "output/documentprinter.h"
#include "platform/qttext.h"
#include "shell/windowshell.h"
#include "table/tableedit.h"

namespace varisect {

namespace {

constexpr const char* kPrintAnovaCaption = "&Print Anova Table";
constexpr const char* kPrintTableCaption = "&Print Table";
constexpr const char* kPrintDialogTitle = "Print Anova Table";
constexpr const char* kRenameCaption = "Re&name Source";
constexpr const char* kFinishRenameCaption = "&Finished Renaming Sources";
constexpr const char* kHaysLegend = "Hays, P-h P";
constexpr const char* kSphericityCaption = "&Sphericity Tests";
constexpr int kVisibleRowsAtMost = 24;  // taller tables scroll
constexpr int kCellPadding = 8;          // pixels on each side of a cell text

QFont tableFont()
{
    return fixedPitchFont(QApplication::font().pointSizeF());
}

std::string returnCaption(TableOrigin origin)
{
    switch (origin) {
    case TableOrigin::SimpleEffects:
        return "&Return to Simple Effects Window";
    case TableOrigin::UnequalCellSizes:
        return "&Return to Grid";
    case TableOrigin::TrendTests:
        return "&Return to Trend Tests";
    case TableOrigin::PlannedComparisons:
        return "&Return to Comparisons";
    case TableOrigin::PostHoc:
        return "&Return to Post Hoc Comparisons";
    case TableOrigin::AnovaDesign:
        break;
    }
    return "&Return to Specification Window";
}

}  // namespace

TableWindow::TableWindow(TableRequest request, ShellContext shell, TableWindowHandOver handOver, QWidget* parent)
    : QMainWindow(parent),
      request_(std::move(request)),
      shell_(new WindowShell(*this, std::move(shell))),
      handOver_(std::move(handOver)),
      working_(request_.table),
      saved_(request_.table)
{
    setObjectName(QStringLiteral("tableWindow"));
    setWindowTitle(qs(heading()));
    buildControls();
    // The table's own notes stand under the legend, in its copy, print and Word text.
    if (!request_.table.notes.empty()) {
        legend_->setText(legend_->text() + QStringLiteral("\n"));
        for (const std::string& line : request_.table.notes)
            legend_->setText(legend_->text() + QStringLiteral("\n") + qs(line));
        notes_ = request_.table.notes;
    }
    buildMenus();
    rebuildDisplay();
    fillGrid();
    sphericityOn_ = request_.sphericityTests;
    showSphericityBlock();
    updateMenus();
    // Opens showing the whole table (up to kVisibleRowsAtMost rows; taller ones scroll), the grid
    // held at that height while the window takes its size so that a short table does not open
    // with a band of empty rows under it.
    const int smallest = grid_->minimumHeight();
    grid_->setFixedHeight(preferredGridHeight());
    // A long title ("Simple Effects Analysis of Variance Table") is not cut short in the title
    // bar: room for it (in a bold face, as title bars use) and the title bar's buttons.
    QFont titleFont = font();
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + 160;
    resize(std::max(sizeHint().width(), titleWidth), sizeHint().height());
    grid_->setMinimumHeight(smallest);
    grid_->setMaximumHeight(QWIDGETSIZE_MAX);
    shell_->place();
}

TableWindow::~TableWindow() = default;

void TableWindow::setNotes(std::vector<std::string> notes)
{
    if (notes_.empty() && !notes.empty())
        legend_->setText(legend_->text() + QStringLiteral("\n"));
    for (const std::string& line : notes)
        legend_->setText(legend_->text() + QStringLiteral("\n") + qs(line));
    notes_.insert(notes_.end(), notes.begin(), notes.end());
    // The window grows by the lines; the grid keeps showing the whole table.
    const int smallest = grid_->minimumHeight();
    grid_->setFixedHeight(preferredGridHeight());
    centralWidget()->adjustSize();
    resize(std::max(width(), sizeHint().width()), sizeHint().height());
    grid_->setMinimumHeight(smallest);
    grid_->setMaximumHeight(QWIDGETSIZE_MAX);
}

std::string TableWindow::heading() const
{
    return tableHeading(request_.titlePrefix);
}

void TableWindow::closeForExit()
{
    shell_->closeQuietly();
}

OutputDocument TableWindow::printedDocument() const
{
    OutputDocument document;
    std::vector<std::string> lines{"     " + heading()};
    for (const std::string& line : legendLines(request_.design, !request_.unequalCellMode, working_.exactP))
        lines.push_back(line);
    lines.emplace_back();
    document.fixedLines(std::move(lines));
    std::vector<std::vector<std::string>> rows;
    for (const DisplayRow& row : display_) {
        std::vector<std::string> cells;
        for (const std::string& cell : row) {
            // Source labels keep their indent; numbers need no leading blank in a cell of their own.
            const bool label = cells.empty();
            const auto first = cell.find_first_not_of(' ');
            cells.push_back(label || first == std::string::npos ? cell : cell.substr(first));
        }
        rows.push_back(std::move(cells));
    }
    document.table(std::move(rows), true, {1, 2, 3, 4, 5});
    if (!notes_.empty())
        document.fixedLines(notes_);
    if (!sphericityLines_.empty()) {
        std::vector<std::string> block{std::string()};
        block.insert(block.end(), sphericityLines_.begin(), sphericityLines_.end());
        document.fixedLines(std::move(block));
    }
    return document;
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
        for (const std::string& line : legendLines(request_.design, !request_.unequalCellMode, working_.exactP)) {
            if (!text.empty())
                text += '\n';
            text += line;
        }
        return text;
    }()));

    sphericityLabel_ = new QLabel(central);
    sphericityLabel_->setObjectName(QStringLiteral("sphericityBlock"));
    sphericityLabel_->setFont(fixed);
    sphericityLabel_->setTextFormat(Qt::PlainText);
    sphericityLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sphericityLabel_->setVisible(false);

    auto whatsThis = [this](QWidget* w, const char* help) { shell_->explain(w, QString::fromUtf8(help)); };

    omegaBox_ = new QGroupBox(central);
    omegaBox_->setObjectName(QStringLiteral("OmegaChoice"));
    omegaGroup_ = new QButtonGroup(omegaBox_);
    auto* omegaRow = new QHBoxLayout(omegaBox_);
    const char* omegaCaptions[] = {"Hays", "Partial", "Revert", "Eta", "Partial Eta", "Generalized Eta"};
    for (const int i : {0, 1, 3, 4, 5, 2}) {
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
                         "omega squared and F; Eta, Partial Eta and Generalized Eta show eta squared, partial eta "
                         "squared or generalized eta squared with its 90% confidence interval; Revert shows the "
                         "table as it was built.");
    connect(omegaGroup_, &QButtonGroup::idClicked, this, [this](int id) { chooseOmega(static_cast<OmegaMode>(id)); });

    // Effect sizes belong to ordinary, fully crossed independent-groups tables only.
    // Not with contrast rows: the power of a 1-df contrast is not what the omega-squared route
    // gives for the rows of a factor.
    const bool offerEffectSizes = request_.origin != TableOrigin::SimpleEffects
        && request_.origin != TableOrigin::TrendTests && request_.origin != TableOrigin::PlannedComparisons
        && request_.origin != TableOrigin::PostHoc
        && request_.design.anovaType == AnovaType::IndependentGroups && !request_.design.nested
        && !request_.unequalCellMode;
    // The eta squareds belong to every ordinary table with F-ratios, repeated measures included.
    const bool offerEta = request_.origin == TableOrigin::AnovaDesign && !request_.unequalCellMode
        && request_.design.anovaType != AnovaType::NoFRatios;
    for (const int omegaOnly : {0, 1})
        omegaGroup_->button(omegaOnly)->setVisible(offerEffectSizes);
    omegaBox_->setVisible(offerEffectSizes || offerEta);

    cancelButton_ = new QPushButton(qs(returnCaption(request_.origin)), central);
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
    layout->addWidget(sphericityLabel_);
    layout->addWidget(omegaBox_);
    layout->addLayout(buttons);
}

void TableWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    printAction_ = file->addAction(QString::fromUtf8(kPrintAnovaCaption), this, &TableWindow::printTable);
    printAction_->setObjectName(QStringLiteral("printAction"));
    printAction_->setShortcut(QKeySequence::Print);
    shell_->addDocumentItems(file, "Table", [this] { return printedDocument(); });
    QAction* csv = file->addAction(QStringLiteral("Save as &CSV..."), this, [this] {
        shell_->saveCsv("Save Table as CSV", clisupport::csvText(display_, clisupport::exactTails(working_)));
    });
    csv->setObjectName(QStringLiteral("saveCsvAction"));
    file->addSeparator();
    printerSetupAction_ = shell_->addPrinterSetupItem(file);
    file->addSeparator();
    shell_->addExitItem(file);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    copyTableAction_ = edit->addAction(QStringLiteral("&Copy Entire Table to Clipboard"), this, &TableWindow::copyTable);
    copyRowsAction_ = edit->addAction(QStringLiteral("Copy Selected &Rows to Clipboard"), this, &TableWindow::copyRows);
    copyRowsAction_->setShortcut(QKeySequence::Copy);
    edit->addSeparator();
    renameAction_ = edit->addAction(QString::fromUtf8(kRenameCaption), this, &TableWindow::startRenaming);
    finishRenameAction_ = edit->addAction(QString::fromUtf8(kFinishRenameCaption), this, &TableWindow::finishRenaming);
    adjustAction_ = edit->addAction(QStringLiteral("&Adjust Error df"), this, &TableWindow::startAdjusting);

    QMenu* tableMenu = menuBar()->addMenu(QStringLiteral("&Table"));
    sphericityAction_ = tableMenu->addAction(QString::fromUtf8(kSphericityCaption));
    sphericityAction_->setObjectName(QStringLiteral("sphericityAction"));
    sphericityAction_->setCheckable(true);
    sphericityAction_->setChecked(request_.sphericityTests);
    connect(sphericityAction_, &QAction::triggered, this, &TableWindow::toggleSphericity);

    shell_->addHelpMenu(menuBar(), QStringLiteral("&Search..."), QStringLiteral("How to &Use Help"),
                        request_.origin == TableOrigin::SimpleEffects ? kHelpSimpleEffects : kHelpAnovaTable);
}

void TableWindow::rebuildDisplay()
{
    display_ = formatTableCells(working_, request_.showFsBelowOne);
    if (omegaMode_ != OmegaMode::Revert && !display_.empty()) {
        const auto kind = omegaMode_ == OmegaMode::Hays ? EffectSizeKind::Hays
            : omegaMode_ == OmegaMode::Partial          ? EffectSizeKind::Partial
            : omegaMode_ == OmegaMode::Eta              ? EffectSizeKind::Eta
            : omegaMode_ == OmegaMode::PartialEta       ? EffectSizeKind::PartialEta
                                                        : EffectSizeKind::GeneralizedEta;
        applyEffectSizeColumns(display_, computeEffectSizes(working_, request_.design, kind));
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

void TableWindow::updateMenus()
{
    for (QAction* a : {printAction_, printerSetupAction_, copyTableAction_, copyRowsAction_, renameAction_, adjustAction_})
        a->setEnabled(!renaming_);
    finishRenameAction_->setEnabled(renaming_);
    // The tests need the scores of an ordinary repeated-measures analysis.
    sphericityAction_->setEnabled(!renaming_ && request_.origin == TableOrigin::AnovaDesign && !request_.unequalCellMode
                                  && request_.design.anovaType == AnovaType::RepeatedMeasures
                                  && !request_.scores.empty());
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
    showSphericityBlock();
    updateMenus();
}

void TableWindow::toggleSphericity(bool on)
{
    sphericityOn_ = on;
    showSphericityBlock();
    fitHeight();
    if (handOver_.sphericityToggled)
        handOver_.sphericityToggled(on);
}

void TableWindow::showSphericityBlock()
{
    sphericityLines_.clear();
    const bool available = request_.origin == TableOrigin::AnovaDesign && !request_.unequalCellMode
        && request_.design.anovaType == AnovaType::RepeatedMeasures && !request_.scores.empty();
    if (sphericityOn_ && available)
        sphericityLines_ = sphericityLines(sphericityReport(request_.design, request_.scores, working_));
    QString text;
    for (const std::string& line : sphericityLines_)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + qs(line);
    sphericityLabel_->setText(text);
    sphericityLabel_->setVisible(!sphericityLines_.empty());
}

void TableWindow::fitHeight()
{
    // The window takes the height of what it shows; the grid keeps showing the whole table.
    const int smallest = grid_->minimumHeight();
    grid_->setFixedHeight(preferredGridHeight());
    centralWidget()->adjustSize();
    resize(std::max(width(), sizeHint().width()), sizeHint().height());
    grid_->setMinimumHeight(smallest);
    grid_->setMaximumHeight(QWIDGETSIZE_MAX);
}

void TableWindow::startRenaming()
{
    shell_->dialogs().message(Message{
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
    ProbabilityContext context{false, request_.unequalCellMode};
    context.exact = working_.exactP;
    if (adjustErrorDf(working_, request_.design, gridRow + 2, shell_->dialogs(), context)) {
        rebuildDisplay();
        fillGrid();
        showSphericityBlock();
    }
}

void TableWindow::copyTable()
{
    std::string text = copyTableText(heading(), request_.design, display_, working_.exactP, !request_.unequalCellMode) + notesText(notes_);
    if (!sphericityLines_.empty())
        text += "\r\n";
    for (const std::string& line : sphericityLines_)
        text += line + "\r\n";
    shell_->copyText(text);
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
    shell_->copyText(text);
}

void TableWindow::printTable()
{
    shell_->print(printedDocument(), kPrintDialogTitle);
}

void TableWindow::returnClicked()
{
    // Every change made here stays within this window.
    hide();
    if (handOver_.returnTo)
        handOver_.returnTo();
}

bool TableWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grid_ && event->type() == QEvent::KeyPress && renaming_)
        return renameKeyPressed(static_cast<QKeyEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}

void TableWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    if (request_.origin == TableOrigin::UnequalCellSizes && request_.unweightedMeans)
        QTimer::singleShot(0, this, [this] {
            shell_->dialogs().message(Message{
                "Nonorthogonal Analysis",
                std::string("     The method of unweighted means yields statistical tests that are slightly biased. ")
                    + kMessageLineBreak
                    + "      You may wish to use a more stringent significance level, such as .025 for a nominal .05 "
                      "test.",
                MessageButtons::Ok, MessageIcon::Information});
        });
}

}  // namespace varisect
