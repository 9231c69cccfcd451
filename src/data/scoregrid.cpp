// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoregrid.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "data/gridkeys.h"
#include "data/gridmessages.h"
#include "data/scoremodel.h"
#include "platform/qttext.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {


// How long the saving indicator stays up.
constexpr int kSavingIndicatorMs = 700;
// Room around the text of a column.
constexpr int kColumnPad = 16;
// Texts up to this length fit the entry column as it starts.
constexpr std::size_t kFittingText = 8;

}  // namespace

ScoreGrid::ScoreGrid(ScoreFileParts parts, WindowShell& shell, GridRows rows, ScoreGridOptions options,
                     QWidget* parent)
    : QWidget(parent),
      shell_(shell),
      options_(std::move(options)),
      model_(new ScoreModel(std::move(rows), this)),
      files_(parts, ScoreFileOutside{shell.dialogs(), shell.platform().settings, shell.platform().desktop}, model_->column(), options_,
             ScoreFileView{[this](long row) { goToRow(static_cast<int>(row)); },
                           [this](const std::string& path) { showSavingIndicator(path); },
                           [this] {
                               hideSavingIndicator();
                               savingTimer_->stop();
                           }})
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* savingRow = new QHBoxLayout;
    savingPicture_ = new QLabel(this);
    savingPicture_->setPixmap(style()->standardIcon(QStyle::SP_DialogSaveButton).pixmap(32, 32));
    savingLabel_ = new QLabel(this);
    savingLabel_->setObjectName(QStringLiteral("savingLabel"));
    QPalette p = savingLabel_->palette();
    p.setColor(QPalette::WindowText, QColor(128, 64, 64));
    savingLabel_->setPalette(p);
    savingLabel_->setWordWrap(true);
    savingRow->addWidget(savingPicture_);
    savingRow->addWidget(savingLabel_, 1);
    layout->addLayout(savingRow);
    savingPicture_->hide();
    savingLabel_->hide();
    savingTimer_ = new QTimer(this);
    savingTimer_->setSingleShot(true);
    connect(savingTimer_, &QTimer::timeout, this, &ScoreGrid::hideSavingIndicator);

    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("scoreGrid"));
    view_->setModel(model_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectItems);
    view_->setWordWrap(false);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 8);
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view_->installEventFilter(this);
    layout->addWidget(view_, 1);
    setFocusProxy(view_);
    fitColumns();
    if (model_->scoreCount() > 0)
        view_->setCurrentIndex(model_->index(0, model_->scoreColumn()));
}

ScoreGrid::~ScoreGrid() = default;

const ScoreColumn& ScoreGrid::column() const
{
    return model_->column();
}

void ScoreGrid::reset(GridRows rows, const std::vector<std::string>& texts, const std::vector<bool>& marks)
{
    model_->reset(std::move(rows));
    fitColumns();
    showEntries(texts, marks);
    goToRow(0);
}

// ---- Moving about ----

int ScoreGrid::currentRow() const
{
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.row() : 0;
}

void ScoreGrid::goToRow(int row)
{
    if (model_->scoreCount() == 0)
        return;
    row = std::clamp(row, 0, model_->scoreCount() - 1);
    const QModelIndex index = model_->index(row, model_->scoreColumn());
    view_->setCurrentIndex(index);
    view_->scrollTo(index);
}

int ScoreGrid::visibleRows() const
{
    const int rowHeight = std::max(1, view_->verticalHeader()->defaultSectionSize());
    return std::max(1, view_->viewport()->height() / rowHeight);
}

int ScoreGrid::singleSelectedEntry() const
{
    const QModelIndexList selected = view_->selectionModel()->selectedIndexes();
    if (selected.size() != 1 || selected.front().column() != model_->scoreColumn())
        return -1;
    return selected.front().row();
}

// ---- Column widths ----

void ScoreGrid::fitColumns()
{
    // From the texts each column can hold; measuring every row would cost too much.
    const QFontMetrics fm(view_->font());
    const GridRows& rows = model_->rows();
    for (int c = 0; c < rows.labelColumns(); ++c) {
        int width = fm.horizontalAdvance(qs(rows.heading(c)));
        for (const std::string& t : rows.columnTexts(c))
            width = std::max(width, fm.horizontalAdvance(qs(t)));
        view_->setColumnWidth(c, width + kColumnPad);
    }
    const int entry = std::max(fm.horizontalAdvance(QStringLiteral("-0000000.00")),
                               fm.horizontalAdvance(qs(rows.heading(rows.entryColumn()))));
    view_->setColumnWidth(rows.entryColumn(), entry + kColumnPad);
}

int ScoreGrid::preferredWidth() const
{
    int total = view_->verticalHeader()->sizeHint().width() + view_->verticalScrollBar()->sizeHint().width() +
                2 * view_->frameWidth();
    for (int c = 0; c <= model_->scoreColumn(); ++c)
        total += view_->columnWidth(c);
    return total;
}

void ScoreGrid::widenToFit(const std::string& text)
{
    const int column = model_->scoreColumn();
    const int needed = view_->fontMetrics().horizontalAdvance(qs(text)) + kColumnPad;
    if (needed > view_->columnWidth(column))
        view_->setColumnWidth(column, needed);
}

