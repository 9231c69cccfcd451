// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <exception>
#include <filesystem>

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include "contrasts/comparisonswindow.h"
#include "contrasts/trendtestswindow.h"
#include "posthoc/posthocwindow.h"
#include "data/dataentrywindow.h"
#include "data/datafile.h"
#include "data/datafilemessages.h"
#include "data/screenwindow.h"
#include "data/transformwindow.h"
#include "design/anovadesignwindow.h"
#include "design/designquestions.h"
#include "design/mainwindow.h"
#include "data/datafilewriter.h"
#include "data/scoremodel.h"
#include "graphs/grapher.h"
#include "import/export.h"
#include "import/importwindow.h"
#include "means/cellmeanswindow.h"
#include "means/pairselector.h"
#include "means/pairselectordialog.h"
#include "platform/qtwindowutils.h"
#include "session/preferences.h"
#include "table/tablewindow.h"
#include "unequal/cellsizewindow.h"
#include "unequal/unequalworkflow.h"

namespace varisect {

void setApplicationIdentity(QCoreApplication& app)
{
    app.setApplicationName(QStringLiteral("Varisect"));
    app.setOrganizationName(QStringLiteral("Varisect"));
}

Application::Application(Platform platform) : Application(platform, Options{}) {}

Application::Application(Platform platform, Options options) : platform_(platform), options_(std::move(options)) {}

Application::~Application()
{
    navigator_.closeAll();
}

void Application::addStepsNote(AnovaTable& table) const
{
    const std::string note = dataStepsNote(session_.data.steps());
    if (!note.empty())
        table.notes.push_back(note);
}

MainWindow* Application::mainWindow() const
{
    return navigator_.get<MainWindow>(WindowRole::Main);
}

DataEntryWindow* Application::dataEntryWindow() const
{
    return navigator_.get<DataEntryWindow>(WindowRole::DataEntry);
}

AnovaDesignWindow* Application::anovaDesignWindow() const
{
    return navigator_.get<AnovaDesignWindow>(WindowRole::AnovaDesign);
}

TableWindow* Application::tableWindow() const
{
    return navigator_.get<TableWindow>(WindowRole::Table);
}

PairSelectorDialog* Application::pairSelector() const
{
    return navigator_.get<PairSelectorDialog>(WindowRole::PairSelector);
}

CellMeansWindow* Application::cellMeansWindow() const
{
    return navigator_.get<CellMeansWindow>(WindowRole::CellMeans);
}

TableWindow* Application::simpleEffectsTableWindow() const
{
    return navigator_.get<TableWindow>(WindowRole::SimpleEffectsTable);
}

CellSizeWindow* Application::cellSizeWindow() const
{
    return navigator_.get<CellSizeWindow>(WindowRole::CellSizes);
}

Grapher* Application::plotWindow() const
{
    return navigator_.get<Grapher>(WindowRole::Plot);
}

ImportWindow* Application::importWindow() const
{
    return navigator_.get<ImportWindow>(WindowRole::Import);
}

ShellContext Application::shellContext()
{
    return ShellContext{platform_, [this] { return session_.startup.screenScale; },
                        [this] { return session_.preferences.runMaximized; }, [this] { exitProgram(); },
                        [this] { return analysisOptions(session_.preferences); }};
}

void Application::start()
{
    StartupInfo& info = session_.startup;

    // QApplication takes the user's locale for the C library too. The program writes numbers
    // with printf's conversions in places (means, constants, labels) and reads them back
    // with its own reader, which wants a decimal point: in a locale with a decimal comma 12.5
    // would show as "12,50" and read back as 12. Numbers keep the classic form; Qt's own
    // formatting is not touched by this.
    std::setlocale(LC_NUMERIC, "C");

    const std::string exe = options_.executablePath.empty()
                                ? QCoreApplication::applicationFilePath().toStdString()
                                : options_.executablePath;
    info.programFolder = programFolder(exe);

    // No word processor is driven through automation on this platform.
    info.wordProcessorVersion = 0;

    int width = options_.screenWidth;
    if (width < 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        width = screen ? screen->geometry().width() : 0;
    }
    info.screenScale = screenScale(width);
    info.baseFontSize = kBaseFontSize;
    const QString fontName = QString::fromStdString(chooseInterfaceFont(width));
    if (QFontDatabase::hasFamily(fontName)) {
        QFont font(fontName);
        font.setPointSizeF(kBaseFontSize);
        QApplication::setFont(font);
        info.interfaceFont = fontName.toStdString();
    } else {
        info.interfaceFont = QApplication::font().family().toStdString();
    }

    session_.adoptPreferences(loadPreferences(platform_.settings));
    session_.recentFiles = RecentFileList::read(platform_.settings);

    showMainWindow();
}

void Application::notYetAvailable(const char* what, WindowRole from)
{
    platform_.dialogs.message({"Not Available Yet",
                               std::string("The ") + what +
                                   " comes in a later version of the program.  The design you specified is kept.",
                               MessageButtons::Ok, MessageIcon::Information});
    // The window that asked is shown again: the program goes on until it is left by the exit path.
    navigator_.show(from);
}

void Application::showMainWindow()
{
    MainWindowHandOver handOver;
    handOver.proceedToDataEntry = [this] { showDataEntry(false); };
    handOver.proceedToAnovaDesign = [this] { showAnovaDesign(); };
    handOver.recentFileChosen = [this](int) {
        if (session_.mode.unequalCellMode())
            showCellSizesFromRecent();
        else
            showDataEntry(true);
    };
    handOver.startingOver = [this] { navigator_.closeAllBut(WindowRole::Main); };
    handOver.importData = [this] { showImport(WindowRole::Main); };
    handOver.exportData = [this] { exportData(); };
    MainWindowParts parts{{session_.design, session_.mode, session_.preferences, session_.recentFiles, session_.file,
                           [this] { session_.restart(); }},
                          session_.data};
    navigator_.install(WindowRole::Main,
                       std::make_unique<MainWindow>(std::move(parts), shellContext(), std::move(handOver)));
    navigator_.show(WindowRole::Main);
}

bool Application::showDataEntry(bool loadRecent)
{
    closeMeansWindows();
    navigator_.close(WindowRole::Table);
    navigator_.close(WindowRole::AnovaDesign);
    DataEntryHandOver handOver;
    handOver.anovaDesign = [this] { showAnovaDesign(); };
    handOver.restart = [this] { restart(); };
    const auto refreshGrid = [this] {
        if (DataEntryWindow* g = dataEntryWindow())
            g->showTransformedScores();
    };
    handOver.transformData = [this, refreshGrid] {
        showWorkingData(WindowRole::Transform, WindowRole::DataEntry, refreshGrid);
    };
    handOver.screenData = [this, refreshGrid] {
        showWorkingData(WindowRole::Screen, WindowRole::DataEntry, refreshGrid);
    };
    handOver.twoWayTables = [this] { openCellMeans(CellMeansMode::Means, WindowRole::DataEntry); };
    handOver.twoWayGraphs = [this] { openTwoWayPlot(gridPlotRequest(), WindowRole::DataEntry); };
    handOver.importData = [this] { showImport(WindowRole::DataEntry); };
    handOver.exportData = [this] { exportData(); };
    const DataEntryParts parts{session_.design, session_.data, session_.file, session_.recentFiles};
    auto* grid = navigator_.install(WindowRole::DataEntry,
                                    std::make_unique<DataEntryWindow>(parts, shellContext(), std::move(handOver)));
    if (loadRecent && !grid->loadRecentDataFile()) {
        // The main window stays as it was.
        navigator_.close(WindowRole::DataEntry);
        return false;
    }
    navigator_.hide(WindowRole::Main);
    navigator_.show(WindowRole::DataEntry);
    return true;
}

void Application::placeBeside(QWidget& window, const QWidget& grid)
{
    const QScreen* screen = grid.screen();
    if (!screen)
        return;
    // To the right of the grid where the screen has room, else at the screen's right edge; level
    // with the grid's top, so that its scores stay in sight.
    const QRect area = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    const QRect gridFrame = grid.frameGeometry();
    const int x = std::max(area.left(), std::min(gridFrame.right() + 8, area.right() - frame.width()));
    const int y = std::clamp(gridFrame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height()));
    window.move(x, y);
}

