// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoregrid.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "data/gridkeys.h"
#include "data/gridmessages.h"
#include "session/session.h"
#include "data/scoremodel.h"
#include "platform/qttext.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {


// The editor of an entry edited in place: the text with the cursor at its end; what is typed
// is checked by the grid when the edit ends.
class EntryEditor : public QStyledItemDelegate {
public:
    explicit EntryEditor(ScoreGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        QStyledItemDelegate::setEditorData(editor, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            // The view selects the whole text once the editor is up; in place means at its end.
            QTimer::singleShot(0, line, [line] {
                line->deselect();
                line->end(false);
            });
        }
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            grid_->commitEditedEntry(index.row(), line->text());
    }

private:
    ScoreGrid* grid_;
};

// How long the saving indicator stays up.
constexpr int kSavingIndicatorMs = 700;
// Room around the text of a column.
constexpr int kColumnPad = 16;
// Texts up to this length fit the entry column as it starts.
constexpr std::size_t kFittingText = 8;

}  // namespace

QList<QKeySequence> redoKeys()
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Redo);
    const QKeySequence ctrlY(Qt::CTRL | Qt::Key_Y);
    if (!keys.contains(ctrlY))
        keys.append(ctrlY);
    return keys;
}

ScoreGrid::ScoreGrid(ScoreFileParts parts, WindowShell& shell, GridRows rows, ScoreGridOptions options,
                     QWidget* parent)
    : QWidget(parent),
      shell_(shell),
      fileState_(parts.file),
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
    // Typing goes through the grid's key rules; F2 and a double click open the entry editor.
    view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    view_->setItemDelegateForColumn(model_->scoreColumn(), new EntryEditor(this));
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectItems);
    view_->setWordWrap(false);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 8);
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view_->installEventFilter(this);
    view_->viewport()->installEventFilter(this);
    // A cell reached anew is typed over.
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { typing_ = false; });
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
    view_->setItemDelegateForColumn(model_->scoreColumn(), new EntryEditor(this));
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
    if (watched == view_->viewport() && event->type() == QEvent::MouseButtonPress)
        typing_ = false;  // a click reaches a cell anew, even the current one
    if (watched == view_ && event->type() == QEvent::KeyPress)
        return entryKey(static_cast<QKeyEvent*>(event));
    if (watched == view_ && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->accept();  // Ctrl+C in the grid copies the selection, not every entry
        return true;
    }
    if (watched == view_ && keepTypedCharacter(*event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool ScoreGrid::entryKey(QKeyEvent* event)
{
    if (model_->scoreCount() == 0)
        return false;
    if (event->matches(QKeySequence::Copy)) {
        copySelectedEntries();
        return true;
    }
    if (event->key() == Qt::Key_Delete && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        clearSelectedEntries();
        return true;
    }
    if (event->key() == Qt::Key_Escape)
        return abandonTyping();
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        typing_ = false;
    const std::optional<EntryKey> key = entryKeyOf(*event);
    if (!key)
        return false;  // arrows, page keys and the like move through the grid as usual
    const int row = std::min(currentRow(), model_->scoreCount() - 1);
    if (view_->currentIndex().column() != model_->scoreColumn())
        typing_ = false;
    const ScoreCell cell{model_->text(row), model_->imputed(row), row == model_->scoreCount() - 1};
    const KeyOutcome outcome = applyTypingKey(cell, *key, typing_, options_);
    if (!outcome.handled)
        return false;
    if (view_->currentIndex().column() != model_->scoreColumn())
        goToRow(row);
    if (outcome.beep) {
        QApplication::beep();
        return true;
    }
    if (key->kind != EntryKey::Kind::Enter && !typing_) {
        typing_ = true;
        typingFrom_ = model_->column().currentStep();
    }
    if (outcome.text != cell.text || outcome.imputed != cell.imputed)
        model_->setScore(row, outcome.text, outcome.imputed, model_->column().currentStep() != typingFrom_);
    if (outcome.changed)
        userEdit();
    if (outcome.widenIfNeeded)
        widenToFit(outcome.text);
    if (key->kind == EntryKey::Kind::Enter)
        typing_ = false;
    if (outcome.moveDown)
        goToRow(row + 1);
    return true;
}

bool ScoreGrid::abandonTyping()
{
    if (!typing_)
        return false;
    typing_ = false;
    RowRange restored;
    while (model_->column().currentStep() != typingFrom_ && model_->column().canUndo())
        restored = model_->undo();
    if (!restored.empty())
        afterHistoryStep(restored);
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
    typing_ = false;
    const bool any = model_->anyScore();
    model_->clearAll();
    userEdit();
    goToRow(0);
    if (any)
        showStatus(clearedAllStatus());
}

std::vector<int> ScoreGrid::selectedEntryRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedIndexes())
        if (index.column() == model_->scoreColumn())
            rows.push_back(index.row());
    if (rows.empty() && model_->scoreCount() > 0)
        rows.push_back(std::min(currentRow(), model_->scoreCount() - 1));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void ScoreGrid::clearSelectedEntries()
{
    typing_ = false;
    const unsigned long step = model_->column().currentStep();
    model_->clearRows(selectedEntryRows());
    if (model_->column().currentStep() != step)
        userEdit();
}

void ScoreGrid::undo()
{
    typing_ = false;
    const RowRange changed = model_->undo();
    if (changed.empty()) {
        QApplication::beep();
        return;
    }
    afterHistoryStep(changed);
}

void ScoreGrid::redo()
{
    typing_ = false;
    const RowRange changed = model_->redo();
    if (changed.empty()) {
        QApplication::beep();
        return;
    }
    afterHistoryStep(changed);
}

void ScoreGrid::afterHistoryStep(RowRange changed)
{
    goToRow(static_cast<int>(changed.first));
    typing_ = false;
    if (model_->column().atSaved()) {
        files_.backToSaved();
        emit edited();
    } else {
        userEdit();
    }
}

bool ScoreGrid::commitEditedEntry(int row, const QString& text)
{
    if (row < 0 || row >= model_->scoreCount())
        return false;
    const QList<uint> codes = text.trimmed().toUcs4();
    const std::optional<std::string> entry =
        editedEntryText(std::u32string(codes.begin(), codes.end()), options_);
    if (!entry) {
        QApplication::beep();  // the entry keeps its text
        return false;
    }
    if (*entry == model_->text(row))
        return true;
    model_->setScore(row, *entry, false);
    userEdit();
    widenToFit(*entry);
    return true;
}

bool ScoreGrid::saved(bool done)
{
    if (done) {
        model_->markSaved();
        showStatus(savedStatus(fileState_.currentFileName()));
    }
    return done;
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
    typing_ = false;
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
    typing_ = false;
    model_->toggleImputed(rows);
    userEdit();
}

void ScoreGrid::copyEntries()
{
    // The texts as the grid shows them, red ones with their "I", so that they paste back whole.
    shell_.copyText(copiedScoresText(model_->texts(), model_->imputedMarks()), MessageIcon::Critical);
}

void ScoreGrid::copySelectedEntries()
{
    std::vector<std::string> texts;
    std::vector<bool> marks;
    for (int r : selectedEntryRows()) {
        texts.push_back(model_->text(r));
        marks.push_back(model_->imputed(r));
    }
    shell_.copyText(copiedScoresText(texts, marks), MessageIcon::Critical);
}

void ScoreGrid::pasteEntries()
{
    const int start = currentRow();
    const PastePlan plan = planPaste(shell_.platform().clipboard.text(), column(), start, options_);
    if (!plan.ok()) {
        shell_.dialogs().message(*plan.problem);
        return;
    }
    if (plan.tooMany && shell_.dialogs().message(*plan.tooMany, DialogAnswer::No) != DialogAnswer::Yes)
        return;
    if (plan.texts.empty())
        return;
    typing_ = false;
    model_->fillFrom(start, plan.texts, plan.marks);
    for (const std::string& t : plan.texts)
        if (t.size() > kFittingText)
            widenToFit(t);
    userEdit();
    const long count = static_cast<long>(plan.texts.size());
    if (plan.block)
        showStatus(pastedBlockStatus(count, start + 1, start + count));
}

void ScoreGrid::showStatus(const std::string& text)
{
    if (auto* window = qobject_cast<QMainWindow*>(this->window()))
        window->statusBar()->showMessage(qs(text));
}

void ScoreGrid::showEntries(const std::vector<std::string>& texts, const std::vector<bool>& marks)
{
    applyEntries(texts, marks);
    model_->forgetHistory();
}

void ScoreGrid::applyEntries(const std::vector<std::string>& texts, const std::vector<bool>& marks)
{
    typing_ = false;
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
    model_->markSaved();
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
