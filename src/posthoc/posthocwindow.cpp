// SPDX-License-Identifier: GPL-3.0-or-later
#include "posthoc/posthocwindow.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "shell/windowshell.h"

namespace varisect {

PosthocWindow::PosthocWindow(ContrastParts parts, ShellContext context, ContrastHandOver handOver, QWidget* parent)
    : ContrastWindow(parts, std::move(context), std::move(handOver), kPostHocTitle, kHelpPostHoc, parent),
      offered_(posthocFactors(design()))
{
    setObjectName(QStringLiteral("postHocWindow"));
    auto* choices = new QWidget(this);
    auto* form = new QFormLayout(choices);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

    factorBox_ = new QComboBox(choices);
    factorBox_->setObjectName(QStringLiteral("factorBox"));
    for (const int k : offered_)
        factorBox_->addItem(QString::fromStdString(design().factor(k).name), k);
    auto* factorLabel = new QLabel(QStringLiteral("Compare the &levels of:"), choices);
    factorLabel->setBuddy(factorBox_);
    shell()->explain(factorBox_, QStringLiteral("The factor whose means are compared, every pair of levels."));
    form->addRow(factorLabel, factorBox_);

    byBox_ = new QComboBox(choices);
    byBox_->setObjectName(QStringLiteral("byBox"));
    auto* byLabel = new QLabel(QStringLiteral("&At each level of:"), choices);
    byLabel->setBuddy(byBox_);
    shell()->explain(byBox_, QStringLiteral("Marginal means compares the factor's means over all the other "
                                            "factors. A second factor compares its cell means at each level of "
                                            "that factor, one family of comparisons per level, as the simple "
                                            "effects do."));
    form->addRow(byLabel, byBox_);

    methodBox_ = new QComboBox(choices);
    methodBox_->setObjectName(QStringLiteral("methodBox"));
    for (const PairwiseMethod m : {PairwiseMethod::Tukey, PairwiseMethod::Holm, PairwiseMethod::Bonferroni})
        methodBox_->addItem(QString::fromStdString(pairwiseMethodName(m)), static_cast<int>(m));
    auto* methodLabel = new QLabel(QStringLiteral("&Method:"), choices);
    methodLabel->setBuddy(methodBox_);
    shell()->explain(methodBox_, QStringLiteral("Tukey HSD: the studentized range of the factor's means. Holm: "
                                                "Holm's step-down adjustment of the t tests. Bonferroni: the p "
                                                "of each t test times the number of pairs. Intervals are adjusted "
                                                "the same way (Holm gives Bonferroni intervals)."));
    form->addRow(methodLabel, methodBox_);

    connect(factorBox_, &QComboBox::currentIndexChanged, this, [this] { fillByFactors(); });
    fillByFactors();

    finishLayout(choices,
                 QStringLiteral("Every pair of a factor's means is compared after the analysis of variance; the "
                                "comparisons appear under the table."),
                 false, form);
}

PosthocWindow::~PosthocWindow() = default;

void PosthocWindow::fillByFactors()
{
    const int factor = factorBox_->currentData().toInt();
    const int before = byBox_->currentData().toInt();
    byBox_->clear();
    byBox_->addItem(QStringLiteral("(none: marginal means)"), 0);
    for (const int k : offered_)
        if (k != factor)
            byBox_->addItem(QString::fromStdString(design().factor(k).name), k);
    const int again = byBox_->findData(before);
    byBox_->setCurrentIndex(again > 0 ? again : 0);
}

PosthocRequest PosthocWindow::request() const
{
    PosthocRequest out;
    out.factor = factorBox_->currentData().toInt();
    out.byFactor = byBox_->currentData().toInt();
    out.method = static_cast<PairwiseMethod>(methodBox_->currentData().toInt());
    out.error = contrastOptions().error;
    return out;
}

std::optional<std::vector<Contrast>> PosthocWindow::chosenContrasts()
{
    return std::vector<Contrast>{};
}

std::optional<std::vector<std::string>> PosthocWindow::linesUnderTable(const Design& design, const Scores& scores,
                                                                       const AnovaTable& table,
                                                                       const std::vector<Contrast>&)
{
    Design shown = design;
    if (!labelsInUse())
        for (Factor& f : shown.factors)
            f.levelLabels.clear();
    const PosthocRequest wanted = request();
    const PosthocResult result = pairwiseComparisons(shown, scores, table, wanted);
    if (result.refusal) {
        shell()->dialogs().message(*result.refusal);
        return std::nullopt;
    }
    return posthocLines(shown, wanted, result);
}

}  // namespace varisect
