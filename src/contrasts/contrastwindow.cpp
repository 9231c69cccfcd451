// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrasts/contrastwindow.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/analysisservice.h"
#include "platform/dialogs.h"
#include "session/session.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

bool sameFactors(const Design& a, const Design& b)
{
    if (a.factorCount() != b.factorCount() || a.designatedFactor != b.designatedFactor || a.nested != b.nested
        || a.nestingMatrix != b.nestingMatrix)
        return false;
    for (int k = 1; k <= a.factorCount(); ++k)
        if (a.factor(k).name != b.factor(k).name || a.factor(k).levels != b.factor(k).levels
            || a.factor(k).levelLabels != b.factor(k).levelLabels)
            return false;
    return true;
}

}  // namespace

ContrastWindow::ContrastWindow(ContrastParts parts, ShellContext shell, ContrastHandOver handOver, const char* title,
                               int helpContext, QWidget* parent)
    : QMainWindow(parent),
      shell_(new WindowShell(*this, std::move(shell))),
      state_(parts.design),
      data_(parts.data),
      handOver_(std::move(handOver)),
      madeFor_(parts.design.design)
{
    setWindowTitle(QString::fromUtf8(title));
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    shell_->addExitItem(file);
    shell_->addHelpMenu(menuBar(), QStringLiteral("&Search for Help on..."), QStringLiteral("How to &Use Help"),
                        helpContext);
}

ContrastWindow::~ContrastWindow() = default;

void ContrastWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    refresh();
}

