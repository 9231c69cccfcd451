// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/anovadesignwindow.h"

#include <optional>

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "session/session.h"
#include "analysis/analysisservice.h"
#include "platform/platform.h"
#include "platform/qttext.h"
#include "platform/qtwindowutils.h"
#include "shell/windowshell.h"
#include "design/explanationwindow.h"
#include "design/levellabelswindow.h"
#include "design/nestingwindow.h"

namespace varisect {

namespace {

void keepSpaceWhenHidden(QWidget* w)
{
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

}  // namespace

AnovaDesignWindow::AnovaDesignWindow(AnovaDesignParts parts, ShellContext shell, AnovaDesignHandOver handOver,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window),
      design_(parts.design),
      mode_(parts.mode),
      data_(parts.data),
      shell_(new WindowShell(*this, std::move(shell))),
      handOver_(std::move(handOver)),
      choices_(parts.design, parts.mode)
{
    setWindowTitle(QString::fromUtf8(kAnovaDesignTitle));
    setObjectName(QStringLiteral("anovaDesignWindow"));
    shell_->whenClosingQuietly([this] { closeOpenedWindows(); });
    shell_->addHelpKey(kHelpAnovaDesign);
    buildControls();
    reload();
}

AnovaDesignWindow::~AnovaDesignWindow() = default;

void AnovaDesignWindow::buildControls()
{
    auto whatsThis = [this](QWidget* w, const char* help) { shell_->explain(w, QString::fromUtf8(help)); };

    auto* typeFrame = new QGroupBox(QString::fromUtf8(kAnovaTypeFrameCaption), this);
    typeFrame->setObjectName(QStringLiteral("typeFrame"));
    independent_ = new QRadioButton(QStringLiteral("Independent groups"), typeFrame);
    independent_->setObjectName(QStringLiteral("independentGroups"));
    repeated_ = new QRadioButton(QStringLiteral("Repeated-measures"), typeFrame);
    repeated_->setObjectName(QStringLiteral("repeatedMeasures"));
    noFRatios_ = new QRadioButton(QStringLiteral("No F-ratios"), typeFrame);
    noFRatios_->setObjectName(QStringLiteral("noFRatios"));
    auto* typeLayout = new QVBoxLayout(typeFrame);
    for (QRadioButton* b : {independent_, repeated_, noFRatios_})
        typeLayout->addWidget(b);
    typeLayout->addStretch(1);
    connect(independent_, &QRadioButton::clicked, this, [this] { typeChosen(AnovaType::IndependentGroups); });
    connect(repeated_, &QRadioButton::clicked, this, [this] { typeChosen(AnovaType::RepeatedMeasures); });
    connect(noFRatios_, &QRadioButton::clicked, this, [this] { typeChosen(AnovaType::NoFRatios); });
    whatsThis(typeFrame, "Choose how F-ratios are formed: each source against the within-cells term (independent "
                         "groups), each source against its interaction with subjects (repeated measures), or "
                         "no F-ratios at all.");

    designation_ = new QGroupBox(this);
    designation_->setObjectName(QStringLiteral("designationFrame"));
    designationGroup_ = new QButtonGroup(this);
    designationGroup_->setExclusive(true);
    auto* designationLayout = new QVBoxLayout(designation_);
    designationLayout->addStretch(1);
    connect(designationGroup_, &QButtonGroup::idClicked, this, &AnovaDesignWindow::factorDesignated);
    keepSpaceWhenHidden(designation_);
    whatsThis(designation_, "Click the factor that holds the replicates (independent groups) or the subjects "
                            "(repeated measures).");
    rebuildDesignation();

    auto* structureFrame = new QGroupBox(this);
    structureFrame->setObjectName(QStringLiteral("structureFrame"));
    crossed_ = new QRadioButton(QStringLiteral("Fully crossed"), structureFrame);
    crossed_->setObjectName(QStringLiteral("fullyCrossed"));
    nested_ = new QRadioButton(QStringLiteral("Nested"), structureFrame);
    nested_->setObjectName(QStringLiteral("nested"));
    nestingButton_ = new QPushButton(QStringLiteral("&Nesting..."), structureFrame);
    nestingButton_->setObjectName(QStringLiteral("nestingButton"));
    keepSpaceWhenHidden(nestingButton_);
    auto* structureLayout = new QHBoxLayout(structureFrame);
    structureLayout->addWidget(crossed_);
    structureLayout->addSpacing(12);
    structureLayout->addWidget(nested_);
    structureLayout->addStretch(1);
    structureLayout->addWidget(nestingButton_);
    connect(crossed_, &QRadioButton::clicked, this, [this] { structureChosen(false); });
    connect(nested_, &QRadioButton::clicked, this, [this] { structureChosen(true); });
    connect(nestingButton_, &QPushButton::clicked, this, &AnovaDesignWindow::openNesting);
    whatsThis(structureFrame, "Choose \"Nested\" when some factor's levels each occur under only one level of "
                              "another factor, then give the relationships with \"Nesting...\".");
    whatsThis(nestingButton_, "Opens the list of nesting relationships.");

    main_ = new QPushButton(this);
    main_->setObjectName(QStringLiteral("mainButton"));
    shell_->setDefaultButton(main_);
    connect(main_, &QPushButton::clicked, this, &AnovaDesignWindow::mainClicked);
    whatsThis(main_, "Goes on with the design as specified: prepares the table or leads to the next step.");
    explanation_ = new QPushButton(QStringLiteral("E&xplanation"), this);
    explanation_->setObjectName(QStringLiteral("explanationButton"));
    connect(explanation_, &QPushButton::clicked, this, &AnovaDesignWindow::openExplanation);
    whatsThis(explanation_, "Explains the design options.");
    simpleEffects_ = new QPushButton(QStringLiteral("&Simple Effects"), this);
    simpleEffects_->setObjectName(QStringLiteral("simpleEffectsButton"));
    keepSpaceWhenHidden(simpleEffects_);
    connect(simpleEffects_, &QPushButton::clicked, this, &AnovaDesignWindow::simpleEffectsClicked);
    whatsThis(simpleEffects_, "Shows the cell means of a pair of factors and tests the simple effects of each "
                              "factor at every level of the other.");
    return_ = new QPushButton(this);
    return_->setObjectName(QStringLiteral("returnButton"));
    connect(return_, &QPushButton::clicked, this, &AnovaDesignWindow::returnClicked);
    whatsThis(return_, "Leaves this window without an analysis.");

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(main_);
    buttons->addWidget(explanation_);
    buttons->addWidget(simpleEffects_);
    buttons->addStretch(1);
    buttons->addWidget(return_);

    auto* top = new QHBoxLayout;
    top->addWidget(typeFrame, 1);
    top->addWidget(designation_, 1);
    top->addSpacing(8);
    top->addLayout(buttons);

    // The specific comparisons, changed here without starting a new problem.
    comparisons_ = new QGroupBox(QStringLiteral("Specific Comparisons:"), this);
    comparisons_->setObjectName(QStringLiteral("comparisonsFrame"));
    comparisonsGroup_ = new QButtonGroup(this);
    auto* comparisonsLayout = new QHBoxLayout(comparisons_);
    const struct {
        const char* caption;
        const char* name;
        SpecificComparisons choice;
    } comparisonChoices[] = {
        {"N&one", "noComparisonsOption", SpecificComparisons::None},
        {"Tren&d tests on marginal means", "trendTestsOption", SpecificComparisons::TrendTests},
        {"Planned co&mparisons", "plannedComparisonsOption", SpecificComparisons::PlannedComparisons},
        {"Post &hoc comparisons", "postHocComparisonsOption", SpecificComparisons::PostHoc},
    };
    for (const auto& c : comparisonChoices) {
        auto* b = new QRadioButton(QString::fromUtf8(c.caption), comparisons_);
        b->setObjectName(QString::fromUtf8(c.name));
        comparisonsGroup_->addButton(b, static_cast<int>(c.choice));
        comparisonsLayout->addWidget(b);
        comparisonsLayout->addSpacing(8);
    }
    comparisonsLayout->addStretch(1);
    connect(comparisonsGroup_, &QButtonGroup::idClicked, this,
            [this](int id) { comparisonsChosen(static_cast<SpecificComparisons>(id)); });
    whatsThis(comparisons_, "Trend tests, planned comparisons or post hoc comparisons on marginal means instead of "
                            "the analysis of variance table (the same choice as the main window's Specific "
                            "Comparisons menu). Changing it keeps the data and the choices above.");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(structureFrame);
    layout->addWidget(comparisons_);

    // Wide enough for the longer designation caption and the longest main button caption.
    const QFontMetrics fm(font());
    designation_->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("Designate the Replicates Factor:")) + 24);
    main_->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("Enter Labels for Levels...")) + 32);
}

