// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/mainwindow.h"

#include <algorithm>

#include <QAction>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "session/session.h"
#include "engine/numbertext.h"
#include "platform/platform.h"
#include "platform/qtabout.h"
#include "platform/qthelpviewer.h"
#include "platform/qttext.h"
#include "platform/qtwindowutils.h"
#include "shell/windowshell.h"
#include "design/levellabelswindow.h"
#include "session/preferences.h"

namespace varisect {

namespace {

// A generic factor name is shown in light red until the user replaces it.
const QColor kGenericNameColour(255, 0, 0);
const QColor kTypedNameColour(0, 0, 0);

constexpr int kMaxFactorsUpDown = kMaxFactors;

// Menu captions show "&" as an access key; a path may hold one of its own.
QString recentCaption(int entry, const std::string& path)
{
    QString p = qs(path);
    p.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(entry).arg(p);
}

QToolButton* arrowButton(Qt::ArrowType arrow, const char* objectName, QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setArrowType(arrow);
    b->setObjectName(QString::fromUtf8(objectName));
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

bool movedByUser(Qt::FocusReason reason)
{
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

}  // namespace

MainWindow::MainWindow(MainWindowParts parts, ShellContext shell, MainWindowHandOver handOver, QWidget* parent)
    : QMainWindow(parent),
      design_(parts.questions.design),
      mode_(parts.questions.mode),
      preferences_(parts.questions.preferences),
      recentFiles_(parts.questions.recentFiles),
      data_(parts.data),
      shell_(new WindowShell(*this, std::move(shell))),
      platform_(shell_->platform()),
      handOver_(std::move(handOver)),
      questions_(std::move(parts.questions))
{
    shell_->whenClosingQuietly([this] {
        if (levelLabels_)
            levelLabels_->hide();
    });
    setWindowTitle(QString::fromUtf8(kMainWindowTitle));
    setObjectName(QStringLiteral("mainWindow"));
    buildControls();
    buildMenus();
    // Wide enough for every menu title side by side and for the confirmation buttons.
    setMinimumWidth(std::max(menuBar()->sizeHint().width(), centralWidget()->minimumSizeHint().width()) + 24);
    countBox_->setText(QString::number(questions_.factorCount()));
    problemBox_->setText(qs(design_.problemLabel));
    refresh(true);
    countBox_->setFocus(Qt::ActiveWindowFocusReason);
    countBox_->selectAll();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    const QFontMetrics fm(font());

    auto whatsThis = [this](QWidget* w, const char* help) { shell_->explain(w, QString::fromUtf8(help)); };
    auto numberBox = [&](const char* objectName) {
        auto* box = new QLineEdit(central);
        box->setObjectName(QString::fromUtf8(objectName));
        box->setFixedWidth(fm.horizontalAdvance(QStringLiteral("00000")) + 16);
        box->setAlignment(Qt::AlignRight);
        box->installEventFilter(this);
        return box;
    };
    auto upDown = [&](QLineEdit* box, QToolButton*& up, QToolButton*& down, const char* upName, const char* downName) {
        up = arrowButton(Qt::UpArrow, upName, central);
        down = arrowButton(Qt::DownArrow, downName, central);
        const int h = box->sizeHint().height();
        up->setFixedSize(h * 3 / 4, h / 2);
        down->setFixedSize(h * 3 / 4, h - h / 2);
        auto* arrows = new QVBoxLayout;
        arrows->setSpacing(0);
        arrows->setContentsMargins(0, 0, 0, 0);
        arrows->addWidget(up);
        arrows->addWidget(down);
        auto* row = new QHBoxLayout;
        row->setSpacing(1);
        row->addWidget(box);
        row->addLayout(arrows);
        row->addStretch(1);
        return row;
    };
    auto retainSpace = [](QWidget* w) {
        QSizePolicy p = w->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        w->setSizePolicy(p);
    };

    countQuestion_ = new QLabel(QStringLiteral("How many factors are there in the design?"), central);
    countBox_ = numberBox("factorCountBox");
    whatsThis(countBox_, "Type the number of factors, 2 to 8. Replicates and subjects count as factors of their own. "
                         "Clicking the box empties it; the arrows step the number.");
    note_ = new QLabel(central);
    note_->setObjectName(QStringLiteral("note"));

    levelsQuestion_ = new QLabel(central);
    levelsQuestion_->setObjectName(QStringLiteral("levelsQuestion"));
    levelsBox_ = numberBox("levelsBox");
    whatsThis(levelsBox_, "Type the number of levels of this factor (at least 2). For the replicates or subjects "
                          "factor this is the number of scores per cell or the number of subjects.");

    nameQuestion_ = new QLabel(central);
    nameQuestion_->setObjectName(QStringLiteral("nameQuestion"));
    nameBox_ = new QLineEdit(central);
    nameBox_->setObjectName(QStringLiteral("nameBox"));
    nameBox_->setMinimumWidth(fm.horizontalAdvance(qs(DesignQuestions::genericName(8))) + 24);
    nameBox_->installEventFilter(this);
    whatsThis(nameBox_, "Type a name for this factor. It must begin with a letter, and the first letters of all "
                        "factors must differ: the program labels sources by them (AxB). A factor left with its "
                        "generic name is called by its letter.");

    auto* cyclingNote = new QLabel(QStringLiteral("(Note: the factor cycling fastest is Factor 1)"), central);
    cyclingNote->setObjectName(QStringLiteral("cyclingNote"));

    auto* problemCaption = new QLabel(QStringLiteral("Problem Label (Optional):"), central);
    problemBox_ = new QLineEdit(central);
    problemBox_->setObjectName(QStringLiteral("problemLabelBox"));
    problemCaption->setBuddy(problemBox_);
    whatsThis(problemBox_, "A title for this analysis, kept with the data file in the list of recent files.");

    ok_ = new QPushButton(QStringLiteral("&OK"), central);
    ok_->setObjectName(QStringLiteral("okButton"));
    whatsThis(ok_, "Accepts the levels and name of this factor and goes on to the next one.");

    confirmation_ = new QLabel(central);
    confirmation_->setObjectName(QStringLiteral("confirmation"));
    proceed_ = new QPushButton(central);
    proceed_->setObjectName(QStringLiteral("proceedButton"));
    whatsThis(proceed_, "The number of scores is right: go on with this design.");
    adjust_ = new QPushButton(QStringLiteral("&No, adjust factor-level information"), central);
    adjust_->setObjectName(QStringLiteral("adjustButton"));
    whatsThis(adjust_, "Returns to factor 1 with every value kept, so that levels and names can be changed.");
    startOver_ = new QPushButton(QStringLiteral("&Start Over"), central);
    startOver_->setObjectName(QStringLiteral("startOverButton"));
    whatsThis(startOver_, "Forgets this design and begins again with two factors.");
    for (QWidget* w : std::initializer_list<QWidget*>{confirmation_, proceed_, adjust_, ok_})
        retainSpace(w);
    roomForCaptions(*proceed_, {QString::fromUtf8(kCaptionProceedToDataEntry), QString::fromUtf8(kCaptionEnterLabels),
                                QString::fromUtf8(kCaptionAnovaDesign), QString::fromUtf8(kCaptionEnterLabelsUnequal),
                                QString::fromUtf8(kCaptionLabelsDone)});
    roomForCaptions(*adjust_, {});

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->addWidget(countQuestion_, 0, 0);
    grid->addLayout(upDown(countBox_, countUp_, countDown_, "factorCountUp", "factorCountDown"), 0, 1);
    grid->addWidget(note_, 1, 0, 1, 2);
    grid->setRowMinimumHeight(2, fm.lineSpacing());
    grid->addWidget(levelsQuestion_, 3, 0);
    grid->addLayout(upDown(levelsBox_, levelsUp_, levelsDown_, "levelsUp", "levelsDown"), 3, 1);
    grid->addWidget(nameQuestion_, 4, 0, 1, 2);
    grid->addWidget(nameBox_, 5, 0, 1, 2);
    grid->addWidget(cyclingNote, 6, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    auto* problemRow = new QHBoxLayout;
    problemRow->addWidget(problemCaption);
    problemRow->addWidget(problemBox_, 1);

    auto* okRow = new QHBoxLayout;
    okRow->addStretch(1);
    okRow->addWidget(ok_);

    auto* answerRow = new QHBoxLayout;
    answerRow->addWidget(proceed_);
    answerRow->addWidget(adjust_);
    answerRow->addStretch(1);

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addStretch(1);
    bottomRow->addWidget(startOver_);

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    layout->addLayout(grid);
    layout->addSpacing(fm.lineSpacing() / 2);
    layout->addLayout(problemRow);
    layout->addLayout(okRow);
    layout->addWidget(confirmation_);
    layout->addLayout(answerRow);
    layout->addStretch(1);
    layout->addLayout(bottomRow);

    connect(countBox_, &QLineEdit::textEdited, this, &MainWindow::countEdited);
    connect(levelsBox_, &QLineEdit::textEdited, this, &MainWindow::levelsEdited);
    connect(nameBox_, &QLineEdit::textEdited, this, &MainWindow::nameEdited);
    connect(problemBox_, &QLineEdit::textEdited, this,
            [this](const QString& text) { questions_.setProblemLabel(text.toStdString()); });
    connect(countBox_, &QLineEdit::returnPressed, this, [this] { numberBoxEnter(countBox_, levelsBox_); });
    connect(levelsBox_, &QLineEdit::returnPressed, this, [this] { numberBoxEnter(levelsBox_, nameBox_); });
    connect(nameBox_, &QLineEdit::returnPressed, this, [this] {
        if (ok_->isVisible() && ok_->isEnabled())
            okClicked();
    });
    // Enter in the boxes moves on by their own rules; on a button it presses that button.
    for (QWidget* box : {countBox_, levelsBox_, nameBox_})
        shell_->keepEnter(box);
    connect(countUp_, &QToolButton::clicked, this, [this] { stepNumberBox(countBox_, 1, 1, kMaxFactorsUpDown); });
    connect(countDown_, &QToolButton::clicked, this, [this] { stepNumberBox(countBox_, -1, 1, kMaxFactorsUpDown); });
    connect(levelsUp_, &QToolButton::clicked, this, [this] { stepNumberBox(levelsBox_, 1, 1, kMaxLevelsUpDown); });
    connect(levelsDown_, &QToolButton::clicked, this, [this] { stepNumberBox(levelsBox_, -1, 1, kMaxLevelsUpDown); });
    connect(ok_, &QPushButton::clicked, this, &MainWindow::okClicked);
    connect(proceed_, &QPushButton::clicked, this, &MainWindow::proceedClicked);
    connect(adjust_, &QPushButton::clicked, this, &MainWindow::adjustClicked);
    connect(startOver_, &QPushButton::clicked, this, &MainWindow::startOverClicked);

    // F1 opens the help page at the part for the box being filled in.
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] {
        QWidget* f = focusWidget();
        const int context = f == countBox_    ? kHelpNumberOfFactors
                            : f == levelsBox_  ? kHelpNumberOfLevels
                            : f == nameBox_    ? kHelpFactorName
                            : f == problemBox_ ? kHelpProblemLabel
                                               : kHelpMainWindow;
        platform_.help.showContext(context);
    });
}

void MainWindow::buildMenus()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->setObjectName(QStringLiteral("fileMenu"));
    exitAction_ = new QAction(QStringLiteral("E&xit Alt + F4"), this);
    exitAction_->setObjectName(QStringLiteral("exitAction"));
    connect(exitAction_, &QAction::triggered, shell_, &WindowShell::exitProgram);
    importAction_ = new QAction(QStringLiteral("&Import Data..."), this);
    importAction_->setObjectName(QStringLiteral("importAction"));
    importAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(importAction_, &QAction::triggered, this, [this] {
        if (handOver_.importData)
            handOver_.importData();
    });
    exportAction_ = new QAction(QStringLiteral("Export &Data..."), this);
    exportAction_->setObjectName(QStringLiteral("exportAction"));
    connect(exportAction_, &QAction::triggered, this, [this] {
        if (handOver_.exportData)
            handOver_.exportData();
    });
    rebuildRecentMenu();