void ContrastWindow::finishLayout(QWidget* choices, const QString& intro, bool adjustment, QFormLayout* choicesForm)
{
    auto* central = new QWidget(this);
    QFormLayout* options = choicesForm ? choicesForm : new QFormLayout;
    errorBox_ = new QComboBox(central);
    errorBox_->setObjectName(QStringLiteral("errorBox"));
    errorBox_->addItems({QStringLiteral("Separate: each against its own error x subjects"),
                         QStringLiteral("Pooled: the factor's error x subjects")});
    shell_->explain(errorBox_, QStringLiteral("For a factor crossed with the subjects (repeated measures): "
                                              "Separate tests each comparison against its own interaction "
                                              "with the subjects, on the subjects' df; it does not rely on "
                                              "sphericity. Pooled uses the error row of the factor's main "
                                              "effect. Other factors always use their error row in the table."));
    auto* errorLabel = new QLabel(QStringLiteral("Within-subject &error:"), central);
    errorLabel->setBuddy(errorBox_);
    options->addRow(errorLabel, errorBox_);
    if (adjustment) {
        adjustBox_ = new QComboBox(central);
        adjustBox_->setObjectName(QStringLiteral("adjustBox"));
        adjustBox_->addItems({QStringLiteral("None"), QStringLiteral("Holm (step-down)"), QStringLiteral("Bonferroni")});
        shell_->explain(adjustBox_, QStringLiteral("Adjusts the p of all the contrast rows of the table, as one "
                                                   "family, for the number of contrasts tested. The legend under "
                                                   "the table says which adjustment was made."));
        auto* adjustLabel = new QLabel(QStringLiteral("Ad&just p for multiplicity:"), central);
        adjustLabel->setBuddy(adjustBox_);
        options->addRow(adjustLabel, adjustBox_);
    }
    setCentralWidget(central);
    auto* introLabel = new QLabel(intro, central);
    introLabel->setObjectName(QStringLiteral("introLabel"));
    introLabel->setWordWrap(true);

    auto* prepare = new QPushButton(QStringLiteral("&Prepare Table"), central);
    prepare->setObjectName(QStringLiteral("PrepareButton"));
    shell_->explain(prepare, QStringLiteral("Runs the analysis of variance and shows its table with one row for "
                                            "each contrast, indented under its factor's main effect. Each contrast "
                                            "has 1 df; the legend under the table names the error term it was "
                                            "tested against."));
    connect(prepare, &QPushButton::clicked, this, &ContrastWindow::prepareTable);
    auto* back = new QPushButton(QStringLiteral("&Return to Anova Design"), central);
    back->setObjectName(QStringLiteral("ReturnButton"));
    shell_->explain(back, QStringLiteral("Goes back to the Anova design window. What you entered here is kept "
                                         "for when you come back."));
    connect(back, &QPushButton::clicked, this, &ContrastWindow::returnToDesign);
    shell_->setDefaultButton(prepare);
    shell_->onClose([this] { returnToDesign(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(prepare);
    buttons->addWidget(back);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(introLabel);
    if (choicesForm) {
        layout->addWidget(choices);
        layout->addStretch(1);
    } else {
        layout->addWidget(choices, 1);
        layout->addLayout(options);
    }
    layout->addLayout(buttons);
}

const Design& ContrastWindow::design() const
{
    return madeFor_;
}

QString ContrastWindow::levelCaption(int factor, int level) const
{
    const Factor& f = madeFor_.factor(factor);
    if (state_.labelsInUse && level < static_cast<int>(f.levelLabels.size()) && !f.levelLabels[size_t(level)].empty())
        return QString::fromStdString(f.levelLabels[size_t(level)]);
    return QString::number(level + 1);
}

FactorMeans ContrastWindow::meansOf(int factor) const
{
    if (!data_.accepted() || static_cast<long>(data_.scores().size()) != madeFor_.scoreCount())
        return {};
    return marginalMeans(madeFor_, data_.scores(), factor);
}

ContrastOptions ContrastWindow::contrastOptions() const
{
    ContrastOptions out;
    if (errorBox_ && errorBox_->currentIndex() == 1)
        out.error = ContrastError::Pooled;
    if (adjustBox_)
        out.adjustment = adjustBox_->currentIndex() == 1 ? Adjustment::Holm
            : adjustBox_->currentIndex() == 2            ? Adjustment::Bonferroni
                                                         : Adjustment::None;
    return out;
}

bool ContrastWindow::labelsInUse() const
{
    return state_.labelsInUse;
}

std::optional<std::vector<std::string>> ContrastWindow::linesUnderTable(const Design& design, const Scores&,
                                                                        const AnovaTable&,
                                                                        const std::vector<Contrast>& contrasts)
{
    return trendLegend(design, contrasts);
}

bool ContrastWindow::fits(const Design& design) const
{
    return sameFactors(madeFor_, design);
}

void ContrastWindow::closeForExit()
{
    shell_->closeQuietly();
}

void ContrastWindow::prepareTable()
{
    const Design& design = state_.design;
    const Scores& scores = data_.scores();
    if (const auto problem = scoresProblem(design, scores)) {
        shell_->dialogs().message(*problem);
        return;
    }
    const std::optional<std::vector<Contrast>> contrasts = chosenContrasts();
    if (!contrasts)
        return;

    const ContrastOptions contrastChoices = contrastOptions();
    ContrastAnalysis analysis = shell_->runAnalysis([&](Prompts& prompts, const AnalysisOptions& options) {
        return analyseWithContrasts(design, scores, *contrasts, prompts, options, contrastChoices);
    });
    if (analysis.contrastRefused)
        return;  // told; the choices stay on show
    std::vector<std::string> lines;
    if (analysis.table) {
        Design labelled = design;
        if (!labelled.labelsTruncated)
            setTableLabelsFromNames(labelled);
        std::optional<std::vector<std::string>> under = linesUnderTable(labelled, scores, *analysis.table, *contrasts);
        if (!under)
            return;  // told; the choices stay on show
        lines = std::move(*under);
    }
    hide();
    if (!analysis.table) {
        if (handOver_.analysisAbandoned)
            handOver_.analysisAbandoned();
        return;
    }
    if (handOver_.tableReady)
        handOver_.tableReady(std::move(*analysis.table), std::move(lines));
}

void ContrastWindow::returnToDesign()
{
    hide();
    if (handOver_.returnToDesign)
        handOver_.returnToDesign();
}

}  // namespace varisect