void AnovaDesignWindow::rebuildDesignation()
{
    for (QRadioButton* b : factorOptions_) {
        designationGroup_->removeButton(b);
        delete b;
    }
    factorOptions_.clear();
    auto* layout = static_cast<QVBoxLayout*>(designation_->layout());
    for (int k = 1; k <= design_.design.factorCount(); ++k) {
        QString name = qs(design_.design.factor(k).name);
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* b = new QRadioButton(name, designation_);
        b->setObjectName(QStringLiteral("factorOption%1").arg(k));
        designationGroup_->addButton(b, k);
        layout->insertWidget(k - 1, b);
        factorOptions_.push_back(b);
    }
}

void AnovaDesignWindow::reload()
{
    if (static_cast<int>(factorOptions_.size()) != design_.design.factorCount())
        rebuildDesignation();
    else
        for (int k = 1; k <= design_.design.factorCount(); ++k) {
            QString name = qs(design_.design.factor(k).name);
            name.replace(QLatin1Char('&'), QStringLiteral("&&"));
            factorOptions_[size_t(k - 1)]->setText(name);
        }
    refresh();
}

void AnovaDesignWindow::refresh()
{
    const Design& d = design_.design;
    {
        // Until a type is chosen in this pass no option is checked.
        const QSignalBlocker b1(independent_), b2(repeated_), b3(noFRatios_);
        const bool chosen = design_.anovaTypeChosen;
        for (QRadioButton* option : {independent_, repeated_, noFRatios_})
            option->setAutoExclusive(false);
        independent_->setChecked(chosen && d.anovaType == AnovaType::IndependentGroups);
        repeated_->setChecked(chosen && d.anovaType == AnovaType::RepeatedMeasures);
        noFRatios_->setChecked(chosen && d.anovaType == AnovaType::NoFRatios);
        for (QRadioButton* option : {independent_, repeated_, noFRatios_})
            option->setAutoExclusive(true);
    }
    designation_->setTitle(qs(designationCaption(d.anovaType)));
    designation_->setVisible(choices_.designationVisible());
    // An exclusive group cannot show "none chosen" otherwise.
    designationGroup_->setExclusive(false);
    for (int k = 1; k <= static_cast<int>(factorOptions_.size()); ++k)
        factorOptions_[size_t(k - 1)]->setChecked(k == d.designatedFactor);
    designationGroup_->setExclusive(true);
    {
        const QSignalBlocker b1(crossed_), b2(nested_);
        crossed_->setChecked(!d.nested);
        nested_->setChecked(d.nested);
    }
    nestingButton_->setVisible(choices_.nestingButtonVisible());
    comparisons_->setVisible(choices_.comparisonsOffered());
    if (QAbstractButton* b = comparisonsGroup_->button(static_cast<int>(choices_.comparisons()))) {
        const QSignalBlocker blocker(b);
        b->setChecked(true);
    }
    main_->setText(qs(choices_.mainCaption()));
    main_->setEnabled(choices_.mainEnabled());
    simpleEffects_->setVisible(simpleEffectsOffered());
    simpleEffects_->setEnabled(simpleEffectsOffered());
    return_->setText(qs(choices_.returnCaption()));
}