void Application::showWorkingData(WindowRole role, WindowRole scoresWindow, std::function<void()> scoresChanged)
{
    QWidget* scoresShown = navigator_.window(scoresWindow);
    if (!scoresShown || !session_.data.accepted())
        return;
    WorkingDataHandOver handOver;
    handOver.scoresChanged = std::move(scoresChanged);
    handOver.finished = [this, role, scoresWindow] {
        navigator_.close(role);
        if (QWidget* w = navigator_.window(scoresWindow)) {
            enableForm(*w);
            navigator_.show(scoresWindow);
        }
    };
    const WorkingDataParts parts{session_.data, session_.file};
    if (role == WindowRole::Transform)
        navigator_.install(role, std::make_unique<TransformWindow>(parts, shellContext(), std::move(handOver)));
    else
        navigator_.install(role, std::make_unique<ScreenWindow>(parts, shellContext(), std::move(handOver)));
    // The scores stay in view, showing them as they change, but their window waits for "Fi&nished".
    disableForm(*scoresShown);
    navigator_.show(role);
    placeBeside(*navigator_.window(role), *scoresShown);
}

void Application::backToData()
{
    navigator_.show(navigator_.window(WindowRole::DataEntry) ? WindowRole::DataEntry : WindowRole::Main);
}

void Application::showImport(WindowRole from)
{
    ImportWindowHandOver handOver;
    handOver.imported = [this](ImportedDesign imported) { adoptImport(std::move(imported)); };
    handOver.cancelled = [this, from] {
        navigator_.close(WindowRole::Import);
        navigator_.show(from);
    };
    auto* window = navigator_.install(WindowRole::Import, std::make_unique<ImportWindow>(shellContext(), std::move(handOver)));
    navigator_.show(WindowRole::Import);
    // The file is chosen at once; cancelled, the window stays empty for "&Browse...".
    window->chooseFile();
}

