// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrasts/contrastwindow.h"

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

void ContrastWindow::finishLayout(QWidget* choices, const QString& intro)
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* introLabel = new QLabel(intro, central);
    introLabel->setObjectName(QStringLiteral("introLabel"));
    introLabel->setWordWrap(true);

    auto* prepare = new QPushButton(QStringLiteral("&Prepare Table"), central);
    prepare->setObjectName(QStringLiteral("PrepareButton"));
    shell_->explain(prepare, QStringLiteral("Runs the analysis of variance and shows its table with one row for "
                                            "each contrast, indented under its factor's main effect. Each contrast "
                                            "has 1 df and is tested against the error term of that main effect."));
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
    layout->addWidget(choices, 1);
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

    ContrastAnalysis analysis = shell_->runAnalysis([&](Prompts& prompts, const AnalysisOptions& options) {
        return analyseWithContrasts(design, scores, *contrasts, prompts, options);
    });
    if (analysis.contrastRefused)
        return;  // told; the choices stay on show
    hide();
    if (!analysis.table) {
        if (handOver_.analysisAbandoned)
            handOver_.analysisAbandoned();
        return;
    }
    if (handOver_.tableReady)
        handOver_.tableReady(std::move(*analysis.table), trendLegend(design, *contrasts));
}

void ContrastWindow::returnToDesign()
{
    hide();
    if (handOver_.returnToDesign)
        handOver_.returnToDesign();
}

}  // namespace varisect
