// SPDX-License-Identifier: GPL-3.0-or-later
#include "unequal/cellsizewindow.h"

#include <algorithm>
#include <stdexcept>

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "data/datafile.h"
#include "data/datafilemessages.h"
#include "data/datafilewriter.h"
#include "data/gridkeys.h"
#include "data/scoreentry.h"
#include "data/transform.h"
#include "platform/desktop.h"
#include "platform/helpviewer.h"
#include "platform/platform.h"
#include "session/session.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// Runs `analysis` with the busy pointer on; its questions are asked in message boxes.
template <class Analysis>
auto underBusyPointer(Platform& platform, Analysis analysis)
{
    const BusyScope busy(platform.desktop);
    WindowPrompts prompts(platform);
    return analysis(prompts);
}

}  // namespace

// ---- The grid's rows ----

void CellEntryModel::reset(std::vector<std::string> columns, std::vector<std::vector<int>> rowLevels,
                           const std::string& entryHeading)
{
    beginResetModel();
    factorNames_ = std::move(columns);
    entryHeading_ = entryHeading;
    rowLevels_ = std::move(rowLevels);
    texts_.assign(rowLevels_.size(), std::string());
    imputed_.assign(rowLevels_.size(), false);
    endResetModel();
}

int CellEntryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(texts_.size());
}

int CellEntryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : entryColumn() + 1;
}

QVariant CellEntryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= entryCount())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const bool entry = index.column() == entryColumn();
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (entry)
            return qs(texts_[row]);
        return rowLevels_[row].at(static_cast<std::size_t>(index.column()));
    }
    if (role == Qt::ForegroundRole && entry && imputed_[row])
        return QBrush(Qt::red);
    if (role == Qt::TextAlignmentRole)
        return entry ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignCenter);
    if (role == Qt::BackgroundRole && !entry)
        return QBrush(QColor(0xF0, 0xF0, 0xF0));
    return {};
}

QVariant CellEntryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section == entryColumn())
        return qs(entryHeading_);
    if (section >= 0 && section < entryColumn())
        return qs(factorNames_[static_cast<std::size_t>(section)]);
    return {};
}

void CellEntryModel::setEntry(int row, const std::string& text, bool imputed)
{
    texts_.at(static_cast<std::size_t>(row)) = text;
    imputed_.at(static_cast<std::size_t>(row)) = imputed;
    const QModelIndex at = index(row, entryColumn());
    emit dataChanged(at, at);
}

void CellEntryModel::setEntries(const std::vector<std::string>& texts, const std::vector<bool>& imputed)
{
    for (std::size_t r = 0; r < texts_.size(); ++r) {
        texts_[r] = r < texts.size() ? texts[r] : std::string();
        imputed_[r] = r < imputed.size() && imputed[r];
    }
    if (!texts_.empty())
        emit dataChanged(index(0, entryColumn()), index(entryCount() - 1, entryColumn()));
}

void CellEntryModel::clearAll()
{
    setEntries({}, {});
}

void CellEntryModel::insertAt(int row)
{
    if (row < 0 || row >= entryCount())
        return;
    const auto at = static_cast<std::ptrdiff_t>(row);
    texts_.insert(texts_.begin() + at, std::string());
    texts_.pop_back();
    imputed_.insert(imputed_.begin() + at, false);
    imputed_.pop_back();
    emit dataChanged(index(row, entryColumn()), index(entryCount() - 1, entryColumn()));
}

void CellEntryModel::removeAt(int row)
{
    if (row < 0 || row >= entryCount())
        return;
    const auto at = static_cast<std::ptrdiff_t>(row);
    texts_.erase(texts_.begin() + at);
    texts_.emplace_back();
    imputed_.erase(imputed_.begin() + at);
    imputed_.push_back(false);
    emit dataChanged(index(row, entryColumn()), index(entryCount() - 1, entryColumn()));
}

// ---- The window ----

bool CellSizeWindow::exactP() const
{
    return preferences_ && preferences_->exactPValues;
}