void Application::adoptImport(ImportedDesign imported)
{
    // Scores typed in the grid, or in the cell-size window, would be replaced: they may be saved first.
    if (DataEntryWindow* grid = dataEntryWindow(); grid && !grid->confirmLeave(LeaveMode::Restart)) {
        navigator_.show(WindowRole::Import);
        return;
    }
    if (CellSizeWindow* sizes = cellSizeWindow(); sizes && !sizes->confirmLeave(false)) {
        navigator_.show(WindowRole::Import);
        return;
    }
    // Unequal cells are checked as an unequal-N file is before anything is given up for them.
    const bool groups = imported.data.kind == DataLayout::Kind::GroupSizes;
    const UnequalAnalysisMode mode = groups ? UnequalAnalysisMode::GroupSizes : UnequalAnalysisMode::UnweightedMeans;
    std::optional<UnequalFileRead> read;
    if (imported.data.unequalN()) {
        read = unequalFileFromLayout(imported.data, imported.design, mode, FileRoles::Adopt, imported.sourceName);
        if (!read->ok()) {
            platform_.dialogs.message(read->problem->message);
            navigator_.show(WindowRole::Import);
            return;
        }
    }
    // A new problem, as after "&Restart", with the imported design.
    navigator_.closeAll();
    session_.restart();
    showMainWindow();
    importedLabels_ = std::move(imported.labels);
    DesignState& state = session_.design;
    state.design = imported.design;
    state.problemLabel = std::filesystem::path(imported.sourceName).stem().string();
    state.labelsInUse = false;
    for (int k = 1; k <= state.design.factorCount(); ++k)
        state.labelsInUse = state.labelsInUse || !state.design.factor(k).levelLabels.empty();
    state.anovaTypeChosen = true;
    state.nestingSpecified = state.design.nested;

    if (!imported.data.unequalN()) {
        if (!showDataEntry(false))
            return;
        std::vector<std::string> texts;
        std::vector<bool> imputed;
        for (const ScoreItem& item : imported.data.items) {
            texts.push_back(item.text);
            imputed.push_back(item.imputed);
        }
        DataEntryWindow* grid = dataEntryWindow();
        grid->showImportedScores(texts, imputed);
        // As after "Data &OK": on to the Anova design window.
        if (grid->dataOk())
            showAnovaDesign();
        return;
    }

    session_.mode.unweightedMeans = !groups;
    session_.mode.twoFactorUnequal = groups;
    state.design = read->file->design;
    showCellSizes();
    CellSizeWindow* window = cellSizeWindow();
    if (!window || !window->showImported(*read->file)) {
        navigator_.close(WindowRole::CellSizes);
        navigator_.show(WindowRole::Main);
        return;
    }
    navigator_.hide(WindowRole::Main);
}

