// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/dataentrywindow.h"

#include <algorithm>
#include <fstream>

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "session/session.h"
#include "data/datafilemessages.h"
#include "data/datafilewriter.h"
#include "data/scoreentry.h"
#include "data/gridkeys.h"
#include "data/scoremodel.h"
#include "data/transform.h"
#include "output/document.h"
#include "platform/platform.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

Message waitMessage(const char* text) { return {"Wait", text, MessageButtons::Ok, MessageIcon::Critical}; }
Message errorMessage(const char* text) { return {"Error", text, MessageButtons::Ok, MessageIcon::Critical}; }

const char* modeWord(LeaveMode mode) { return mode == LeaveMode::Exit ? "Exit" : "Restart"; }

// How long the saving indicator stays up.
constexpr int kSavingIndicatorMs = 700;

}  // namespace

DataEntryWindow::DataEntryWindow(DataEntryParts parts, ShellContext shell, DataEntryHandOver handOver, QWidget* parent)
    : QMainWindow(parent),
      shell_(new WindowShell(*this, std::move(shell))),
      platform_(shell_->platform()),
      design_(parts.design),
      data_(parts.data),
      file_(parts.file),
      recentFiles_(parts.recentFiles),
      handOver_(std::move(handOver))
{
    setObjectName(QStringLiteral("dataEntryWindow"));
    QString caption = QStringLiteral("Data Entry Grid");
    if (!design_.problemLabel.empty())
        caption += QStringLiteral(" for ") + qs(design_.problemLabel);
    setWindowTitle(caption + QStringLiteral(":"));
    model_ = new ScoreModel(design_.design, design_.labelsInUse, this);
    buildControls();
    buildMenus();
    setLeadingOn(false);
    if (model_->scoreCount() > 0)
        view_->setCurrentIndex(model_->index(0, model_->scoreColumn()));
    view_->setFocus(Qt::ActiveWindowFocusReason);
}

DataEntryWindow::~DataEntryWindow() = default;

void DataEntryWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);

    auto* savingRow = new QHBoxLayout;
    savingPicture_ = new QLabel(central);
    savingPicture_->setPixmap(style()->standardIcon(QStyle::SP_DialogSaveButton).pixmap(32, 32));
    savingLabel_ = new QLabel(central);
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
    connect(savingTimer_, &QTimer::timeout, this, &DataEntryWindow::hideSavingIndicator);

    view_ = new QTableView(central);
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
    // Column widths from the texts they can hold; measuring every row would cost too much.
    const QFontMetrics fm(view_->font());
    const int pad = 16;
    int total = view_->verticalHeader()->sizeHint().width() + view_->verticalScrollBar()->sizeHint().width() + 4;
    for (int f = 0; f < design_.design.factorCount(); ++f) {
        const QString name = qs(model_->factorName(f));
        int nameWidth = std::max(fm.horizontalAdvance(name), fm.horizontalAdvance(QStringLiteral("Factor 8")));
        int levelWidth = fm.horizontalAdvance(QStringLiteral("Level"));
        const int levels = design_.design.factors[static_cast<std::size_t>(f)].levels;
        for (int l = 0; l < levels; ++l) {
            // The level of row l x stride is level l; measure each level once.
            long row = 1;
            for (int k = 0; k < f; ++k)
                row *= design_.design.factors[static_cast<std::size_t>(k)].levels;
            row *= l;
            if (row < model_->scoreCount())
                levelWidth = std::max(levelWidth, fm.horizontalAdvance(qs(model_->levelText(static_cast<int>(row), f))));
        }
        view_->setColumnWidth(2 * f, nameWidth + pad);
        view_->setColumnWidth(2 * f + 1, levelWidth + pad);
        total += nameWidth + levelWidth + 2 * pad;
    }
    const int scoreWidth = fm.horizontalAdvance(QStringLiteral("-0000000.00")) + pad;
    view_->setColumnWidth(model_->scoreColumn(), scoreWidth);
    total += scoreWidth;
    layout->addWidget(view_, 1);

    dataOk_ = new QPushButton(QStringLiteral("Data &OK"), central);
    dataOk_->setObjectName(QStringLiteral("dataOkButton"));
    dataOk_->setWhatsThis(QStringLiteral("Checks that every score is there and is a number, checks typed scores "
                                         "for outliers, and unlocks the way on to the analysis."));
    anovaDesign_ = new QPushButton(QStringLiteral("&Anova Design..."), central);
    anovaDesign_->setObjectName(QStringLiteral("anovaDesignButton"));
    anovaDesign_->setWhatsThis(QStringLiteral("Goes on to choose the kind of analysis for these scores."));
    // The other ways on from accepted scores, each handed over to the application.
    const auto leadOn = [this, central](const char* caption, const char* name, const char* help,
                                        std::function<void()> DataEntryHandOver::*step) {
        auto* b = new QPushButton(QString::fromUtf8(caption), central);
        b->setObjectName(QString::fromUtf8(name));
        b->setWhatsThis(QString::fromUtf8(help));
        connect(b, &QPushButton::clicked, this, [this, step] {
            if (data_.accepted() && handOver_.*step)
                (handOver_.*step)();
        });
        leadingOn_.push_back(b);
        return b;
    };
    QPushButton* transform = leadOn("&Transform Data...", "transformButton",
                                    "Transforms the accepted scores: power, multiplication, addition, arcsine, rank "
                                    "order or logarithm.",
                                    &DataEntryHandOver::transformData);
    QPushButton* screen = leadOn("&Screen Data...", "screenButton",
                                 "Replaces the scores in a range you give by another value.", &DataEntryHandOver::screenData);
    QPushButton* tables = leadOn("Show Two-&Way Tables", "tablesButton",
                                 "Shows the cell and marginal means of pairs of factors.", &DataEntryHandOver::twoWayTables);
    QPushButton* graphs = leadOn("Show Two-Way &Graphs", "graphsButton", "Plots the cell means of pairs of factors.",
                                 &DataEntryHandOver::twoWayGraphs);
    restart_ = new QPushButton(QStringLiteral("&Restart"), central);
    restart_->setObjectName(QStringLiteral("restartButton"));
    restart_->setWhatsThis(QStringLiteral("Leaves these scores and begins again with a new design."));
    for (QPushButton* b : {dataOk_, anovaDesign_, transform, screen, tables, graphs, restart_}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
        shell_->explain(b, b->whatsThis());
    }
    leadingOn_.push_back(anovaDesign_);
    auto* buttons = new QGridLayout;
    buttons->addWidget(dataOk_, 0, 0);
    buttons->addWidget(anovaDesign_, 0, 1);
    buttons->addWidget(tables, 0, 2);
    buttons->addWidget(graphs, 0, 3);
    buttons->addWidget(transform, 1, 1);
    buttons->addWidget(screen, 1, 2);
    buttons->setColumnStretch(4, 1);
    buttons->addWidget(restart_, 1, 5);
    layout->addLayout(buttons);
    connect(dataOk_, &QPushButton::clicked, this, [this] { dataOk(); });
    connect(anovaDesign_, &QPushButton::clicked, this, [this] {
        if (data_.accepted() && handOver_.anovaDesign)
            handOver_.anovaDesign();
    });
    connect(restart_, &QPushButton::clicked, this, &DataEntryWindow::restartClicked);

    const int buttonsWidth = buttons->sizeHint().width() + 24;
    resize(std::max({total + 24, buttonsWidth, 420}), 520);
}