CellSizeWindow::CellSizeWindow(CellSizeParts parts, ShellContext shell, CellSizeHandOver handOver, QWidget* parent)
    : QMainWindow(parent),
      shell_(new WindowShell(*this, std::move(shell))),
      design_(parts.design),
      mode_(parts.mode),
      file_(parts.file),
      data_(parts.data),
      recentFiles_(parts.recentFiles),
      preferences_(parts.preferences),
      handOver_(std::move(handOver))
{
    setObjectName(QStringLiteral("cellSizeWindow"));
    setWindowTitle(QStringLiteral("Unequal Cell Sizes"));
    buildControls();
    buildMenus();

    const Design& d = design_.design;
    const UnequalAnalysisMode mode = unequalModeOf(mode_, d).value_or(UnequalAnalysisMode::Attrition);
    if (const std::optional<Message> problem = unequalDesignProblem(d, mode)) {
        usable_ = false;
        tell(*problem);
        return;
    }
    workflow_.emplace(d, mode, mode_.randomAttritionTest);
    data_.clear();
    showStage({}, {});
    shell_->place();
}

CellSizeWindow::~CellSizeWindow() = default;

bool CellSizeWindow::fits(const Design& design) const
{
    if (!workflow_)
        return false;
    const Design& shape = workflow_->design();
    if (design.designatedFactor != shape.designatedFactor || design.factorCount() != shape.factorCount())
        return false;
    for (int k = 1; k <= design.factorCount(); ++k) {
        if (k != design.designatedFactor && design.factor(k).levels != shape.factor(k).levels)
            return false;
        if (design.factor(k).name != shape.factor(k).name)
            return false;
    }
    // The nesting decides the groups of an unequal-group-sizes design.
    return design.nested == shape.nested && design.nestingMatrix == shape.nestingMatrix;
}

void CellSizeWindow::buildControls()
{
    auto* central = new QWidget(this);
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(12, 12, 12, 12);
    root->setSpacing(10);
    label_ = new QLabel(central);
    label_->setObjectName(QStringLiteral("instructionLabel"));
    label_->setWordWrap(true);
    root->addWidget(label_);
    auto* outer = new QHBoxLayout;
    outer->setSpacing(16);
    root->addLayout(outer, 1);

    model_ = new CellEntryModel(this);
    view_ = new QTableView(central);
    view_->setObjectName(QStringLiteral("grid"));
    view_->setModel(model_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Level columns wide enough for their factor names, an entry column wide enough for a long
    // score; the grid is no wider than its columns.
    view_->horizontalHeader()->setMinimumSectionSize(56);
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    view_->setMinimumHeight(300);
    view_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Expanding);
    view_->installEventFilter(this);
    shell_->keepEnter(view_);
    shell_->explain(view_, QStringLiteral("Type the number of scores of each cell (the number of subjects of each "
                                          "group) here, or, later, the scores themselves in the order of the rows. "
                                          "Enter moves to the next row."));
    outer->addWidget(view_);
    outer->addStretch(1);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(8);
    auto addButton = [&](const char* name, const char* caption, const QString& help) {
        auto* b = new QPushButton(QString::fromUtf8(caption), central);
        b->setObjectName(QString::fromUtf8(name));
        b->setMinimumWidth(300);
        shell_->explain(b, help);
        buttons->addWidget(b);
        return b;
    };
    // The captions follow the stage (showStage).
    dataOkButton_ = addButton("dataOkButton", "Cell Sizes &OK",
                              QStringLiteral("Checks the entries of the grid and unlocks the next step."));
    anovaButton_ = addButton("anovaButton", "&Attrition Anova Table", QStringLiteral("Takes the next step of the analysis."));
    buttons->addSpacing(12);
    auto* ret = addButton("returnButton", "Return to Anova &Design",
                          QStringLiteral("Goes back to the Anova design window; the entries are kept."));
    auto* restart = addButton("restartButton", "&Restart", QStringLiteral("Starts a new problem."));
    buttons->addSpacing(12);
    meansButton_ = addButton("meansButton", "Show &Means",
                             QStringLiteral("Shows the cell means of the last table, pair by pair."));
    meansButton_->setEnabled(false);
    graphButton_ = addButton("graphButton", "Show &Graph",
                             QStringLiteral("Plots the cell sizes (before scores are entered) or the cell means of "
                                            "the last table."));
    graphButton_->setEnabled(false);
    simpleButton_ = addButton("simpleEffectsButton", "Simple &Effects",
                              QStringLiteral("Tests the effect of each factor at every level of the other, each "
                                             "against its own error term, and shows the table."));
    simpleButton_->setEnabled(false);
    transformButton_ = addButton("transformButton", "&Transform Data...",
                                 QStringLiteral("Transforms the accepted scores (after \"Data OK\")."));
    transformButton_->setEnabled(false);
    screenButton_ = addButton("dataScreenButton", "&Screen Data...",
                              QStringLiteral("Replaces accepted scores in a range of values (after \"Data OK\")."));
    screenButton_->setEnabled(false);
    buttons->addStretch(1);
    outer->addLayout(buttons);
    setCentralWidget(central);

    connect(dataOkButton_, &QPushButton::clicked, this, [this] { dataOk(); });
    connect(anovaButton_, &QPushButton::clicked, this, [this] { anovaClicked(); });
    connect(ret, &QPushButton::clicked, this, [this] { returnClicked(); });
    connect(meansButton_, &QPushButton::clicked, this, &CellSizeWindow::showMeans);
    connect(graphButton_, &QPushButton::clicked, this, &CellSizeWindow::showGraph);
    connect(simpleButton_, &QPushButton::clicked, this, &CellSizeWindow::showSimpleEffects);
    connect(transformButton_, &QPushButton::clicked, this, [this] {
        if (data_.accepted() && handOver_.transformData)
            handOver_.transformData();
    });
    connect(screenButton_, &QPushButton::clicked, this, [this] {
        if (data_.accepted() && handOver_.screenData)
            handOver_.screenData();
    });
    connect(restart, &QPushButton::clicked, this, [this] {
        if (handOver_.restart)
            handOver_.restart();
    });
}

void CellSizeWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    QAction* open = file->addAction(QStringLiteral("&Open File for Data Entry..."));
    open->setObjectName(QStringLiteral("openAction"));
    connect(open, &QAction::triggered, this, [this] { openDataFile(); });
    updateAction_ = file->addAction(QStringLiteral("Save Data in &File"));
    updateAction_->setObjectName(QStringLiteral("updateAction"));
    updateAction_->setShortcut(QKeySequence::Save);
    connect(updateAction_, &QAction::triggered, this, [this] { updateDataFile(); });
    saveAction_ = file->addAction(QStringLiteral("&Save Data in File (As)..."));
    saveAction_->setObjectName(QStringLiteral("saveAction"));
    connect(saveAction_, &QAction::triggered, this, [this] { saveDataFile(); });
    QAction* print = file->addAction(QStringLiteral("&Print Data"));
    connect(print, &QAction::triggered, this, [this] { printData(); });
    shell_->addDocumentItems(file, "Data", [this] { return printedDocument(); });
    shell_->addPrinterSetupItem(file);
    shell_->addExitItem(file);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* widen = edit->addAction(QStringLiteral("&Widen Entry Column"));
    connect(widen, &QAction::triggered, this, [this] { widenEntryColumn(); });
    QAction* clear = edit->addAction(QStringLiteral("Clear &All Entries"));
    clear->setObjectName(QStringLiteral("clearAction"));
    connect(clear, &QAction::triggered, this, [this] { clearAllEntries(); });
    QAction* insert = edit->addAction(QStringLiteral("&Insert Single Entry"));
    insert->setObjectName(QStringLiteral("insertAction"));
    connect(insert, &QAction::triggered, this, [this] { insertSingleEntry(); });
    QAction* remove = edit->addAction(QStringLiteral("&Remove Single Entry"));
    remove->setObjectName(QStringLiteral("removeAction"));
    connect(remove, &QAction::triggered, this, [this] { removeSingleEntry(); });
    QAction* copy = edit->addAction(QStringLiteral("&Copy Entries to Clipboard Ctrl + C"));
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, [this] { copyEntries(); });
    QAction* paste = edit->addAction(QStringLiteral("&Paste Entries from Clipboard Ctrl + V"));
    paste->setShortcut(QKeySequence::Paste);
    connect(paste, &QAction::triggered, this, [this] { pasteEntries(); });

    QMenu* designMenu = menuBar()->addMenu(QStringLiteral("&Design"));
    plannedAction_ = designMenu->addAction(QStringLiteral("&Planned Scores Per Cell..."));
    plannedAction_->setObjectName(QStringLiteral("plannedAction"));
    connect(plannedAction_, &QAction::triggered, this, [this] { setPlannedScoresPerCell(); });

    const Design& d = design_.design;
    const int helpContext = !mode_.twoFactorUnequal ? kHelpCellSizes
                            : d.nested              ? kHelpGroupSizes
                                                    : kHelpProportionalCellSizes;
    shell_->addHelpMenu(menuBar(), QStringLiteral("&Search for Help on..."), QStringLiteral("How to &use Help"),
                        helpContext);
}