void Application::exportData()
{
    const Design& design = session_.design.design;
    DataLayout layout;
    const Scores& scores = session_.data.scores();
    std::vector<bool> imputed;
    const CellSizeWindow* sizes = cellSizeWindow();
    if (sizes && sizes->workflow() && sizes->stage() == CellSizeWindow::Stage::Scores) {
        const UnequalWorkflow& workflow = *sizes->workflow();
        layout.kind = workflow.roles() ? DataLayout::Kind::GroupSizes : DataLayout::Kind::CellSizes;
        layout.designatedFactor = workflow.design().designatedFactor;
        if (workflow.roles()) {
            layout.groupingFactor = workflow.roles()->grouping;
            layout.crossedFactor = workflow.roles()->crossed;
        }
        layout.cellSizes = workflow.sizes();
        imputed = sizes->model().imputedMarks();
    } else if (const DataEntryWindow* grid = dataEntryWindow()) {
        imputed = grid->model().imputedMarks();
    }
    const bool ready = session_.data.accepted() && !scores.empty() &&
                       (layout.unequalN() ? static_cast<long>(scores.size()) == expectedScoreCount(layout, design)
                                          : static_cast<long>(scores.size()) == design.scoreCount());
    if (!ready) {
        platform_.dialogs.message({"Export Data",
                                   "There are no accepted scores to export yet.  Enter or import the scores and "
                                   "press \"Data OK\" first.",
                                   MessageButtons::Ok, MessageIcon::Information});
        return;
    }
    // Each score as the shortest text that reads back as the same single-precision number, so
    // that transformed scores keep every digit they have.
    for (std::size_t i = 0; i < scores.size(); ++i) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, scores[i]).ptr;
        layout.items.push_back({std::string(text, end), scores[i], i < imputed.size() && imputed[i]});
    }
    FileDialogOptions options;
    options.title = "Export Data";
    options.filter = "CSV Files (*.csv);;All Files (*)";
    options.defaultExtension = "csv";
    options.helpContext = kHelpImportData;
    const std::optional<std::string> path = platform_.dialogs.saveFile(options);
    if (!path || path->empty())
        return;
    const WriteResult written = writeFileSafely(*path, longCsvText(design, layout, importedLabels_));
    if (!written.ok())
        platform_.dialogs.message({"Export Data", *path + " could not be written (" + written.description + ").",
                                   MessageButtons::Ok, MessageIcon::Exclamation});
}

void Application::showAnovaDesign()
{
    if (!anovaDesignWindow()) {
        AnovaDesignHandOver handOver;
        handOver.returnToGrid = [this] { backToData(); };
        handOver.restart = [this] { restart(); };
        handOver.tableReady = [this](AnovaTable table) { showTable(std::move(table)); };
        handOver.analysisAbandoned = [this] {
            session_.results.clear();
            closeMeansWindows();
            navigator_.close(WindowRole::Table);
            backToData();
        };
        handOver.enterCellSizes = [this] { showCellSizes(); };
        handOver.enterGroupSizes = [this] { showCellSizes(); };
        handOver.simpleEffects = [this] { openCellMeans(CellMeansMode::SimpleEffects, WindowRole::AnovaDesign); };
        handOver.setUpComparisons = [this] { showContrasts(ContrastKind::Comparison); };
        handOver.setUpTrendTests = [this] { showContrasts(ContrastKind::Trend); };
        handOver.setUpPostHoc = [this] { showPostHoc(); };
        const AnovaDesignParts parts{session_.design, session_.mode, session_.data};
        navigator_.install(WindowRole::AnovaDesign,
                           std::make_unique<AnovaDesignWindow>(parts, shellContext(), std::move(handOver)));
    }
    navigator_.hide(WindowRole::DataEntry);
    navigator_.hide(WindowRole::Main);
    navigator_.show(WindowRole::AnovaDesign);
}

void Application::showTable(AnovaTable table)
{
    session_.results.setOrdinary(table);
    TableRequest request;
    request.table = std::move(table);
    addStepsNote(request.table);
    request.design = session_.design.design;
    request.origin = TableOrigin::AnovaDesign;
    request.showFsBelowOne = session_.preferences.showFsBelowOne;
    request.scores = session_.data.scores();
    request.sphericityTests = session_.preferences.sphericityTests;
    TableWindowHandOver handOver;
    handOver.returnTo = [this] { navigator_.show(WindowRole::AnovaDesign); };
    handOver.newProblem = [this] { restart(); };
    handOver.sphericityToggled = [this](bool on) {
        session_.preferences.sphericityTests = on;
        if (!storePreference(platform_.settings, kKeySphericity, on))
            platform_.dialogs.message(DesignQuestions::preferenceNotStoredMessage());
    };
    navigator_.install(WindowRole::Table,
                       std::make_unique<TableWindow>(std::move(request), shellContext(), std::move(handOver)));
    navigator_.show(WindowRole::Table);
}

// The ways back from a window of trend tests, comparisons or post hoc comparisons.
ContrastHandOver Application::contrastHandOver()
{
    ContrastHandOver handOver;
        handOver.analysisAbandoned = [this] {
            closeMeansWindows();
            navigator_.close(WindowRole::Table);
            navigator_.hide(WindowRole::AnovaDesign);
            backToData();
        };
        handOver.returnToDesign = [this] {
            navigator_.close(WindowRole::Table);
            navigator_.show(WindowRole::AnovaDesign);
        };
    return handOver;
}