void AnovaDesignWindow::showEvent(QShowEvent* event)
{
    reload();
    QWidget::showEvent(event);
}

void AnovaDesignWindow::typeChosen(AnovaType type)
{
    choiceChanged();
    choices_.chooseType(type);
    refresh();
}

void AnovaDesignWindow::comparisonsChosen(SpecificComparisons choice)
{
    // The design is untouched: a table already prepared keeps its simple effects.
    choices_.chooseComparisons(choice);
    refresh();
}

void AnovaDesignWindow::factorDesignated(int factor)
{
    choiceChanged();
    choices_.designate(factor);
    refresh();
}

void AnovaDesignWindow::structureChosen(bool nested)
{
    choiceChanged();
    choices_.chooseNested(nested);
    refresh();
}

void AnovaDesignWindow::openNesting()
{
    choiceChanged();
    choices_.nestingOpened();
    refresh();
    NestingWindow::HandOver h;
    h.accepted = [this](const std::vector<NestRelation>& matrix) { nestingAccepted(matrix); };
    h.cancelled = [this] { nestingCancelled(); };
    if (nesting_)
        nesting_.release()->deleteLater();  // it may still be in the middle of its own close
    nesting_ = std::make_unique<NestingWindow>(design_.design, subWindowShell(), choices_.unequalGroupSizes(),
                                               std::move(h), nullptr);
    hide();
    nesting_->findChild<WindowShell*>()->showInFront();
}

void AnovaDesignWindow::nestingAccepted(const std::vector<NestRelation>& matrix)
{
    choices_.nestingAccepted(matrix);
    show();
    refresh();
}

void AnovaDesignWindow::nestingCancelled()
{
    choices_.nestingCancelled();
    show();
    refresh();
}

void AnovaDesignWindow::mainClicked()
{
    if (!choices_.mainEnabled())
        return;
    switch (choices_.mainAction()) {
    case MainAction::PrepareTable:
        prepareTable();
        break;
    case MainAction::SetUpComparisons:
        setUpContrasts(handOver_.setUpComparisons);
        break;
    case MainAction::SetUpTrendTests:
        setUpContrasts(handOver_.setUpTrendTests);
        break;
    case MainAction::SetUpPostHoc:
        setUpContrasts(handOver_.setUpPostHoc);
        break;
    case MainAction::EnterCellSizes:
        handOn(handOver_.enterCellSizes);
        break;
    case MainAction::EnterGroupSizes:
        handOn(handOver_.enterGroupSizes);
        break;
    case MainAction::EnterLabels:
        enterLabels();
        break;
    }
}