void DataEntryWindow::buildMenus()
{
    auto action = [this](QMenu* menu, const char* caption, const char* name, auto slot) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromUtf8(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    action(file, "&Open file (for data entry)...", "openAction", [this] { openDataFile(); });
    QAction* save = action(file, "&Save Data in File (As...)", "saveAction", [this] { saveDataFile(); });
    save->setShortcut(QKeySequence::Save);
    file->addSeparator();
    QAction* print = action(file, "&Print Data", "printAction", [this] { printData(); });
    print->setShortcut(QKeySequence::Print);
    shell_->addDocumentItems(file, "Data", [this] { return printedDocument(); });
    shell_->addPrinterSetupItem(file);
    file->addSeparator();
    shell_->addExitItem(file);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("Data &Editing"));
    edit->setObjectName(QStringLiteral("editMenu"));
    action(edit, "&Widen Entry Column", "widenAction", [this] { widenEntryColumn(); });
    action(edit, "Clear &All Data", "clearAllAction", [this] { clearAllData(); });
    edit->addSeparator();
    action(edit, "&Insert Single Score", "insertAction", [this] { insertSingleScore(); });
    action(edit, "&Remove Single Score", "removeAction", [this] { removeSingleScore(); });
    edit->addSeparator();
    QAction* copy = action(edit, "&Copy Scores to Clipboard", "copyAction", [this] { copyScores(); });
    copy->setShortcut(QKeySequence::Copy);
    QAction* paste = action(edit, "&Paste Scores from Clipboard", "pasteAction", [this] { pasteScores(); });
    paste->setShortcut(QKeySequence::Paste);
    edit->addSeparator();
    action(edit, "Mark Score as &Imputed", "imputedAction", [this] { toggleImputedMark(); });

    shell_->addHelpMenu(menuBar());
}

DialogAnswer DataEntryWindow::tell(const Message& message, std::optional<DialogAnswer> defaultButton)
{
    return platform_.dialogs.message(message, defaultButton);
}

bool DataEntryWindow::leadingOnEnabled() const
{
    return anovaDesign_->isEnabled();
}

int DataEntryWindow::visibleRows() const
{
    const int rowHeight = std::max(1, view_->verticalHeader()->defaultSectionSize());
    return std::max(1, view_->viewport()->height() / rowHeight);
}

void DataEntryWindow::setLeadingOn(bool enabled)
{
    for (QPushButton* b : leadingOn_)
        b->setEnabled(enabled);
}

void DataEntryWindow::dataChanged()
{
    file_.changed();
    data_.withdraw();
    setLeadingOn(false);
}

int DataEntryWindow::currentRow() const
{
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.row() : 0;
}

void DataEntryWindow::goToRow(int row)
{
    if (model_->scoreCount() == 0)
        return;
    row = std::clamp(row, 0, model_->scoreCount() - 1);
    const QModelIndex index = model_->index(row, model_->scoreColumn());
    view_->setCurrentIndex(index);
    view_->scrollTo(index);
}

int DataEntryWindow::singleSelectedScore() const
{
    const QModelIndexList selected = view_->selectionModel()->selectedIndexes();
    if (selected.size() != 1 || selected.front().column() != model_->scoreColumn())
        return -1;
    return selected.front().row();
}

void DataEntryWindow::widenToFit(const std::string& text)
{
    const int column = model_->scoreColumn();
    const int needed = view_->fontMetrics().horizontalAdvance(qs(text)) + 16;
    if (needed > view_->columnWidth(column))
        view_->setColumnWidth(column, needed);
}

// ---- Keyboard entry ----