void Application::showContrasts(ContrastKind kind)
{
    const WindowRole role = kind == ContrastKind::Trend ? WindowRole::TrendTests : WindowRole::PlannedComparisons;
    const Design& design = session_.design.design;
    if (const auto none = noEligibleFactor(design, kind)) {
        platform_.dialogs.message(*none);
        navigator_.show(WindowRole::AnovaDesign);
        return;
    }
    auto* window = navigator_.get<ContrastWindow>(role);
    if (!window || !window->fits(design)) {
        ContrastHandOver handOver = contrastHandOver();
        handOver.tableReady = [this, kind](AnovaTable table, std::vector<std::string> notes) {
            showContrastTable(std::move(table), std::move(notes), kind);
        };
        const ContrastParts parts{session_.design, session_.data};
        if (kind == ContrastKind::Trend)
            navigator_.install(role, std::make_unique<TrendTestsWindow>(parts, shellContext(), std::move(handOver)));
        else
            navigator_.install(role, std::make_unique<ComparisonsWindow>(parts, shellContext(), std::move(handOver)));
    }
    navigator_.hide(WindowRole::AnovaDesign);
    navigator_.show(role);
}

void Application::showPostHoc()
{
    const Design& design = session_.design.design;
    if (posthocFactors(design).empty()) {
        platform_.dialogs.message({"Not Available!",
                                   "Every factor of this design is either the designated factor or nested: there "
                                   "are no means to compare.",
                                   MessageButtons::Ok, MessageIcon::Exclamation});
        navigator_.show(WindowRole::AnovaDesign);
        return;
    }
    auto* window = navigator_.get<ContrastWindow>(WindowRole::PostHoc);
    if (!window || !window->fits(design)) {
        ContrastHandOver handOver = contrastHandOver();
        handOver.tableReady = [this](AnovaTable table, std::vector<std::string> notes) {
            TableRequest request;
            request.table = std::move(table);
            addStepsNote(request.table);
            request.design = session_.design.design;
            request.origin = TableOrigin::PostHoc;
            request.titlePrefix = "Post Hoc Comparisons ";
            request.showFsBelowOne = session_.preferences.showFsBelowOne;
            TableWindowHandOver back;
            back.returnTo = [this] { navigator_.show(WindowRole::PostHoc); };
            back.newProblem = [this] { restart(); };
            auto* shown = navigator_.install(
                WindowRole::Table, std::make_unique<TableWindow>(std::move(request), shellContext(), std::move(back)));
            shown->setNotes(std::move(notes));
            navigator_.hide(WindowRole::PostHoc);
            navigator_.show(WindowRole::Table);
        };
        const ContrastParts parts{session_.design, session_.data};
        navigator_.install(WindowRole::PostHoc, std::make_unique<PosthocWindow>(parts, shellContext(), std::move(handOver)));
    }
    navigator_.hide(WindowRole::AnovaDesign);
    navigator_.show(WindowRole::PostHoc);
}

void Application::showContrastTable(AnovaTable table, std::vector<std::string> notes, ContrastKind kind)
{
    const bool trends = kind == ContrastKind::Trend;
    const WindowRole from = trends ? WindowRole::TrendTests : WindowRole::PlannedComparisons;
    TableRequest request;
    request.table = std::move(table);
    addStepsNote(request.table);
    request.design = session_.design.design;
    request.origin = trends ? TableOrigin::TrendTests : TableOrigin::PlannedComparisons;
    request.titlePrefix = trends ? "Trend Tests " : "Planned Comparisons ";
    request.showFsBelowOne = session_.preferences.showFsBelowOne;
    TableWindowHandOver handOver;
    handOver.returnTo = [this, from] { navigator_.show(from); };
    handOver.newProblem = [this] { restart(); };
    auto* window = navigator_.install(
        WindowRole::Table, std::make_unique<TableWindow>(std::move(request), shellContext(), std::move(handOver)));
    window->setNotes(std::move(notes));
    navigator_.hide(from);
    navigator_.show(WindowRole::Table);
}