void CellSizeWindow::tell(const Message& message)
{
    shell_->dialogs().message(message);
}

void CellSizeWindow::showStage(const std::vector<std::string>& texts, const std::vector<bool>& imputed)
{
    const UnequalWorkflow& w = *workflow_;
    const bool scores = w.stage() == Stage::Scores;
    data_.withdraw();
    if (scores) {
        data_.markRaw();
        confirmed_.clear();
    }
    EntryRows rows = w.entryRows();
    model_->reset(std::move(rows.columns), std::move(rows.levels), rows.heading);
    model_->setEntries(texts, imputed);
    const std::string dataFile = file_.dataFromFile() ? file_.openFileName() : std::string();
    label_->setText(qs(w.instruction(design_.problemLabel, dataFile)));
    dataOkButton_->setText(QString::fromUtf8(w.okCaption()));
    dataOkButton_->setEnabled(true);
    anovaButton_->setText(QString::fromUtf8(w.nextCaption()));
    anovaButton_->setEnabled(false);
    plannedAction_->setEnabled(!scores);
    saveAction_->setEnabled(scores);
    updateAction_->setEnabled(scores);
    transformButton_->setEnabled(false);
    screenButton_->setEnabled(false);
    updateGraphButton();
    fitColumns();
    goToRow(0);
    view_->setFocus();
}

void CellSizeWindow::fitColumns()
{
    QHeaderView* header = view_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(model_->entryColumn(), QHeaderView::Fixed);
    header->resizeSection(model_->entryColumn(), std::max(160, header->sectionSizeHint(model_->entryColumn())));
}

// ---- Typing ----