bool DataEntryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::KeyPress)
        return scoreKey(static_cast<QKeyEvent*>(event));
    if (watched == view_ && keepTypedCharacter(*event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool DataEntryWindow::scoreKey(QKeyEvent* event)
{
    const std::optional<EntryKey> key = entryKeyOf(*event);
    if (model_->scoreCount() == 0 || !key)
        return false;  // arrows, page keys and the like move through the grid as usual
    const int row = currentRow();
    const ScoreCell cell{model_->text(row), model_->imputed(row), row == model_->scoreCount() - 1};
    const KeyOutcome outcome = applyEntryKey(cell, *key);
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
        dataChanged();
    if (outcome.widenIfNeeded)
        widenToFit(outcome.text);
    if (outcome.moveDown)
        goToRow(row + 1);
    return true;
}

// ---- "Data &OK" ----

bool DataEntryWindow::dataOk()
{
    // Transformed scores not edited since: the grid shows them rounded, so they are accepted as
    // they are rather than read back from the grid.
    if (data_.accepted() && data_.transformed()) {
        data_.accept(data_.scores());
        setLeadingOn(true);
        return true;
    }
    const ScoreColumnCheck check = checkScoreColumn(model_->texts(), model_->imputedMarks());
    if (!check.ok()) {
        goToRow(static_cast<int>(check.row));
        tell(*check.problem);
        return false;
    }
    design_.design.imputedCount = static_cast<int>(check.imputedCount);
    if (outlierCheckDue(data_.outlierCheck, file_.dataFromFile(), file_.dataChanged())) {
        const OutlierCheckResult result =
            runOutlierCheck(check.scores, confirmed_, data_.outlierCheck, [this](const OutlierQuestion& q) {
                goToRow(static_cast<int>(q.index));
                return outlierAnswerOf(tell(q.message));
            });
        if (!result.unlock) {
            if (result.correctRow)
                goToRow(static_cast<int>(*result.correctRow));
            return false;
        }
    }
    data_.accept(check.scores);
    setLeadingOn(true);
    return true;
}

// ---- Data Editing ----

void DataEntryWindow::widenEntryColumn()
{
    const int column = model_->scoreColumn();
    view_->setColumnWidth(column, view_->columnWidth(column) + view_->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
}

void DataEntryWindow::clearAllData()
{
    model_->clearAll();
    confirmed_.clear();
    data_.markRaw();
    dataChanged();
    goToRow(0);
}

void DataEntryWindow::insertSingleScore()
{
    const int row = singleSelectedScore();
    if (row < 0) {
        tell(waitMessage("You must select a score before which the new score will be inserted."));
        return;
    }
    model_->insertScoreAt(row);
    dataChanged();
}

void DataEntryWindow::removeSingleScore()
{
    const int row = singleSelectedScore();
    if (row < 0) {
        tell(waitMessage("You must select a score to be removed."));
        return;
    }
    model_->removeScoreAt(row);
    dataChanged();
}

void DataEntryWindow::copyScores()
{
    // The texts as the grid shows them, red ones with their "I", so that they paste back whole.
    shell_->copyText(copiedScoresText(model_->texts(), model_->imputedMarks()), MessageIcon::Critical);
}

void DataEntryWindow::pasteScores()
{
    const std::optional<std::string> clip = platform_.clipboard.text();
    if (!clip || clip->find_first_not_of(" \t\r\n") == std::string::npos) {
        tell(errorMessage("The clipboard is empty!"));
        return;
    }
    const int start = currentRow();
    if (model_->firstFilledFrom(start) >= 0) {
        tell(waitMessage("You cannot paste onto a cell containing data.  Either click elsewhere or clear the cells "
                         "into which you want to paste."));
        return;
    }
    const PastedScores pasted = parsePastedScores(*clip, model_->scoreCount() - start);
    if (!pasted.ok()) {
        tell(*pasted.problem);
        return;
    }
    model_->fillFrom(start, pasted.texts);
    for (std::size_t i = 0; i < pasted.texts.size(); ++i) {
        if (pasted.imputed[i])
            model_->setScore(start + static_cast<int>(i), pasted.texts[i], true);
        if (pasted.texts[i].size() > 8)
            widenToFit(pasted.texts[i]);
    }
    dataChanged();
}

void DataEntryWindow::toggleImputedMark()
{
    std::vector<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedIndexes())
        if (index.column() == model_->scoreColumn())
            rows.push_back(index.row());
    if (rows.empty()) {
        tell(waitMessage("You must select the scores to be marked as imputed."));
        return;
    }
    model_->toggleImputed(rows);
    dataChanged();
}

void DataEntryWindow::showTransformedScores()
{
    const Scores& scores = data_.scores();
    std::vector<std::string> texts;
    texts.reserve(scores.size());
    std::size_t widest = 0;
    for (float x : scores) {
        texts.push_back(scoreDisplayText(x));
        if (texts.back().size() > texts[widest].size())
            widest = texts.size() - 1;
    }
    model_->setScores(texts, model_->imputedMarks());
    if (!texts.empty())
        widenToFit(texts[widest]);
}

// ---- Printing ----

OutputDocument DataEntryWindow::printedDocument() const
{
    OutputDocument document;
    document.fixedLines(model_->printLines(design_.problemLabel, data_.transformed()));
    return document;
}

void DataEntryWindow::printData()
{
    shell_->print(printedDocument(), "Print Data", MessageIcon::Critical);
}

// ---- Files ----

DataLayout DataEntryWindow::gridLayout() const
{
    // Every row a line, empty cells blank: a grid saved half typed opens again as it was.
    return gridDataLayout(model_->texts(), model_->imputedMarks());
}

void DataEntryWindow::showSavingIndicator(const std::string& path)
{
    view_->hide();
    savingLabel_->setText(QStringLiteral("   Saving ") + qs(path));
    savingLabel_->setMinimumHeight(2 * savingLabel_->fontMetrics().height());
    savingLabel_->show();
    savingPicture_->show();
    savingTimer_->start(kSavingIndicatorMs);
}

void DataEntryWindow::hideSavingIndicator()
{
    savingLabel_->hide();
    savingPicture_->hide();
    savingLabel_->setMinimumHeight(0);
    view_->show();
    view_->setFocus();
}

bool DataEntryWindow::writeWithRetry(const std::string& path, const DataLayout& layout)
{
    for (;;) {
        const WriteResult result = writeDataFile(path, layout);
        if (result.ok())
            return true;
        if (tell(saveFailureMessage(result)) != DialogAnswer::Retry)
            return false;
    }
}

void DataEntryWindow::putOnTopOfRecentList(const std::string& path)
{
    recentFiles_.lastFileToTop(design_.recentRecord(path), recentFiles_.indexOf(path));
    if (!recentFiles_.write(platform_.settings))
        tell(recentListSaveFailureMessage());
}

bool DataEntryWindow::saveLayout(const DataLayout& layout)
{
    const std::optional<std::string> path = platform_.dialogs.saveFile(saveDataFileOptions(file_.openFileName()));
    if (!path || path->empty())
        return false;
    showSavingIndicator(*path);
    if (!writeWithRetry(*path, layout)) {
        hideSavingIndicator();
        savingTimer_->stop();
        return false;
    }
    file_.savedAs(*path);
    putOnTopOfRecentList(*path);
    return true;
}

bool DataEntryWindow::unsavableScore()
{
    const ScoreSaveCheck check = checkScoresForSaving(model_->texts(), model_->imputedMarks());
    if (check.ok())
        return false;
    goToRow(static_cast<int>(check.row));
    tell(*check.problem);
    return true;
}

bool DataEntryWindow::saveDataFile()
{
    if (unsavableScore())
        return false;
    return saveLayout(gridLayout());
}

bool DataEntryWindow::updateInPlace()
{
    const std::string path =
        file_.saveFileName().empty() ? file_.openFileName() : file_.saveFileName();
    if (path.empty())
        return saveDataFile();
    if (unsavableScore() || !writeWithRetry(path, gridLayout()))
        return false;
    file_.updatedInPlace();
    return true;
}

bool DataEntryWindow::confirmLeave(LeaveMode mode)
{
    FileState& file = file_;
    if (file.leaveAnswered())
        return true;
    const std::string title = modeWord(mode);
    bool leave = true;
    if (!file.dataFromFile() && !file.dataSaved()) {
        if (!model_->anyScore())
            return true;  // nothing typed: nothing to lose
        const DialogAnswer answer = tell({title, "The data have not been saved in a file.  Do you wish to save the data?",
                                          MessageButtons::YesNoCancel, MessageIcon::Question});
        if (answer == DialogAnswer::Cancel)
            return false;
        // A save that was cancelled or failed keeps the user here, so that nothing is lost.
        if (answer == DialogAnswer::Yes)
            leave = saveDataFile();
    } else if (file.dataChanged()) {
        const DialogAnswer update = tell({title, "The data have changed since the last save.  Do you wish to update the saved file?",
                                          MessageButtons::YesNo, MessageIcon::Question});
        if (update == DialogAnswer::Yes) {
            leave = updateInPlace();
        } else if (tell({title, "Do you want to save the changed data in a new file?", MessageButtons::YesNo,
                         MessageIcon::Question}) == DialogAnswer::Yes) {
            leave = saveDataFile();
        }
    }
    file.leaveAnswer(leave);
    return leave;
}

std::optional<GridDataResult> DataEntryWindow::readFileItems(const std::string& path)
{
    for (;;) {
        GridDataResult read;
        {
            BusyScope busy(platform_.desktop);
            read = readGridDataFile(std::filesystem::path(path), model_->scoreCount());
        }
        if (read.ok())
            return read;
        // A file that went missing may be back after Retry.
        if (tell(dataFileProblemMessage(*read.error)) != DialogAnswer::Retry)
            return std::nullopt;
    }
}

void DataEntryWindow::fillFromFile(const std::string& path, const std::vector<ScoreItem>& items, long count)
{
    std::vector<std::string> texts;
    std::vector<bool> imputed;
    texts.reserve(items.size());
    imputed.reserve(items.size());
    for (const ScoreItem& item : items) {
        texts.push_back(item.text);
        imputed.push_back(item.imputed);
        if (item.text.size() > 8)
            widenToFit(item.text);
    }
    model_->setScores(texts, imputed);
    confirmed_.clear();
    const long n = model_->scoreCount();
    const int last = static_cast<int>(std::max<long>(0, std::min<long>(n, static_cast<long>(items.size())) - 1));
    goToRow(last);
    const long top = std::max<long>(0, std::min<long>(count - 2, n - visibleRows()));
    view_->verticalScrollBar()->setValue(static_cast<int>(top));
    file_.opened(path);
    data_.withdraw();
    data_.markRaw();
    setLeadingOn(false);
}

void DataEntryWindow::openDataFile()
{
    const std::optional<std::string> chosen = platform_.dialogs.openFile(openDataFileOptions(file_.openFileName()));
    if (!chosen || chosen->empty())
        return;
    std::string path = *chosen;
    const long n = model_->scoreCount();

    if (namingConflict(recentFiles_, design_.recentRecord(path))) {
        const DialogAnswer answer = tell(namingConflictMessage());
        if (answer == DialogAnswer::Cancel)
            return;
        if (answer == DialogAnswer::Yes) {
            const auto read = readFileItems(path);
            if (!read)
                return;
            DataLayout copy;
            copy.items = read->items;
            if (!saveLayout(copy))
                return;
            path = file_.saveFileName();
        } else {
            putOnTopOfRecentList(path);
        }
    }

    auto read = readFileItems(path);
    if (!read)
        return;
    const long count = read->count();
    if (count != n) {
        const DialogAnswer answer = tell(wrongFileSelectedMessage(path, count, n));
        if (answer == DialogAnswer::Abort)
            return;
        if (answer == DialogAnswer::Retry && tell(dangerMessage()) != DialogAnswer::Ok)
            return;
    }
    if (count > n)
        read->items.resize(static_cast<std::size_t>(n));
    fillFromFile(path, read->items, count);
    const auto& entries = recentFiles_.entries;
    if ((entries.empty() || entries.front().path != path) && (file_.dataFromFile() || file_.dataSaved()))
        putOnTopOfRecentList(path);
}

bool DataEntryWindow::loadRecentDataFile()
{
    const std::string path = file_.openFileName();
    const long n = model_->scoreCount();
    const auto read = readFileItems(path);
    if (!read)
        return false;
    if (read->count() != n) {
        tell(scoreCountMismatchMessage(design_.design.factorCount() >= 3));
        return false;
    }
    fillFromFile(path, read->items, read->count());
    return true;
}

void DataEntryWindow::restartClicked()
{
    if (!confirmLeave(LeaveMode::Restart))
        return;
    if (handOver_.restart)
        handOver_.restart();
}

// ---- Closing ----

void DataEntryWindow::closeForExit()
{
    shell_->closeQuietly();
}

}  // namespace varisect