void Application::showCellSizes()
{
    // The entries are kept across visits to the Anova design window while the design's factors
    // stay as they were.
    CellSizeWindow* window = cellSizeWindow();
    if (!window || !window->fits(session_.design.design)) {
        navigator_.close(WindowRole::Table);
        CellSizeHandOver handOver;
        handOver.tableReady = [this](CellSizeTable table) { showUnequalTable(std::move(table)); };
        handOver.returnToDesign = [this] {
            navigator_.close(WindowRole::Table);
            showAnovaDesign();  // made now when the data came from the recent-file list
        };
        handOver.restart = [this] { restart(); };
        handOver.showMeans = [this](UnequalMeansView view) {
            MeansData data{view.design, view.means, false, std::move(view)};
            openCellMeans(CellMeansMode::Means, WindowRole::CellSizes, std::move(data));
        };
        handOver.showSimpleEffects = [this](UnequalMeansView view) {
            MeansData data{view.design, view.means, false, std::move(view)};
            openCellMeans(CellMeansMode::SimpleEffects, WindowRole::CellSizes, std::move(data));
        };
        handOver.showGraph = [this](const Design& design, const Scores& values, GraphValues kind,
                                    std::optional<std::pair<int, int>> onlyPair) {
            openTwoWayPlot(cellSizePlotRequest(design, values, kind, onlyPair), WindowRole::CellSizes);
        };
        const auto refreshSizes = [this] {
            if (CellSizeWindow* w = cellSizeWindow())
                w->showTransformedScores();
        };
        handOver.transformData = [this, refreshSizes] {
            showWorkingData(WindowRole::Transform, WindowRole::CellSizes, refreshSizes);
        };
        handOver.screenData = [this, refreshSizes] {
            showWorkingData(WindowRole::Screen, WindowRole::CellSizes, refreshSizes);
        };
        const CellSizeParts parts{session_.design, session_.mode, session_.file, session_.data, session_.recentFiles};
        window = navigator_.install(WindowRole::CellSizes,
                                    std::make_unique<CellSizeWindow>(parts, shellContext(), std::move(handOver)));
        if (!window->usable()) {
            // "No DesignatedFactor!" has been shown: the design window stays.
            navigator_.close(WindowRole::CellSizes);
            navigator_.show(WindowRole::AnovaDesign);
            return;
        }
    }
    navigator_.hide(WindowRole::AnovaDesign);
    navigator_.show(WindowRole::CellSizes);
}

void Application::showCellSizesFromRecent()
{
    // The recent-file entry gave the factors; the file's header gives the replicates or subjects
    // factor and, for unequal group sizes, the factor the subjects are nested under.
    const std::string path = session_.file.openFileName();
    DesignState& state = session_.design;
    const std::optional<UnequalAnalysisMode> mode = unequalModeOf(session_.mode, state.design);
    if (!mode)
        return;
    const UnequalFileRead read = readUnequalFile(path, state.design, *mode, FileRoles::Adopt);
    if (!read.ok()) {
        platform_.dialogs.message(read.problem->message);
        return;  // the main window stays as it was
    }
    state.design = read.file->design;
    if (*mode == UnequalAnalysisMode::GroupSizes)
        state.nestingSpecified = true;
    state.anovaTypeChosen = true;
    navigator_.close(WindowRole::CellSizes);
    showCellSizes();
    CellSizeWindow* window = cellSizeWindow();
    if (!window || !window->showFile(*read.file, path)) {
        navigator_.close(WindowRole::CellSizes);
        navigator_.show(WindowRole::Main);
        return;
    }
    navigator_.hide(WindowRole::Main);
}

void Application::showUnequalTable(CellSizeTable table)
{
    TableRequest request;
    request.table = std::move(table.table);
    // The test for random attrition looks at the cell sizes alone, never at the scores.
    if (table.titlePrefix != unequalModeInfo(UnequalAnalysisMode::Attrition).titlePrefix)
        addStepsNote(request.table);
    request.design = std::move(table.design);
    request.origin = TableOrigin::UnequalCellSizes;
    request.titlePrefix = std::move(table.titlePrefix);
    request.showFsBelowOne = session_.preferences.showFsBelowOne;
    request.unequalCellMode = true;
    request.unweightedMeans = table.unweightedMeans;
    TableWindowHandOver handOver;
    handOver.returnTo = [this] { navigator_.show(WindowRole::CellSizes); };
    handOver.newProblem = [this] { restart(); };
    navigator_.install(WindowRole::Table,
                       std::make_unique<TableWindow>(std::move(request), shellContext(), std::move(handOver)));
    navigator_.hide(WindowRole::CellSizes);
    navigator_.show(WindowRole::Table);
}

