// SPDX-License-Identifier: GPL-3.0-or-later
#include "unequal/cellsizewindow.h"


#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "data/datafile.h"
#include "data/datafilemessages.h"
#include "data/dataok.h"
#include "data/gridmessages.h"
#include "data/scoregrid.h"
#include "data/scoremodel.h"
#include "data/transform.h"
#include "platform/desktop.h"
#include "platform/helpviewer.h"
#include "platform/platform.h"
#include "session/session.h"
#include "shell/windowshell.h"

namespace varisect {

// ---- The window ----

ScoreModel& CellSizeWindow::model() const
{
    return grid_->model();
}

QTableView* CellSizeWindow::view() const
{
    return grid_->view();
}

CellSizeWindow::CellSizeWindow(CellSizeParts parts, ShellContext shell, CellSizeHandOver handOver, QWidget* parent)
    : QMainWindow(parent),
      shell_(new WindowShell(*this, std::move(shell))),
      parts_(parts),
      handOver_(std::move(handOver))
{
    setObjectName(QStringLiteral("cellSizeWindow"));
    setWindowTitle(QStringLiteral("Unequal Cell Sizes"));
    buildControls();
    buildMenus();

    const Design& d = parts_.design.design;
    const UnequalAnalysisMode mode = unequalModeOf(parts_.mode, d).value_or(UnequalAnalysisMode::Attrition);
    if (const std::optional<Message> problem = unequalDesignProblem(d, mode)) {
        usable_ = false;
        tell(*problem);
        return;
    }
    workflow_.emplace(d, mode, parts_.mode.randomAttritionTest);
    parts_.data.clear();
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

    grid_ = new ScoreGrid(ScoreFileParts{parts_.design, parts_.file, parts_.recentFiles}, *shell_, GridRows{}, {},
                          central);
    QTableView* view = grid_->view();
    view->setObjectName(QStringLiteral("grid"));
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    // The grid is no wider than its columns.
    view->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    view->setMinimumHeight(300);
    grid_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Expanding);
    connect(grid_, &ScoreGrid::edited, this, &CellSizeWindow::entriesChanged);
    shell_->keepEnter(view);
    shell_->explain(view, QStringLiteral("Type the number of scores of each cell (the number of subjects of each "
                                         "group) here, or, later, the scores themselves in the order of the rows. "
                                         "Enter moves to the next row."));
    outer->addWidget(grid_);
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
    auto* ret = addButton("returnButton", "Return to Anova Des&ign",
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
    simpleButton_ = addButton("simpleEffectsButton", "Simple Effe&cts",
                              QStringLiteral("Shows the cell means of the last table; from there \"Show Simple "
                                             "Table\" tests the effect of each factor at every level of the other."));
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
        if (parts_.data.accepted() && handOver_.transformData)
            handOver_.transformData();
    });
    connect(screenButton_, &QPushButton::clicked, this, [this] {
        if (parts_.data.accepted() && handOver_.screenData)
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
    QAction* undo = edit->addAction(QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("undoAction"));
    undo->setShortcut(QKeySequence::Undo);
    connect(undo, &QAction::triggered, this, [this] { grid_->undo(); });
    QAction* redo = edit->addAction(QStringLiteral("Re&do"));
    redo->setObjectName(QStringLiteral("redoAction"));
    redo->setShortcuts(redoKeys());
    connect(redo, &QAction::triggered, this, [this] { grid_->redo(); });
    edit->addSeparator();
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

    const Design& d = parts_.design.design;
    const int helpContext = !parts_.mode.twoFactorUnequal ? kHelpCellSizes
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
    parts_.data.withdraw();
    if (scores) {
        parts_.data.markRaw();
        confirmed_.clear();
    }
    // A size is a count: no imputed mark, no missing mark. An unequal-N file holds every score
    // after its header.
    grid_->setOptions({!scores, missingEntryMessage()});
    if (scores)
        grid_->files().setHeader(fileHeader());
    EntryRows rows = w.entryRows();
    grid_->reset(GridRows::listed(std::move(rows.columns), std::move(rows.levels), std::move(rows.heading)), texts,
                 imputed);
    // Every column in view: the scores stage may have more level columns than the sizes stage.
    grid_->setMinimumWidth(grid_->preferredWidth());
    const std::string dataFile = parts_.file.dataFromFile() ? parts_.file.openFileName() : std::string();
    label_->setText(QString::fromStdString(w.instruction(parts_.design.problemLabel, dataFile)));
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
    grid_->view()->setFocus();
}

void CellSizeWindow::entriesChanged()
{
    if (stage() == Stage::Scores) {
        if (const AcceptedData* earlier = accepted_.find(grid_->column())) {
            // Undone or redone back to scores that were accepted or transformed: so they are again.
            parts_.data.restore(*earlier);
            workflow_->scoresAccepted(grid_->column().marks());
            scoresInUseChanged();
            return;
        }
        // Typed over: whatever is accepted next is raw, and the way on waits for "Data &OK".
        parts_.data.withdraw();
        parts_.data.markRaw();
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
        showStage(grid_->column().texts(), {});
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
        const DataOkResult result =
            acceptGridScores(grid_->column(), {parts_.data, parts_.file, confirmed_}, shell_->dialogs(),
                             [this](long row) { grid_->goToRow(static_cast<int>(row)); });
        if (!result.accepted)
            return;
        if (result.imputedCount)
            workflow_->scoresAccepted(grid_->column().marks());
        accepted_.remember(grid_->column(), parts_.data);
        anovaButton_->setEnabled(true);
        dataOkButton_->setEnabled(false);
        transformButton_->setEnabled(true);
        screenButton_->setEnabled(true);
        anovaButton_->setFocus();
        grid_->showStatus(dataAcceptedStatus(static_cast<long>(parts_.data.scores().size())));
        return;
    }
    const CellSizeCheck check = workflow_->checkSizes(grid_->column().texts());
    if (!check.ok()) {
        grid_->goToRow(check.failedEntry - 1);
        tell(*check.message);
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
        shell_->runAnalysis([&](Prompts& prompts, const AnalysisOptions&) { return workflow_->runAttrition(prompts); });
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
    if (!parts_.data.accepted())
        return;
    dataOkButton_->setEnabled(false);
    UnequalRun run = shell_->runAnalysis([&](Prompts& prompts, const AnalysisOptions& options) {
        return workflow_->runAnalysis(parts_.data.scores(), prompts, options.exactP);
    });
    if (run.refusal && workflow_->roles())
        grid_->goToRow(0);
    if (run.table) {
        meansDesign_ = run.cellDesign;
        cellMeans_ = run.cellMeans;
        meansWeights_ = CellWeights{run.cellCounts, run.weightedMargins, run.exactCellMeans};
        meansKind_ = run.graphValues;
        meansButton_->setEnabled(true);
        simpleButton_->setEnabled(workflow_->hasSimpleEffects());
        updateGraphButton();
    }
    handOn(std::move(run));
}

UnequalMeansView CellSizeWindow::meansView() const
{
    UnequalMeansView view{meansDesign_, cellMeans_, meansWeights_, meansKind_ == GraphValues::UnweightedMeans, {}};
    if (meansWeights_.counts.size() != cellMeans_.size())
        view.weights.counts.clear();
    return view;
}

void CellSizeWindow::showSimpleEffects()
{
    if (!workflow_ || !workflow_->hasSimpleEffects() || cellMeans_.empty() || !handOver_.showSimpleEffects)
        return;
    UnequalMeansView view = meansView();
    view.table = workflow_->lastTable();
    handOver_.showSimpleEffects(std::move(view));
}

void CellSizeWindow::showMeans()
{
    if (cellMeans_.empty() || !handOver_.showMeans)
        return;
    handOver_.showMeans(meansView());
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
    texts.reserve(parts_.data.scores().size());
    for (float x : parts_.data.scores())
        texts.push_back(scoreDisplayText(x));
    grid_->applyEntries(texts, grid_->column().marks());
    accepted_.remember(grid_->column(), parts_.data);
    scoresInUseChanged();
}

void CellSizeWindow::scoresInUseChanged()
{
    // Means and graphs of an earlier table no longer belong to the scores in use.
    cellMeans_.clear();
    workflow_->scoresChanged();
    meansButton_->setEnabled(false);
    simpleButton_->setEnabled(false);
    updateGraphButton();
    const bool accepted = parts_.data.accepted();
    anovaButton_->setEnabled(accepted);
    dataOkButton_->setEnabled(!accepted);
    transformButton_->setEnabled(accepted);
    screenButton_->setEnabled(accepted);
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
    parts_.design.design = workflow_->design();
    if (!workflow_->sizesChecked()) {
        dataOkButton_->setEnabled(true);
        anovaButton_->setEnabled(false);
        updateGraphButton();
    }
}

// ---- Editing ----

void CellSizeWindow::clearAllEntries()
{
    grid_->clearAll();
    confirmed_.clear();
}

void CellSizeWindow::widenEntryColumn()
{
    grid_->widenEntryColumn();
}

void CellSizeWindow::insertSingleEntry()
{
    grid_->insertSingleEntry();
}

void CellSizeWindow::removeSingleEntry()
{
    grid_->removeSingleEntry();
}

void CellSizeWindow::copyEntries()
{
    grid_->copyEntries();
}

void CellSizeWindow::pasteEntries()
{
    grid_->pasteEntries();
}

// ---- Files ----

DataLayout CellSizeWindow::fileHeader() const
{
    DataLayout layout;
    layout.designatedFactor = workflow_->design().designatedFactor;
    layout.cellSizes = workflow_->sizes();
    if (const std::optional<GroupRoles>& roles = workflow_->roles()) {
        layout.kind = DataLayout::Kind::GroupSizes;
        layout.groupingFactor = roles->grouping;
        layout.crossedFactor = roles->crossed;
    } else {
        layout.kind = DataLayout::Kind::CellSizes;
    }
    return layout;
}

bool CellSizeWindow::saveDataFile()
{
    return stage() == Stage::Scores && grid_->saveDataFile();
}

bool CellSizeWindow::updateDataFile()
{
    return stage() == Stage::Scores && grid_->updateDataFile();
}

void CellSizeWindow::openDataFile()
{
    const std::optional<std::string> chosen =
        shell_->dialogs().openFile(openDataFileOptions(parts_.file.openFileName()));
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
    const std::optional<std::string> settled = grid_->files().settleNamingConflict(
        path, [&read] { return std::optional<DataLayout>(read.file->layout); });
    if (!settled || !showFile(*read.file, *settled))
        return false;
    parts_.file.movedInRecentList(kNewRecentIndex);
    // Now with the file's design (its largest cell may have raised the planned scores per cell).
    grid_->files().putOnTopOfRecentList(*settled);
    return true;
}

bool CellSizeWindow::showFile(const UnequalFile& file, const std::string& path)
{
    if (!workflow_)
        return false;
    grid_->files().opened(path, false);
    return showImported(file);
}

bool CellSizeWindow::showImported(const UnequalFile& file)
{
    if (!workflow_)
        return false;
    workflow_->adoptFile(file);
    parts_.design.design = workflow_->design();
    cellMeans_.clear();
    meansButton_->setEnabled(false);
    simpleButton_->setEnabled(false);
    if (stage() != Stage::Scores) {
        showStage(workflow_->sizeTexts(), {});
        grid_->model().markSaved();  // the entries are the file's: undoing back to them is "saved"
        return true;
    }
    showStage(file.texts, file.imputed);
    grid_->model().markSaved();
    // Scores read from a file are not put to the outlier check: "Data &OK" is done for them.
    parts_.data.accept(file.scores);
    accepted_.remember(grid_->column(), parts_.data);
    dataOkButton_->setEnabled(false);
    anovaButton_->setEnabled(true);
    transformButton_->setEnabled(true);
    screenButton_->setEnabled(true);
    return true;
}

bool CellSizeWindow::confirmLeave(bool exiting)
{
    // Only scores typed or changed since their file can be lost; sizes are typed again quickly.
    if (parts_.file.leaveAnswered() || stage() != Stage::Scores || !parts_.file.dataChanged())
        return true;
    return grid_->confirmLeave(exiting ? LeaveMode::Exit : LeaveMode::Restart);
}

// ---- Printing ----

OutputDocument CellSizeWindow::printedDocument() const
{
    const char* heading = stage() == Stage::Scores ? (parts_.data.transformed() ? "Transformed Data" : "Raw Data")
                          : workflow_ && workflow_->roles() ? "Group Sizes"
                                                            : "Cell Sizes";
    return grid_->printedDocument(parts_.design.problemLabel, heading);
}

void CellSizeWindow::printData()
{
    shell_->print(printedDocument(), "Print Data", MessageIcon::Critical);
}

}  // namespace varisect