    auto checkable = [this](QMenu* menu, const char* caption, const char* objectName) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromUtf8(objectName));
        a->setCheckable(true);
        return a;
    };

    QMenu* prefs = menuBar()->addMenu(QStringLiteral("Set &Preferences"));
    useLabels_ = checkable(prefs, "Use &Labels for Levels", "useLabelsAction");
    outlierCheck_ = checkable(prefs, "Check &Keyboard Input for Outliers", "outlierCheckAction");
    showFs_ = checkable(prefs, "Show &F-ratios less than one", "showFsAction");
    runMaximized_ = checkable(prefs, "Run &Maximized", "runMaximizedAction");
    exactP_ = checkable(prefs, "&Exact p-values", "exactPAction");
    exactP_->setChecked(preferences_.exactPValues);
    connect(exactP_, &QAction::triggered, this, [this](bool on) { preferenceToggled(kKeyExactP, on); });
    useLabels_->setChecked(preferences_.useLevelLabels);
    outlierCheck_->setChecked(preferences_.outlierCheck);
    showFs_->setChecked(preferences_.showFsBelowOne);
    runMaximized_->setChecked(preferences_.runMaximized);
    connect(useLabels_, &QAction::triggered, this, [this](bool on) { preferenceToggled(kKeyUseLevelLabels, on); });
    connect(outlierCheck_, &QAction::triggered, this, [this](bool on) { preferenceToggled(kKeyOutlierCheck, on); });
    connect(showFs_, &QAction::triggered, this, [this](bool on) { preferenceToggled(kKeyShowFs, on); });
    connect(runMaximized_, &QAction::triggered, this, [this](bool on) { preferenceToggled(kKeyRunMaximized, on); });

    QMenu* unequal = menuBar()->addMenu(QStringLiteral("&Unequal Cell Size"));
    attrition_ = checkable(unequal, "Test for &Random Attrition", "attritionAction");
    unweighted_ = checkable(unequal, "&Unweighted Means Analysis", "unweightedAction");
    proportional_ = checkable(unequal, "&Proportional Cell Size (2 substantive)", "proportionalAction");
    groupSize_ = checkable(unequal, "Unequal &Group Size (2 substantive)", "groupSizeAction");
    connect(attrition_, &QAction::triggered, this, [this] { modeChosen(UnequalMode::RandomAttrition); });
    connect(unweighted_, &QAction::triggered, this, [this] { modeChosen(UnequalMode::UnweightedMeans); });
    connect(proportional_, &QAction::triggered, this, [this] { modeChosen(UnequalMode::ProportionalCellSize); });
    connect(groupSize_, &QAction::triggered, this, [this] { modeChosen(UnequalMode::UnequalGroupSize); });

    QMenu* comparisons = menuBar()->addMenu(QStringLiteral("Specific &Comparisons"));
    trendTests_ = checkable(comparisons, "&Trend Tests on Marginal Means", "trendTestsAction");
    planned_ = checkable(comparisons, "Planned &Comparisons", "plannedComparisonsAction");
    postHoc_ = checkable(comparisons, "&Post Hoc Comparisons", "postHocComparisonsAction");
    connect(postHoc_, &QAction::triggered, this, [this] {
        questions_.togglePostHocComparisons();
        refresh(false);
    });
    connect(trendTests_, &QAction::triggered, this, [this] {
        questions_.toggleTrendTests();
        refresh(false);
    });
    connect(planned_, &QAction::triggered, this, [this] {
        questions_.togglePlannedComparisons();
        refresh(false);
    });

    // F1 has a help page of its own for each box (see buildControls).
    QMenu* help = shell_->addHelpMenu(menuBar(), QStringLiteral("&Search for Help on..."), QString(), -1);
    QAction* online = help->addAction(QStringLiteral("Online Information"));
    online->setObjectName(QStringLiteral("onlineInformationAction"));
    connect(online, &QAction::triggered, this, &MainWindow::onlineInformation);
    help->addSeparator();
    QAction* purpose = help->addAction(QStringLiteral("&Purpose..."));
    purpose->setObjectName(QStringLiteral("purposeAction"));
    connect(purpose, &QAction::triggered, this, [this] { tell(DesignQuestions::purposeMessage()); });
    QAction* about = help->addAction(QStringLiteral("&About..."));
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, [this] { showAbout(this); });
}