void AnovaDesignWindow::prepareTable()
{
    const Design& design = design_.design;
    const Scores& scores = data_.scores();
    if (const auto problem = scoresProblem(design, scores)) {
        shell_->dialogs().message(*problem);
        return;
    }
    std::optional<AnovaTable> table = shell_->runAnalysis([&](Prompts& prompts, const AnalysisOptions& options) {
        return analyseDesign(design, scores, prompts, options);
    });
    if (!table) {
        tableShown_ = false;
        handOn(handOver_.analysisAbandoned);
        return;
    }
    tableShown_ = true;
    refresh();
    hide();
    if (handOver_.tableReady)
        handOver_.tableReady(std::move(*table));
}

void AnovaDesignWindow::setUpContrasts(const std::function<void()>& next)
{
    // The application opens the set-up window, or tells why it cannot and shows this one again.
    handOn(next);
}

bool AnovaDesignWindow::simpleEffectsOffered() const
{
    const Design& d = design_.design;
    return tableShown_ && design_.anovaTypeChosen
        && (d.anovaType == AnovaType::IndependentGroups || d.anovaType == AnovaType::RepeatedMeasures)
        && d.designatedFactor >= 1 && d.designatedFactor <= d.factorCount();
}

void AnovaDesignWindow::choiceChanged()
{
    tableShown_ = false;
}

void AnovaDesignWindow::simpleEffectsClicked()
{
    if (!simpleEffectsOffered())
        return;
    // The application shows the pair selector over this window, or a message, or the means.
    if (handOver_.simpleEffects)
        handOver_.simpleEffects();
}

void AnovaDesignWindow::enterLabels()
{
    LevelLabelsWindow::HandOver h;
    auto back = [this] {
        choices_.labelsDone();
        show();
        refresh();
    };
    h.finished = back;
    h.cancelled = back;
    if (levelLabels_)
        levelLabels_.release()->deleteLater();
    levelLabels_ = std::make_unique<LevelLabelsWindow>(design_, subWindowShell(), design_.design.designatedFactor,
                                                       std::move(h), nullptr);
    hide();
    levelLabels_->findChild<WindowShell*>()->showInFront();
}

void AnovaDesignWindow::returnClicked()
{
    // The data may change on the way: simple effects wait for the next table.
    choiceChanged();
    if (mode_.unequalCellMode()) {
        if (handOver_.restart)
            handOver_.restart();
        return;  // the restart path decides which window is shown
    }
    handOn(handOver_.returnToGrid);
}

void AnovaDesignWindow::handOn(const std::function<void()>& next)
{
    hide();
    if (next)
        next();
}

void AnovaDesignWindow::openExplanation()
{
    if (!designOptions_) {
        ExplanationWindow::HandOver h;
        h.returnToDesign = [this] { backFromExplanation(); };
        h.showNesting = [this] { openNestingExplanation(); };
        designOptions_ = std::make_unique<ExplanationWindow>(ExplanationWindow::Kind::DesignOptions, subWindowShell(),
                                                             std::move(h), nullptr);
    }
    hide();
    designOptions_->findChild<WindowShell*>()->showInFront();
}

void AnovaDesignWindow::openNestingExplanation()
{
    if (!nestingExplanation_) {
        ExplanationWindow::HandOver h;
        h.returnToDesign = [this] { backFromExplanation(); };
        nestingExplanation_ = std::make_unique<ExplanationWindow>(ExplanationWindow::Kind::Nesting, subWindowShell(),
                                                                  std::move(h), nullptr);
    }
    if (designOptions_)
        designOptions_->hide();
    nestingExplanation_->findChild<WindowShell*>()->showInFront();
}

void AnovaDesignWindow::backFromExplanation()
{
    for (ExplanationWindow* w : {designOptions_.get(), nestingExplanation_.get()})
        if (w)
            w->hide();
    shell_->showInFront();
}

ShellContext AnovaDesignWindow::subWindowShell() const
{
    return shell_->context();
}

void AnovaDesignWindow::closeForExit()
{
    shell_->closeQuietly();
}

void AnovaDesignWindow::closeOpenedWindows()
{
    for (ExplanationWindow* w : {designOptions_.get(), nestingExplanation_.get()})
        if (w)
            w->closeForExit();
    if (nesting_)
        nesting_->hide();
    if (levelLabels_)
        levelLabels_->hide();
}

}  // namespace varisect
