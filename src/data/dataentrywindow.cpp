// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/dataentrywindow.h"

#include <algorithm>

#include <QAction>
#include <QGridLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "data/dataok.h"
#include "data/gridmessages.h"
#include "data/scoreentry.h"
#include "data/scoregrid.h"
#include "data/scoremodel.h"
#include "data/transform.h"
#include "output/document.h"
#include "session/session.h"
#include "shell/windowshell.h"

namespace varisect {

DataEntryWindow::DataEntryWindow(DataEntryParts parts, ShellContext shell, DataEntryHandOver handOver, QWidget* parent)
    : QMainWindow(parent),
      shell_(new WindowShell(*this, std::move(shell))),
      design_(parts.design),
      data_(parts.data),
      file_(parts.file),
      handOver_(std::move(handOver))
{
    setObjectName(QStringLiteral("dataEntryWindow"));
    QString caption = QStringLiteral("Data Entry Grid");
    if (!design_.problemLabel.empty())
        caption += QStringLiteral(" for ") + QString::fromStdString(design_.problemLabel);
    setWindowTitle(caption + QStringLiteral(":"));
    grid_ = new ScoreGrid(ScoreFileParts{design_, file_, parts.recentFiles}, *shell_,
                          GridRows::factorial(design_.design, design_.labelsInUse), {}, this);
    // Every edit shuts the way on until "Data &OK" accepts the scores again; an undo or redo back
    // to scores that were accepted (or transformed) accepts them again as they were.
    connect(grid_, &ScoreGrid::edited, this, [this] {
        if (const AcceptedData* earlier = accepted_.find(grid_->column())) {
            data_.restore(*earlier);
            setLeadingOn(true);
            return;
        }
        data_.withdraw();
        setLeadingOn(false);
    });
    buildControls();
    buildMenus();
    setLeadingOn(false);
    grid_->view()->setFocus(Qt::ActiveWindowFocusReason);
}

DataEntryWindow::~DataEntryWindow() = default;

ScoreModel& DataEntryWindow::model() const
{
    return grid_->model();
}

QTableView* DataEntryWindow::view() const
{
    return grid_->view();
}

void DataEntryWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(grid_, 1);

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
    resize(std::max({grid_->preferredWidth() + 24, buttonsWidth, 420}), 520);
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
    QAction* import = action(file, "&Import Data...", "importAction", [this] {
        if (handOver_.importData)
            handOver_.importData();
    });
    import->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    action(file, "Export &Data...", "exportAction", [this] {
        if (handOver_.exportData)
            handOver_.exportData();
    });
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
    ScoreGrid* grid = grid_;
    QAction* undo = action(edit, "&Undo", "undoAction", [grid] { grid->undo(); });
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = action(edit, "Re&do", "redoAction", [grid] { grid->redo(); });
    redo->setShortcuts(redoKeys());
    edit->addSeparator();
    action(edit, "&Widen Entry Column", "widenAction", [grid] { grid->widenEntryColumn(); });
    action(edit, "Clear &All Data", "clearAllAction", [this] { clearAllData(); });
    edit->addSeparator();
    action(edit, "&Insert Single Score", "insertAction", [grid] { grid->insertSingleEntry(); });
    action(edit, "&Remove Single Score", "removeAction", [grid] { grid->removeSingleEntry(); });
    edit->addSeparator();
    QAction* copy = action(edit, "&Copy Scores to Clipboard", "copyAction", [grid] { grid->copyEntries(); });
    copy->setShortcut(QKeySequence::Copy);
    QAction* paste = action(edit, "&Paste Scores from Clipboard", "pasteAction", [grid] { grid->pasteEntries(); });
    paste->setShortcut(QKeySequence::Paste);
    edit->addSeparator();
    action(edit, "Mark Score as I&mputed", "imputedAction", [grid] { grid->toggleImputedMark(); });

    shell_->addHelpMenu(menuBar(), QStringLiteral("&Search for Help on..."), QStringLiteral("How to &Use Help"),
                        kHelpDataEntry);
}

DialogAnswer DataEntryWindow::tell(const Message& message)
{
    return shell_->dialogs().message(message);
}

bool DataEntryWindow::leadingOnEnabled() const
{
    return anovaDesign_->isEnabled();
}

int DataEntryWindow::visibleRows() const
{
    return grid_->visibleRows();
}

void DataEntryWindow::setLeadingOn(bool enabled)
{
    for (QPushButton* b : leadingOn_)
        b->setEnabled(enabled);
}

// ---- "Data &OK" ----

bool DataEntryWindow::dataOk()
{
    const DataOkResult result = acceptGridScores(grid_->column(), {data_, file_, confirmed_}, shell_->dialogs(),
                                                 [this](long row) { grid_->goToRow(static_cast<int>(row)); });
    if (!result.accepted)
        return false;
    if (result.imputedCount)
        design_.design.imputedCount = static_cast<int>(*result.imputedCount);
    accepted_.remember(grid_->column(), data_);
    setLeadingOn(true);
    grid_->showStatus(dataAcceptedStatus(static_cast<long>(data_.scores().size())));
    return true;
}

// ---- Data Editing ----

void DataEntryWindow::clearAllData()
{
    grid_->clearAll();
    confirmed_.clear();
    data_.markRaw();
}

void DataEntryWindow::showTransformedScores()
{
    std::vector<std::string> texts;
    texts.reserve(data_.scores().size());
    for (float x : data_.scores())
        texts.push_back(scoreDisplayText(x));
    grid_->applyEntries(texts, model().imputedMarks());
    accepted_.remember(grid_->column(), data_);
}

// ---- Printing ----

OutputDocument DataEntryWindow::printedDocument() const
{
    return grid_->printedDocument(design_.problemLabel, data_.transformed() ? "   Transformed Data" : "   Raw Data");
}

void DataEntryWindow::printData()
{
    shell_->print(printedDocument(), "Print Data", MessageIcon::Critical);
}

// ---- Files ----

bool DataEntryWindow::saveDataFile()
{
    return grid_->saveDataFile();
}

bool DataEntryWindow::confirmLeave(LeaveMode mode)
{
    return grid_->confirmLeave(mode);
}

void DataEntryWindow::showImportedScores(const std::vector<std::string>& texts, const std::vector<bool>& imputed)
{
    grid_->showEntries(texts, imputed);
    grid_->goToRow(0);
    newScores();
}

void DataEntryWindow::newScores()
{
    confirmed_.clear();
    data_.withdraw();
    data_.markRaw();
    setLeadingOn(false);
}

void DataEntryWindow::openDataFile()
{
    if (grid_->openPlainDataFile())
        newScores();
}

bool DataEntryWindow::loadRecentDataFile()
{
    if (!grid_->loadRecentPlainDataFile())
        return false;
    newScores();
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