void MainWindow::rebuildRecentMenu()
{
    fileMenu_->clear();
    // The old items go later: one of them may be the item being triggered right now.
    for (QAction* a : recentActions_) {
        a->setObjectName(QString());
        a->deleteLater();
    }
    recentActions_.clear();
    fileMenu_->addAction(importAction_);
    fileMenu_->addAction(exportAction_);
    fileMenu_->addSeparator();
    const auto& entries = recentFiles_.entries;
    for (int i = 1; i <= static_cast<int>(entries.size()); ++i) {
        auto* a = new QAction(recentCaption(i, entries[static_cast<std::size_t>(i - 1)].path), this);
        a->setObjectName(QStringLiteral("recentFile%1").arg(i));
        a->setEnabled(questions_.recentFilesEnabled());
        connect(a, &QAction::triggered, this, [this, i] { recentChosen(i); });
        fileMenu_->addAction(a);
        recentActions_.push_back(a);
    }
    if (!recentActions_.empty())
        fileMenu_->addSeparator();
    fileMenu_->addAction(exitAction_);
}

void MainWindow::setNameColour(bool generic)
{
    QPalette p = nameBox_->palette();
    p.setColor(QPalette::Text, generic ? kGenericNameColour : kTypedNameColour);
    nameBox_->setPalette(p);
}