void Application::openCellMeans(CellMeansMode mode, WindowRole from, std::optional<MeansData> given)
{
    MeansData data = given ? std::move(*given)
                           : MeansData{session_.design.design, session_.data.scores(), session_.data.transformed(), std::nullopt};
    const PairPurpose purpose = mode == CellMeansMode::SimpleEffects ? PairPurpose::SimpleEffects : PairPurpose::Means;
    const PairSelector selector(data.design, purpose);
    if (const auto message = selector.unavailable()) {
        platform_.dialogs.message(*message);
        navigator_.show(from);
        return;
    }
    if (!selector.asksUser()) {
        showCellMeans(mode, from, selector.pairs(), std::move(data));
        return;
    }
    choosePairs(selector, from, [this, mode, from, data](std::vector<FactorPair> pairs) {
        showCellMeans(mode, from, std::move(pairs), data);
    });
}

void Application::choosePairs(const PairSelector& selector, WindowRole from,
                              std::function<void(std::vector<FactorPair>)> chosen)
{
    PairSelectorDialog::HandOver handOver;
    handOver.chosen = [this, chosen = std::move(chosen)](std::vector<FactorPair> pairs) {
        navigator_.close(WindowRole::PairSelector);
        chosen(std::move(pairs));
    };
    handOver.cancelled = [this, from] {
        navigator_.close(WindowRole::PairSelector);
        navigator_.show(from);
    };
    navigator_.install(WindowRole::PairSelector,
                       std::make_unique<PairSelectorDialog>(selector, shellContext(), std::move(handOver)));
    navigator_.show(WindowRole::PairSelector);
}

void Application::showCellMeans(CellMeansMode mode, WindowRole from, std::vector<FactorPair> pairs, MeansData data)
{
    if (pairs.empty()) {
        navigator_.show(from);
        return;
    }
    CellMeansRequest request;
    request.design = std::move(data.design);
    request.scores = std::move(data.scores);
    request.pairs = std::move(pairs);
    request.mode = mode;
    request.useLevelLabels = session_.design.labelsInUse;
    request.problemLabel = session_.design.problemLabel;
    request.transformed = data.transformed;
    std::optional<Design> unequalTableDesign;
    if (data.unequal) {
        request.fromCellSizes = true;
        if (!data.unequal->weights.counts.empty())
            request.weights = data.unequal->weights;
        request.unweightedMeans = data.unequal->unweightedMeans;
        if (const std::optional<UnequalTableData>& table = data.unequal->table) {
            unequalTableDesign = table->tableDesign();
            request.simpleEffects = [table = *table](const ShownPair& shown, Prompts& prompts,
                                                     const AnalysisOptions& options) {
                return table.simpleEffects(shown.columnFactor, shown.rowFactor, prompts, options.exactP);
            };
        }
    }
    CellMeansHandOver handOver;
    handOver.returnTo = [this, from] {
        closeMeansWindows();
        if (from == WindowRole::DataEntry)
            backToData();
        else
            navigator_.show(from);
    };
    handOver.simpleTable = [this, unequalTableDesign](AnovaTable table) {
        showSimpleEffectsTable(std::move(table), unequalTableDesign);
    };
    handOver.returnToData = [this, from] {
        closeMeansWindows();
        if (from == WindowRole::CellSizes) {
            navigator_.show(WindowRole::CellSizes);  // the scores of an unequal-N analysis
            return;
        }
        navigator_.hide(WindowRole::AnovaDesign);
        backToData();
    };
    navigator_.install(WindowRole::CellMeans,
                       std::make_unique<CellMeansWindow>(std::move(request), shellContext(), std::move(handOver)));
    navigator_.hide(from);
    navigator_.show(WindowRole::CellMeans);
}

void Application::showSimpleEffectsTable(AnovaTable table, std::optional<Design> unequal)
{
    TableRequest request;
    request.table = std::move(table);
    addStepsNote(request.table);
    request.design = unequal ? std::move(*unequal) : session_.design.design;
    request.origin = TableOrigin::SimpleEffects;
    request.titlePrefix = "Simple Effects ";
    request.showFsBelowOne = session_.preferences.showFsBelowOne;
    // The data come from the Unequal Cell Sizes window: the legend leaves out the level counts.
    request.unequalCellMode = unequal.has_value();
    TableWindowHandOver handOver;
    handOver.returnTo = [this] {
        navigator_.close(WindowRole::SimpleEffectsTable);
        navigator_.show(WindowRole::CellMeans);
    };
    handOver.newProblem = [this] { restart(); };
    navigator_.install(WindowRole::SimpleEffectsTable,
                       std::make_unique<TableWindow>(std::move(request), shellContext(), std::move(handOver)));
    navigator_.show(WindowRole::SimpleEffectsTable);
}

