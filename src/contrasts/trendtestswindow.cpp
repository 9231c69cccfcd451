// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrasts/trendtestswindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>

#include "output/documentprinter.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/qttext.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

std::string defaultValuesText(int levels)
{
    std::string s;
    for (int i = 1; i <= levels; ++i)
        s += (i > 1 ? ", " : "") + std::to_string(i);
    return s;
}

}  // namespace

TrendTestsWindow::TrendTestsWindow(ContrastParts parts, ShellContext context, ContrastHandOver handOver,
                                   QWidget* parent)
    : ContrastWindow(parts, std::move(context), std::move(handOver), kTrendTestsTitle, kHelpTrendTests, parent),
      offered_(eligibleFactors(design(), ContrastKind::Trend))
{
    setObjectName(QStringLiteral("trendTestsWindow"));
    auto* frame = new QGroupBox(QStringLiteral("Factors with 3 or more levels:"));
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("Level values")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Trends up to")), 0, 2);
    const QFont fixed = fixedPitchFont(QApplication::font().pointSizeF());
    int row = 1;
    for (const int k : offered_) {
        const Factor& f = design().factor(k);
        Line line;
        line.factor = k;
        line.chosen = new QCheckBox(qs(f.name + " (" + std::to_string(f.levels) + " levels)"), frame);
        line.chosen->setObjectName(QStringLiteral("factorCheck%1").arg(k));
        line.chosen->setChecked(offered_.size() == 1);
        shell()->explain(line.chosen, QStringLiteral("Tick to test the trends of this factor's marginal means."));
        line.values = new QLineEdit(qs(defaultValuesText(f.levels)), frame);
        line.values->setObjectName(QStringLiteral("valuesBox%1").arg(k));
        line.values->setMinimumWidth(line.values->fontMetrics().horizontalAdvance(QStringLiteral("0000, ")) *
                                     std::min(f.levels, 8));
        shell()->explain(line.values,
                         QStringLiteral("The value of each level, in level order, separated by commas or blanks: "
                                        "the doses or times the levels stand for. Equally spaced values (1, 2, 3, "
                                        "...) give the usual tabled coefficients; unequal spacing gives the "
                                        "orthogonal polynomials for those values."));
        line.highest = new QComboBox(frame);
        line.highest->setObjectName(QStringLiteral("degreeBox%1").arg(k));
        for (int d = 1; d < f.levels; ++d)
            line.highest->addItem(qs(trendName(d)));
        line.highest->setCurrentIndex(line.highest->count() - 1);
        shell()->explain(line.highest, QStringLiteral("The highest trend tested. With all of them (up to L - 1 "
                                                      "for L levels) their sums of squares add up to the "
                                                      "factor's."));
        line.coefficients = new QLabel(frame);
        line.coefficients->setObjectName(QStringLiteral("coefficients%1").arg(k));
        line.coefficients->setFont(fixed);
        line.coefficients->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(line.chosen, row, 0);
        grid->addWidget(line.values, row, 1);
        grid->addWidget(line.highest, row, 2);
        grid->addWidget(line.coefficients, row + 1, 1, 1, 2);
        row += 2;
        lines_.push_back(line);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    for (Line& line : lines_) {
        const int k = line.factor;
        auto update = [this, k] {
            for (Line& l : lines_)
                if (l.factor == k)
                    showCoefficients(l);
        };
        connect(line.values, &QLineEdit::textChanged, this, update);
        connect(line.highest, &QComboBox::currentIndexChanged, this, update);
        showCoefficients(line);
    }

    auto* scroll = new QScrollArea;
    scroll->setWidget(frame);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    finishLayout(scroll, QStringLiteral("Orthogonal polynomial trends (linear, quadratic, cubic, ...) on the "
                                        "marginal means of each factor ticked. Each trend has 1 df and is tested "
                                        "against the error term of its factor's main effect."));
    resize(sizeHint().expandedTo(QSize(560, 300)));
}

TrendTestsWindow::~TrendTestsWindow() = default;

void TrendTestsWindow::refresh()
{
    for (Line& line : lines_)
        showCoefficients(line);
}

void TrendTestsWindow::showCoefficients(Line& line)
{
    const Factor& f = design().factor(line.factor);
    const ReadNumbers read = readLevelValues(splitNumberList(line.values->text().toStdString()), f);
    if (read.problem) {
        line.coefficients->setText(QStringLiteral("(coefficients once there is one distinct value per level)"));
        return;
    }
    QStringList rows;
    const int highest = line.highest->currentIndex() + 1;
    for (const std::string& text : coefficientLines(trendContrasts(line.factor, read.values, highest)))
        rows << qs(text);
    const FactorMeans m = meansOf(line.factor);
    if (!m.means.empty()) {
        QStringList means;
        for (const double v : m.means)
            means << QString::number(v, 'f', 2);
        rows << QStringLiteral("(marginal means: %1)").arg(means.join(QStringLiteral("  ")));
    }
    line.coefficients->setText(rows.join(QLatin1Char('\n')));
}

std::optional<std::vector<Contrast>> TrendTestsWindow::chosenContrasts()
{
    std::vector<Contrast> out;
    for (Line& line : lines_) {
        if (!line.chosen->isChecked())
            continue;
        const Factor& f = design().factor(line.factor);
        const ReadNumbers read = readLevelValues(splitNumberList(line.values->text().toStdString()), f);
        if (read.problem) {
            shell()->dialogs().message(*read.problem);
            line.values->setFocus();
            line.values->selectAll();
            return std::nullopt;
        }
        for (Contrast& c : trendContrasts(line.factor, read.values, line.highest->currentIndex() + 1))
            out.push_back(std::move(c));
    }
    if (out.empty()) {
        shell()->dialogs().message(Message{"No Trend Chosen!",
                                           "Tick at least one factor whose trends are to be tested.",
                                           MessageButtons::Ok, MessageIcon::Exclamation});
        return std::nullopt;
    }
    return out;
}

}  // namespace varisect