void MainWindow::refresh(bool loadBoxes)
{
    const bool entering = questions_.entryEnabled();
    countBox_->setEnabled(entering);
    countUp_->setEnabled(entering);
    countDown_->setEnabled(entering);
    const bool levels = entering && questions_.levelsEnabled();
    levelsBox_->setEnabled(levels);
    levelsUp_->setEnabled(levels);
    levelsDown_->setEnabled(levels);
    nameBox_->setEnabled(entering);
    note_->setText(qs(questions_.noteCaption()));
    levelsQuestion_->setText(qs(questions_.levelsQuestion()));
    nameQuestion_->setText(qs(questions_.nameQuestion()));
    if (loadBoxes) {
        levelsBox_->setText(QString::number(questions_.currentLevels()));
        nameBox_->setText(qs(questions_.currentName()));
        nameBox_->setCursorPosition(0);
        setNameColour(questions_.currentNameIsGeneric());
    }

    ok_->setVisible(entering);
    ok_->setEnabled(questions_.okEnabled());
    confirmation_->setVisible(questions_.confirmationVisible());
    confirmation_->setText(qs(questions_.confirmationText()));
    proceed_->setVisible(!entering);
    proceed_->setText(qs(questions_.proceedCaption()));
    adjust_->setVisible(!entering);

    for (QAction* a : recentActions_)
        a->setEnabled(questions_.recentFilesEnabled());
    useLabels_->setChecked(preferences_.useLevelLabels);
    attrition_->setChecked(questions_.mode() == UnequalMode::RandomAttrition);
    unweighted_->setChecked(questions_.mode() == UnequalMode::UnweightedMeans);
    proportional_->setChecked(questions_.mode() == UnequalMode::ProportionalCellSize);
    groupSize_->setChecked(questions_.mode() == UnequalMode::UnequalGroupSize);
    trendTests_->setChecked(mode_.trendTests);
    planned_->setChecked(mode_.plannedComparisons);
    postHoc_->setChecked(mode_.postHocComparisons);
}