bool CellSizeWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::KeyPress)
        return entryKey(static_cast<QKeyEvent*>(event));
    if (watched == view_ && keepTypedCharacter(*event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool CellSizeWindow::entryKey(QKeyEvent* event)
{
    const std::optional<EntryKey> key = entryKeyOf(*event);
    if (model_->entryCount() == 0 || !key)
        return false;
    const int row = currentRow();
    const ScoreCell cell{model_->text(row), model_->imputed(row), row == model_->entryCount() - 1};
    KeyOutcome outcome = applyEntryKey(cell, *key);
    if (!outcome.handled)
        return false;
    // A cell size is a plain count: no imputed mark and no missing-score mark.
    if (stage() != Stage::Scores && (outcome.imputed || outcome.text == kMissingScoreMark))
        outcome.beep = true;
    if (outcome.beep) {
        QApplication::beep();
        return true;
    }
    if (outcome.text != cell.text || outcome.imputed != cell.imputed)
        model_->setEntry(row, outcome.text, outcome.imputed);
    if (outcome.changed)
        entriesChanged();
    if (outcome.moveDown)
        goToRow(row + 1);
    return true;
}

int CellSizeWindow::currentRow() const
{
    const int row = view_->currentIndex().isValid() ? view_->currentIndex().row() : 0;
    return std::clamp(row, 0, std::max(0, model_->entryCount() - 1));
}

void CellSizeWindow::goToRow(int row)
{
    if (model_->entryCount() == 0)
        return;
    const QModelIndex at = model_->index(std::clamp(row, 0, model_->entryCount() - 1), model_->entryColumn());
    view_->setCurrentIndex(at);
    view_->scrollTo(at);
}

void CellSizeWindow::entriesChanged()
{
    file_.changed();
    if (stage() == Stage::Scores) {
        // Typed over: whatever is accepted next is raw, and the way on waits for "Data &OK".
        data_.withdraw();
        data_.markRaw();
        dataOkButton_->setEnabled(true);
        anovaButton_->setEnabled(false);
        transformButton_->setEnabled(false);
        screenButton_->setEnabled(false);
        return;
    }
    // Changed sizes are checked again; an attrition table already made no longer belongs to them.
    const bool attritionDone = stage() == Stage::AttritionDone;
    workflow_->sizesEdited();
    if (attritionDone) {
        showStage(model_->texts(), {});
        return;
    }
    dataOkButton_->setEnabled(true);
    anovaButton_->setEnabled(false);
    updateGraphButton();
}

// ---- The stages ----

void CellSizeWindow::dataOk()
{
    if (!workflow_)
        return;
    if (stage() == Stage::Scores) {
        // Transformed scores not edited since: the grid shows them rounded, so they are accepted
        // as they are rather than read back from the grid.
        if (data_.accepted() && data_.transformed()) {
            anovaButton_->setEnabled(true);
            dataOkButton_->setEnabled(false);
            return;
        }
        const ScoreColumnCheck check = checkScoreColumn(model_->texts(), model_->imputedMarks());
        if (!check.ok()) {
            tell(*check.problem);
            goToRow(static_cast<int>(check.row));
            return;
        }
        if (outlierCheckDue(data_.outlierCheck, file_.dataFromFile(), file_.dataChanged())) {
            const OutlierCheckResult result =
                runOutlierCheck(check.scores, confirmed_, data_.outlierCheck, [this](const OutlierQuestion& q) {
                    goToRow(static_cast<int>(q.index));
                    return outlierAnswerOf(shell_->dialogs().message(q.message));
                });
            if (!result.unlock) {
                if (result.correctRow)
                    goToRow(static_cast<int>(*result.correctRow));
                return;
            }
        }
        data_.accept(check.scores);
        workflow_->scoresAccepted(model_->imputedMarks());
        anovaButton_->setEnabled(true);
        dataOkButton_->setEnabled(false);
        transformButton_->setEnabled(true);
        screenButton_->setEnabled(true);
        anovaButton_->setFocus();
        return;
    }
    const CellSizeCheck check = workflow_->checkSizes(model_->texts());
    if (!check.ok()) {
        tell(*check.message);
        goToRow(check.failedEntry - 1);
        return;
    }
    dataOkButton_->setEnabled(false);
    anovaButton_->setEnabled(true);
    updateGraphButton();
    anovaButton_->setFocus();
}

void CellSizeWindow::anovaClicked()
{
    if (!workflow_)
        return;
    switch (workflow_->nextStep()) {
    case UnequalWorkflow::Step::AttritionTest:
        runAttrition();
        break;
    case UnequalWorkflow::Step::EnterScores:
        enterScores();
        break;
    case UnequalWorkflow::Step::Analysis:
        runAnalysis();
        break;
    }
}

void CellSizeWindow::runAttrition()
{
    if (!workflow_->sizesChecked())
        return;
    UnequalRun run =
        underBusyPointer(shell_->platform(), [&](Prompts& prompts) { return workflow_->runAttrition(prompts); });
    anovaButton_->setText(QString::fromUtf8(workflow_->nextCaption()));
    handOn(std::move(run));
}

bool CellSizeWindow::enterScores()
{
    if (workflow_->asksBeforeScores()
        && shell_->dialogs().message(possiblyInvalidProcedureQuestion()) != DialogAnswer::Yes)
        return false;
    workflow_->enterScores();
    showStage({}, {});
    return true;
}

void CellSizeWindow::runAnalysis()
{
    if (!data_.accepted())
        return;
    dataOkButton_->setEnabled(false);
    UnequalRun run = underBusyPointer(shell_->platform(), [&](Prompts& prompts) {
        return workflow_->runAnalysis(data_.scores(), prompts, exactP());
    });
    if (run.refusal && workflow_->roles())
        goToRow(0);
    if (run.table) {
        meansDesign_ = run.cellDesign;
        cellMeans_ = run.cellMeans;
        meansKind_ = run.graphValues;
        meansButton_->setEnabled(true);
        simpleButton_->setEnabled(workflow_->hasSimpleEffects());
        updateGraphButton();
    }
    handOn(std::move(run));
}

void CellSizeWindow::showSimpleEffects()
{
    if (!workflow_ || !workflow_->hasSimpleEffects())
        return;
    handOn(underBusyPointer(shell_->platform(),
                            [&](Prompts& prompts) { return workflow_->runSimpleEffects(prompts, exactP()); }));
}

void CellSizeWindow::showMeans()
{
    if (cellMeans_.empty() || !handOver_.showMeans)
        return;
    handOver_.showMeans(meansDesign_, cellMeans_);
}

void CellSizeWindow::updateGraphButton()
{
    // Something to plot: the means of the last table, or, while the attrition test is pending,
    // the accepted cell sizes.
    const bool sizes = workflow_ && workflow_->attritionPending() && workflow_->sizesChecked();
    graphButton_->setEnabled(!cellMeans_.empty() || sizes);
}

void CellSizeWindow::showGraph()
{
    if (!handOver_.showGraph || !workflow_)
        return;
    const std::optional<GroupRoles>& roles = workflow_->roles();
    std::optional<std::pair<int, int>> onlyPair;
    if (roles) {
        // The factors' numbers in the design without the subjects factor.
        const auto reduced = [&roles](int k) { return k > roles->subjects ? k - 1 : k; };
        onlyPair = std::pair{reduced(roles->crossed), reduced(roles->grouping)};
    }
    if (!cellMeans_.empty()) {
        handOver_.showGraph(meansDesign_, cellMeans_, meansKind_, onlyPair);
        return;
    }
    const std::vector<long>& sizes = workflow_->sizes();
    if (sizes.empty() || roles)
        return;
    Scores values(sizes.begin(), sizes.end());
    handOver_.showGraph(substantiveDesign(workflow_->design()), values, GraphValues::CellSizes, onlyPair);
}

void CellSizeWindow::handOn(UnequalRun run)
{
    if (run.refusal)
        tell(*run.refusal);
    if (!run.table)
        return;  // refused, or the user stopped at one of the analysis's questions
    hide();
    if (handOver_.tableReady)
        handOver_.tableReady({std::move(*run.table), std::move(run.tableDesign), std::move(run.titlePrefix),
                              run.unweightedMeans});
}

void CellSizeWindow::returnClicked()
{
    hide();
    if (handOver_.returnToDesign)
        handOver_.returnToDesign();
}

void CellSizeWindow::showTransformedScores()
{
    if (stage() != Stage::Scores)
        return;
    std::vector<std::string> texts;
    texts.reserve(data_.scores().size());
    for (float x : data_.scores())
        texts.push_back(scoreDisplayText(x));
    model_->setEntries(texts, model_->imputedMarks());
    // Means and graphs of an earlier table no longer belong to the scores in use.
    cellMeans_.clear();
    workflow_->scoresChanged();
    meansButton_->setEnabled(false);
    simpleButton_->setEnabled(false);
    updateGraphButton();
    anovaButton_->setEnabled(data_.accepted());
}

// ---- The design menu ----

void CellSizeWindow::setPlannedScoresPerCell()
{
    if (stage() != Stage::Sizes)
        return;
    const int planned = workflow_->plannedScoresPerCell();
    const Message prompt = plannedScoresPerCellPrompt(planned);
    const std::optional<std::string> answer =
        shell_->dialogs().inputBox(prompt.title, prompt.text, std::to_string(planned));
    if (!answer)
        return;
    if (const std::optional<Message> refused = workflow_->setPlannedScoresPerCell(*answer)) {
        tell(*refused);
        return;
    }
    design_.design = workflow_->design();
    if (!workflow_->sizesChecked()) {
        dataOkButton_->setEnabled(true);
        anovaButton_->setEnabled(false);
        updateGraphButton();
    }
}

// ---- Editing ----

void CellSizeWindow::clearAllEntries()
{
    model_->clearAll();
    confirmed_.clear();
    entriesChanged();
    goToRow(0);
}

void CellSizeWindow::widenEntryColumn()
{
    const int column = model_->entryColumn();
    view_->setColumnWidth(column, view_->columnWidth(column) + view_->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
}

int CellSizeWindow::singleSelectedEntry() const
{
    const QModelIndexList selected = view_->selectionModel()->selectedIndexes();
    if (selected.size() != 1 || selected.front().column() != model_->entryColumn())
        return -1;
    return selected.front().row();
}

void CellSizeWindow::insertSingleEntry()
{
    const int row = singleSelectedEntry();
    if (row < 0) {
        tell({"Wait", "You must select a score before which the new score will be inserted.", MessageButtons::Ok,
              MessageIcon::Critical});
        return;
    }
    model_->insertAt(row);
    entriesChanged();
}

void CellSizeWindow::removeSingleEntry()
{
    const int row = singleSelectedEntry();
    if (row < 0) {
        tell({"Wait", "You must select a score to be removed.", MessageButtons::Ok, MessageIcon::Critical});
        return;
    }
    model_->removeAt(row);
    entriesChanged();
}

void CellSizeWindow::copyEntries()
{
    shell_->copyText(copiedScoresText(model_->texts(), model_->imputedMarks()));
}

void CellSizeWindow::pasteEntries()
{
    const std::optional<std::string> clip = shell_->platform().clipboard.text();
    if (!clip || clip->empty()) {
        tell({"Wait", "The clipboard is empty!", MessageButtons::Ok, MessageIcon::Critical});
        return;
    }
    const int row = currentRow();
    for (int r = row; r < model_->entryCount(); ++r) {
        if (!model_->text(r).empty()) {
            tell({"Wait",
                  "You cannot paste onto a cell containing data.  Either click elsewhere or clear the cells into "
                  "which you want to paste.",
                  MessageButtons::Ok, MessageIcon::Critical});
            return;
        }
    }
    const PastedScores pasted = parsePastedScores(*clip, model_->entryCount() - row);
    if (!pasted.ok()) {
        tell(*pasted.problem);
        return;
    }
    for (std::size_t k = 0; k < pasted.texts.size(); ++k)
        model_->setEntry(row + static_cast<int>(k), pasted.texts[k], stage() == Stage::Scores && pasted.imputed[k]);
    if (!pasted.texts.empty())
        entriesChanged();
}

// ---- Files ----

bool CellSizeWindow::writeTo(const std::string& path)
{
    DataLayout layout = gridDataLayout(model_->texts(), model_->imputedMarks());
    layout.designatedFactor = design_.design.designatedFactor;
    layout.cellSizes = workflow_->sizes();
    if (const std::optional<GroupRoles>& roles = workflow_->roles()) {
        layout.kind = DataLayout::Kind::GroupSizes;
        layout.groupingFactor = roles->grouping;
        layout.crossedFactor = roles->crossed;
    } else {
        layout.kind = DataLayout::Kind::CellSizes;
    }
    for (;;) {
        const WriteResult written = writeDataFile(path, layout);
        if (written.ok())
            return true;
        // Retry repeats the write; Cancel leaves everything as it was.
        if (shell_->dialogs().message(saveFailureMessage(written)) != DialogAnswer::Retry)
            return false;
    }
}

void CellSizeWindow::putOnTopOfRecentList(const std::string& path)
{
    recentFiles_.lastFileToTop(design_.recentRecord(path), recentFiles_.indexOf(path));
    if (!recentFiles_.write(shell_->platform().settings))
        tell(recentListSaveFailureMessage());
}

namespace {

// An unequal-N file holds every score: a gap would end the file's scores early. The 0-based
// row of the first empty entry, or -1.
int firstGap(const std::vector<std::string>& texts)
{
    for (std::size_t r = 0; r < texts.size(); ++r)
        if (texts[r].empty() || texts[r] == kMissingScoreMark)
            return static_cast<int>(r);
    return -1;
}

}  // namespace

bool CellSizeWindow::scoresSavable()
{
    const std::vector<std::string>& texts = model_->texts();
    if (const int gap = firstGap(texts); gap >= 0) {
        tell(missingEntryMessage());
        goToRow(gap);
        return false;
    }
    const ScoreSaveCheck check = checkScoresForSaving(texts, model_->imputedMarks());
    if (!check.ok()) {
        tell(*check.problem);
        goToRow(static_cast<int>(check.row));
        return false;
    }
    return true;
}

bool CellSizeWindow::saveDataFile()
{
    if (stage() != Stage::Scores || !scoresSavable())
        return false;
    const std::optional<std::string> path = shell_->dialogs().saveFile(
        saveDataFileOptions(file_.saveFileName().empty() ? file_.openFileName() : file_.saveFileName()));
    if (!path || path->empty() || !writeTo(*path))
        return false;
    file_.savedAs(*path);
    putOnTopOfRecentList(*path);
    return true;
}

bool CellSizeWindow::updateDataFile()
{
    if (stage() != Stage::Scores)
        return false;
    const std::string path = file_.saveFileName().empty() ? file_.openFileName() : file_.saveFileName();
    if (path.empty())
        return saveDataFile();
    if (!scoresSavable())
        return false;
    if (!writeTo(path))
        return false;
    file_.updatedInPlace();
    return true;
}

void CellSizeWindow::openDataFile()
{
    const std::optional<std::string> chosen = shell_->dialogs().openFile(openDataFileOptions(file_.openFileName()));
    if (!chosen || chosen->empty())
        return;
    loadDataFile(*chosen);
}

bool CellSizeWindow::loadDataFile(std::string path)
{
    if (!workflow_)
        return false;
    const UnequalFileRead read = readUnequalFile(path, workflow_->design(), workflow_->mode(), FileRoles::MustMatch);
    if (!read.ok()) {
        tell(read.problem->message);
        return false;
    }
    // A file last used with other factors or labels: the user may keep it under a new name for
    // this design, or give it this design.
    if (namingConflict(recentFiles_, design_.recentRecord(path))) {
        const DialogAnswer answer = shell_->dialogs().message(namingConflictMessage());
        if (answer == DialogAnswer::Cancel)
            return false;
        if (answer == DialogAnswer::Yes) {
            const std::optional<std::string> renamed = shell_->dialogs().saveFile(saveDataFileOptions(path));
            if (!renamed || renamed->empty())
                return false;
            WriteResult written = writeDataFile(*renamed, read.file->layout);
            while (!written.ok()) {
                if (shell_->dialogs().message(saveFailureMessage(written)) != DialogAnswer::Retry)
                    return false;
                written = writeDataFile(*renamed, read.file->layout);
            }
            path = *renamed;
        }
    }
    if (!showFile(*read.file, path))
        return false;
    file_.movedInRecentList(kNewRecentIndex);
    putOnTopOfRecentList(path);
    return true;
}

bool CellSizeWindow::showFile(const UnequalFile& file, const std::string& path)
{
    if (!workflow_)
        return false;
    workflow_->adoptFile(file);
    design_.design = workflow_->design();
    file_.opened(path);
    cellMeans_.clear();
    meansButton_->setEnabled(false);
    simpleButton_->setEnabled(false);
    if (stage() != Stage::Scores) {
        showStage(workflow_->sizeTexts(), {});
        return true;
    }
    showStage(file.texts, file.imputed);
    // Scores read from a file are not put to the outlier check: "Data &OK" is done for them.
    data_.accept(file.scores);
    dataOkButton_->setEnabled(false);
    anovaButton_->setEnabled(true);
    transformButton_->setEnabled(true);
    screenButton_->setEnabled(true);
    return true;
}

bool CellSizeWindow::confirmLeave(bool exiting)
{
    if (file_.leaveAnswered() || stage() != Stage::Scores || !file_.dataChanged())
        return true;
    const std::vector<std::string>& texts = model_->texts();
    if (std::all_of(texts.begin(), texts.end(), [](const std::string& t) { return t.empty(); }))
        return true;  // nothing typed: nothing to lose
    const std::string title = exiting ? "Exit" : "Restart";
    bool leave = true;
    if (!file_.dataFromFile() && !file_.dataSaved()) {
        const DialogAnswer answer =
            shell_->dialogs().message({title, "The data have not been saved in a file.  Do you wish to save the data?",
                                       MessageButtons::YesNoCancel, MessageIcon::Question});
        if (answer == DialogAnswer::Cancel)
            return false;
        // A save that was cancelled or refused keeps the user here, so that nothing is lost.
        if (answer == DialogAnswer::Yes)
            leave = saveDataFile();
    } else {
        const DialogAnswer update = shell_->dialogs().message(
            {title, "The data have changed since the last save.  Do you wish to update the saved file?",
             MessageButtons::YesNo, MessageIcon::Question});
        if (update == DialogAnswer::Yes)
            leave = updateDataFile();
        else if (shell_->dialogs().message({title, "Do you want to save the changed data in a new file?",
                                            MessageButtons::YesNo, MessageIcon::Question}) == DialogAnswer::Yes)
            leave = saveDataFile();
    }
    file_.leaveAnswer(leave);
    return leave;
}

// ---- Printing ----

OutputDocument CellSizeWindow::printedDocument() const
{
    OutputDocument doc;
    if (!design_.problemLabel.empty())
        doc.paragraph(design_.problemLabel);
    doc.paragraph(stage() == Stage::Scores ? (data_.transformed() ? "Transformed Data" : "Raw Data")
                                         : (workflow_ && workflow_->roles() ? "Group Sizes" : "Cell Sizes"));
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    std::vector<int> right;
    for (int c = 0; c <= model_->entryColumn(); ++c) {
        header.push_back(model_->headerData(c, Qt::Horizontal).toString().toStdString());
        right.push_back(c);
    }
    rows.push_back(header);
    for (int r = 0; r < model_->entryCount(); ++r) {
        std::vector<std::string> line;
        for (int c = 0; c < model_->entryColumn(); ++c)
            line.push_back(model_->data(model_->index(r, c)).toString().toStdString());
        line.push_back(model_->text(r) + (model_->imputed(r) ? "I" : ""));
        rows.push_back(std::move(line));
    }
    doc.table(std::move(rows), true, std::move(right));
    return doc;
}

void CellSizeWindow::printData()
{
    shell_->print(printedDocument(), "Print Data", MessageIcon::Critical);
}

}  // namespace varisect