void ScoreGrid::widenEntryColumn()
{
    const int column = model_->scoreColumn();
    view_->setColumnWidth(column, view_->columnWidth(column) + view_->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
}

// ---- Typing ----

bool ScoreGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::KeyPress)
        return entryKey(static_cast<QKeyEvent*>(event));
    if (watched == view_ && keepTypedCharacter(*event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool ScoreGrid::entryKey(QKeyEvent* event)
{
    const std::optional<EntryKey> key = entryKeyOf(*event);
    if (model_->scoreCount() == 0 || !key)
        return false;  // arrows, page keys and the like move through the grid as usual
    const int row = std::min(currentRow(), model_->scoreCount() - 1);
    const ScoreCell cell{model_->text(row), model_->imputed(row), row == model_->scoreCount() - 1};
    const KeyOutcome outcome = applyGridKey(cell, *key, options_);
    if (!outcome.handled)
        return false;
    if (view_->currentIndex().column() != model_->scoreColumn())
        goToRow(row);
    if (outcome.beep) {
        QApplication::beep();
        return true;
    }
    if (outcome.text != cell.text || outcome.imputed != cell.imputed)
        model_->setScore(row, outcome.text, outcome.imputed);
    if (outcome.changed)
        userEdit();
    if (outcome.widenIfNeeded)
        widenToFit(outcome.text);
    if (outcome.moveDown)
        goToRow(row + 1);
    return true;
}

void ScoreGrid::userEdit()
{
    files_.changed();
    emit edited();
}

// ---- Editing ----

void ScoreGrid::clearAll()
{
    model_->clearAll();
    userEdit();
    goToRow(0);
}

void ScoreGrid::insertSingleEntry()
{
    editSelectedEntry(selectBeforeInsertMessage(), &ScoreModel::insertScoreAt);
}

void ScoreGrid::removeSingleEntry()
{
    editSelectedEntry(selectToRemoveMessage(), &ScoreModel::removeScoreAt);
}

void ScoreGrid::editSelectedEntry(const Message& refusal, void (ScoreModel::*edit)(int))
{
    const int row = singleSelectedEntry();
    if (row < 0) {
        shell_.dialogs().message(refusal);
        return;
    }
    (model_->*edit)(row);
    userEdit();
}

void ScoreGrid::toggleImputedMark()
{
    if (options_.counts)
        return;  // a count is never imputed
    std::vector<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedIndexes())
        if (index.column() == model_->scoreColumn())
            rows.push_back(index.row());
    if (rows.empty()) {
        shell_.dialogs().message(selectToMarkMessage());
        return;
    }
    model_->toggleImputed(rows);
    userEdit();
}

void ScoreGrid::copyEntries()
{
    // The texts as the grid shows them, red ones with their "I", so that they paste back whole.
    shell_.copyText(copiedScoresText(model_->texts(), model_->imputedMarks()), MessageIcon::Critical);
}

void ScoreGrid::pasteEntries()
{
    const int start = currentRow();
    const PastePlan plan = planPaste(shell_.platform().clipboard.text(), column(), start, options_);
    if (!plan.ok()) {
        shell_.dialogs().message(*plan.problem);
        return;
    }
    model_->fillFrom(start, plan.texts, plan.marks);
    for (const std::string& t : plan.texts)
        if (t.size() > kFittingText)
            widenToFit(t);
    userEdit();
}

void ScoreGrid::showEntries(const std::vector<std::string>& texts, const std::vector<bool>& marks)
{
    model_->setScores(texts, marks);
    const auto longest =
        std::max_element(texts.begin(), texts.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
    if (longest != texts.end() && longest->size() > kFittingText)
        widenToFit(*longest);
}

void ScoreGrid::showFile(const GridFile& file)
{
    std::vector<std::string> texts;
    std::vector<bool> marks;
    texts.reserve(file.items.size());
    marks.reserve(file.items.size());
    for (const ScoreItem& item : file.items) {
        texts.push_back(item.text);
        marks.push_back(item.imputed);
    }
    showEntries(texts, marks);
    const long n = model_->scoreCount();
    goToRow(static_cast<int>(std::max<long>(0, std::min<long>(n, static_cast<long>(texts.size())) - 1)));
    const long top = std::max<long>(0, std::min<long>(file.count - 2, n - visibleRows()));
    view_->verticalScrollBar()->setValue(static_cast<int>(top));
}

// ---- Files ----

bool ScoreGrid::openPlainDataFile()
{
    const std::optional<GridFile> file = files_.choosePlainFile();
    if (!file)
        return false;
    showFile(*file);
    files_.opened(file->path, true);
    return true;
}

bool ScoreGrid::loadRecentPlainDataFile()
{
    const std::optional<GridFile> file = files_.readRecentPlainFile();
    if (!file)
        return false;
    showFile(*file);
    files_.opened(file->path, false);
    return true;
}

void ScoreGrid::showSavingIndicator(const std::string& path)
{
    view_->hide();
    savingLabel_->setText(QStringLiteral("   Saving ") + qs(path));
    savingLabel_->setMinimumHeight(2 * savingLabel_->fontMetrics().height());
    savingLabel_->show();
    savingPicture_->show();
    savingTimer_->start(kSavingIndicatorMs);
}

void ScoreGrid::hideSavingIndicator()
{
    savingLabel_->hide();
    savingPicture_->hide();
    savingLabel_->setMinimumHeight(0);
    view_->show();
    view_->setFocus();
}

// ---- Printing ----

OutputDocument ScoreGrid::printedDocument(const std::string& problemLabel, const std::string& heading) const
{
    OutputDocument document;
    const GridRows& rows = model_->rows();
    if (rows.kind() == GridRows::Kind::Factorial) {
        document.fixedLines(rows.printLines(column(), problemLabel, heading));
        return document;
    }
    if (!problemLabel.empty())
        document.paragraph(problemLabel);
    document.paragraph(heading);
    std::vector<int> right;
    for (int c = 0; c <= rows.entryColumn(); ++c)
        right.push_back(c);
    document.table(rows.printTable(column()), true, std::move(right));
    return document;
}

}  // namespace varisect