DialogAnswer MainWindow::tell(const Message& message, std::optional<DialogAnswer> defaultButton)
{
    return platform_.dialogs.message(message, defaultButton);
}

void MainWindow::showMessages(const std::vector<Message>& messages)
{
    for (const Message& m : messages)
        tell(m);
}

void MainWindow::countEdited(const QString& text)
{
    std::string t = text.toStdString();
    if (const auto refused = DesignQuestions::checkNumberBoxText(t)) {
        tell(*refused);
        countBox_->clear();
        t.clear();
    }
    const CountChange change = questions_.setFactorCountText(t);
    showMessages(change.messages);
    if (change.boxValue)
        countBox_->setText(QString::number(*change.boxValue));
    refresh(questions_.levelsEnabled());
}

void MainWindow::levelsEdited(const QString& text)
{
    std::string t = text.toStdString();
    if (const auto refused = DesignQuestions::checkNumberBoxText(t)) {
        tell(*refused);
        levelsBox_->clear();
        t.clear();
    }
    questions_.setLevelsText(t);
    refresh(false);
}

void MainWindow::nameEdited(const QString& text)
{
    setNameColour(false);
    if (const auto refused = questions_.setNameText(text.toStdString())) {
        tell(*refused);
        nameBox_->clear();
    }
}