void Application::closeMeansWindows()
{
    navigator_.close(WindowRole::SimpleEffectsTable);
    navigator_.close(WindowRole::CellMeans);
    navigator_.close(WindowRole::PairSelector);
    navigator_.close(WindowRole::Plot);
}

PlotRequest Application::gridPlotRequest() const
{
    PlotRequest request;
    request.design = session_.design.design;
    request.scores = session_.data.scores();
    request.useLevelLabels = session_.design.labelsInUse;
    request.range = rangeOf(request.scores);
    request.axisMode = YAxisMode::OwnRange;  // every start from the grid
    request.problemLabel = session_.design.problemLabel;
    return request;
}

PlotRequest Application::cellSizePlotRequest(const Design& design, const Scores& values, GraphValues kind,
                                             std::optional<std::pair<int, int>> onlyPair) const
{
    PlotRequest request;
    request.design = design;
    request.scores = values;
    request.useLevelLabels = session_.design.labelsInUse;
    request.values = kind == GraphValues::CellSizes ? PlotValues::CellSizes : PlotValues::CellMeans;
    request.unweighted = kind == GraphValues::UnweightedMeans;
    // The range of the scores entered; of the sizes themselves while the attrition test is pending.
    request.range = rangeOf(kind != GraphValues::CellSizes && session_.data.accepted() ? session_.data.scores() : values);
    request.axisMode = YAxisMode::OwnRange;  // every start from this window
    request.problemLabel = session_.design.problemLabel;
    if (onlyPair) {
        request.which = PlotPairs::Given;
        request.pairs = {FactorPair{onlyPair->first, onlyPair->second}};
    } else {
        request.which = PlotPairs::All;
    }
    return request;
}

void Application::openTwoWayPlot(PlotRequest request, WindowRole from)
{
    if (request.which == PlotPairs::Given) {
        std::vector<FactorPair> pairs = request.pairs;
        showTwoWayPlot(std::move(request), std::move(pairs), from);
        return;
    }
    const PairSelector selector(request.design, PairPurpose::Graphs);
    if (const auto message = selector.unavailable()) {
        platform_.dialogs.message(*message);
        navigator_.show(from);
        return;
    }
    if (request.which == PlotPairs::All || !selector.asksUser()) {
        showTwoWayPlot(std::move(request), selector.pairs(), from);
        return;
    }
    choosePairs(selector, from, [this, request, from](std::vector<FactorPair> pairs) {
        showTwoWayPlot(request, std::move(pairs), from);
    });
}

void Application::showTwoWayPlot(PlotRequest request, std::vector<FactorPair> pairs, WindowRole from)
{
    if (pairs.empty()) {
        navigator_.show(from);
        return;
    }
    GrapherHandOver handOver;
    handOver.ready = [this, from] {
        navigator_.hide(from);
        navigator_.show(WindowRole::Plot);
    };
    handOver.returnTo = [this, from] {
        navigator_.close(WindowRole::Plot);
        if (from == WindowRole::DataEntry)
            backToData();
        else
            navigator_.show(from);
    };
    std::unique_ptr<Grapher> window;
    try {
        window = std::make_unique<Grapher>(std::move(request), std::move(pairs), shellContext(), std::move(handOver));
    } catch (const std::exception& e) {
        // Pairs or scores that do not fit the design: nothing is drawn, the caller's window stays.
        platform_.dialogs.message({"Program Error!", std::string("The plot cannot be drawn (") + e.what() + ").",
                                   MessageButtons::Ok, MessageIcon::Critical});
        navigator_.show(from);
        return;
    }
    navigator_.install(WindowRole::Plot, std::move(window))->begin();
}

void Application::exitProgram()
{
    if (exiting_)
        return;
    if (DataEntryWindow* grid = dataEntryWindow(); grid && !grid->confirmLeave(LeaveMode::Exit))
        return;
    if (CellSizeWindow* sizes = cellSizeWindow(); sizes && !sizes->confirmLeave(true))
        return;
    exiting_ = true;
    platform_.help.close();
    navigator_.closeAll();
    if (options_.quit)
        options_.quit();
    else
        QCoreApplication::quit();
}

void Application::restart()
{
    // The grid asks its own save-before-leaving question before it asks for a restart.
    if (DataEntryWindow* grid = dataEntryWindow(); grid && !grid->confirmLeave(LeaveMode::Restart))
        return;
    if (CellSizeWindow* sizes = cellSizeWindow(); sizes && !sizes->confirmLeave(false))
        return;
    navigator_.closeAll();
    session_.restart();
    importedLabels_.clear();
    showMainWindow();
}

}  // namespace varisect