void MainWindow::stepNumberBox(QLineEdit* box, int step, int low, int high)
{
    long value = static_cast<long>(parseNumber(box->text().toStdString()));
    if (box->text().isEmpty() && box == countBox_)
        value = questions_.factorCount();
    const long next = std::clamp<long>(value + step, low, high);
    box->setText(QString::number(next));
    if (box == countBox_)
        countEdited(box->text());
    else
        levelsEdited(box->text());
}

void MainWindow::numberBoxEnter(QLineEdit* box, QWidget* next)
{
    if (const auto m = DesignQuestions::checkNumberBoxEnter(box->text().toStdString())) {
        tell(*m);
        box->setFocus();
        return;
    }
    next->setFocus(Qt::TabFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(next))
        edit->selectAll();
}

void MainWindow::okClicked()
{
    const int before = questions_.currentFactor();
    if (const auto m = questions_.accept()) {
        tell(*m);
        refresh(false);
        if (m->title == "Change required!")
            nameBox_->setFocus();
        return;
    }
    refresh(true);
    if (questions_.entryEnabled() && questions_.currentFactor() != before) {
        levelsBox_->setFocus();
        levelsBox_->selectAll();
    } else if (proceed_->isVisible()) {
        proceed_->setFocus();
    }
}

void MainWindow::proceedClicked()
{
    const ProceedOutcome out = questions_.proceed();
    refresh(true);
    if (out.message) {
        tell(*out.message);
        nameBox_->setFocus();
        return;
    }
    switch (out.target) {
    case ProceedTarget::DataEntry:
        if (handOver_.proceedToDataEntry)
            handOver_.proceedToDataEntry();
        break;
    case ProceedTarget::AnovaDesign:
        if (handOver_.proceedToAnovaDesign)
            handOver_.proceedToAnovaDesign();
        break;
    case ProceedTarget::LevelLabels:
        openLevelLabels();
        break;
    case ProceedTarget::Stay:
        break;
    }
}

void MainWindow::adjustClicked()
{
    questions_.adjust();
    refresh(true);
    levelsBox_->setFocus();
    levelsBox_->selectAll();
}

void MainWindow::startOverClicked()
{
    if (handOver_.startingOver)
        handOver_.startingOver();
    if (levelLabels_)
        levelLabels_->hide();
    levelLabels_.reset();
    questions_.startOver();
    problemBox_->clear();
    countBox_->setText(QString::number(questions_.factorCount()));
    rebuildRecentMenu();
    refresh(true);
    countBox_->setFocus();
    countBox_->selectAll();
}

void MainWindow::recentChosen(int entry)
{
    const auto& entries = recentFiles_.entries;
    if (entry < 1 || entry > static_cast<int>(entries.size()))
        return;
    const std::string path = entries[static_cast<std::size_t>(entry - 1)].path;
    for (;;) {
        const RecentFileProbe probe = probeRecentFile(path, mode_.unequalCellMode());
        if (probe.result == RecentFileProbe::Result::Fits)
            break;
        const DialogAnswer answer = tell(probe.message);
        if (probe.result == RecentFileProbe::Result::NotFound && answer == DialogAnswer::Retry)
            continue;
        return;  // nothing is loaded; the window stays as it was
    }
    const auto stored = questions_.restoreRecent(entry, platform_.settings);
    rebuildRecentMenu();
    problemBox_->setText(qs(design_.problemLabel));
    countBox_->setText(QString::number(questions_.factorCount()));
    refresh(true);
    if (stored)
        tell(*stored);
    if (handOver_.recentFileChosen)
        handOver_.recentFileChosen(entry);
}

void MainWindow::preferenceToggled(const char* key, bool on)
{
    Preferences& p = preferences_;
    const std::string k = key;
    if (k == kKeyUseLevelLabels) {
        questions_.setUseLevelLabels(on);
    } else if (k == kKeyOutlierCheck) {
        p.outlierCheck = on;
        data_.outlierCheck = on;
    } else if (k == kKeyShowFs) {
        p.showFsBelowOne = on;
    } else if (k == kKeyRunMaximized) {
        p.runMaximized = on;
    } else if (k == kKeyExactP) {
        p.exactPValues = on;
    }
    refresh(false);
    if (!storePreference(platform_.settings, key, on))
        tell(DesignQuestions::preferenceNotStoredMessage());
}

void MainWindow::modeChosen(UnequalMode mode)
{
    const ModeStep step = questions_.toggleMode(mode);
    if (step.question) {
        questions_.answerUnweightedMeans(tell(*step.message, DialogAnswer::No));
        countBox_->setText(QString::number(questions_.factorCount()));
        refresh(true);
        return;
    }
    countBox_->setText(QString::number(questions_.factorCount()));
    refresh(true);
    if (step.message)
        tell(*step.message);
}

void MainWindow::openLevelLabels()
{
    if (levelLabels_)
        levelLabels_->hide();
    LevelLabelsWindow::HandOver back{[this] { levelLabelsDone(); }, [this] { levelLabelsDone(); }};
    levelLabels_ = std::make_unique<LevelLabelsWindow>(design_, shell_->context(), 0, std::move(back));
    hide();
    levelLabels_->findChild<WindowShell*>()->showInFront();
}

void MainWindow::levelLabelsDone()
{
    refresh(false);
    shell_->showInFront();
    proceed_->setFocus();
}

void MainWindow::onlineInformation()
{
    const std::string url = faqUrl();
    if (!url.empty() && platform_.desktop.openUrl(url))
        return;
    tell({"Online Information",
          "The page of questions and answers could not be opened in a web browser." + std::string(kMessageLineBreak) +
              "The same answers are in the help: Help, Contents.",
          MessageButtons::Ok, MessageIcon::Exclamation});
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == countBox_) {
        if (event->type() == QEvent::FocusIn && movedByUser(static_cast<QFocusEvent*>(event)->reason())) {
            countBox_->clear();
            countEdited(QString());
        } else if (event->type() == QEvent::MouseButtonPress && countBox_->hasFocus() && !countBox_->text().isEmpty()) {
            countBox_->clear();
            countEdited(QString());
        } else if (event->type() == QEvent::FocusOut && countBox_->text().isEmpty()) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                // Left empty: the factors stay as they were.
                countBox_->setText(QString::number(questions_.factorCount()));
                questions_.keepFactorCount();
                refresh(false);
            }
        }
    } else if (watched == nameBox_) {
        const bool click = event->type() == QEvent::MouseButtonPress;
        const bool keyboardEntry = event->type() == QEvent::FocusIn &&
                                   static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason &&
                                   static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
                                   static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
                                   questions_.currentNameIsGeneric();
        if ((click && nameBox_->isEnabled()) || keyboardEntry) {
            nameBox_->clear();
            setNameColour(false);
            questions_.setNameText({});
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeForExit()
{
    shell_->closeQuietly();
}

}  // namespace varisect
