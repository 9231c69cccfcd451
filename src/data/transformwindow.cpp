// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/transformwindow.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "platform/helpviewer.h"
#include "session/session.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

bool needsConstant(Transformation t)
{
    return t == Transformation::AddConstant || t == Transformation::MultiplyByConstant ||
           t == Transformation::RaiseToPower;
}

}  // namespace

TransformWindow::TransformWindow(WorkingDataParts parts, ShellContext shell, WorkingDataHandOver handOver,
                                 QWidget* parent)
    : QMainWindow(parent),
      shell_(new WindowShell(*this, std::move(shell))),
      data_(parts.data),
      file_(parts.file),
      handOver_(std::move(handOver))
{
    setObjectName(QStringLiteral("transformWindow"));
    setWindowTitle(QString::fromUtf8(kTransformationTitle));
    shell_->onClose([this] { finish(); });
    buildControls();

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    shell_->addExitItem(file);
    shell_->addHelpMenu(menuBar(), QStringLiteral("&Search for Help on..."), QStringLiteral("How to &Use Help"),
                        kHelpTransformData);
    clearChoice();
    // A small window, placed beside the grid so that the scores stay in sight.
    resize(sizeHint());
}

TransformWindow::~TransformWindow() = default;

void TransformWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

    auto* frame = new QGroupBox(QStringLiteral("Transformation Options:"), central);
    frame->setObjectName(QStringLiteral("optType"));
    options_ = new QButtonGroup(this);
    auto* frameLayout = new QVBoxLayout(frame);
    const struct {
        const char* caption;
        const char* name;
        Transformation code;
    } choices[] = {
        {"Raise to a power", "powerOption", Transformation::RaiseToPower},
        {"Multiply by a constant", "multiplyOption", Transformation::MultiplyByConstant},
        {"Add a constant (+ or -)", "addOption", Transformation::AddConstant},
        {"Arcsin", "arcsinOption", Transformation::Arcsin},
        {"Rank-Order", "rankOption", Transformation::RankOrder},
        {"Logarithm", "logOption", Transformation::Logarithm},
    };
    for (const auto& c : choices) {
        auto* b = new QRadioButton(QString::fromUtf8(c.caption), frame);
        b->setObjectName(QString::fromUtf8(c.name));
        options_->addButton(b, static_cast<int>(c.code));
        if (c.code != Transformation::Logarithm) {
            frameLayout->addWidget(b);
            continue;
        }
        // Which logarithm it is, beside the option.
        auto* row = new QHBoxLayout;
        row->addWidget(b);
        auto* note = new QLabel(QStringLiteral("(") + QString::fromUtf8(kNaturalLogarithmNote) + QStringLiteral(")"),
                                frame);
        note->setObjectName(QStringLiteral("logNote"));
        note->setEnabled(false);
        row->addWidget(note);
        row->addStretch(1);
        frameLayout->addLayout(row);
    }
    connect(options_, &QButtonGroup::idClicked, this, [this](int id) { choose(static_cast<Transformation>(id)); });
    shell_->explain(frame, QStringLiteral("Choose the transformation: x to a power, x times a constant, x plus a "
                                          "constant, 2 arcsin(x) for proportions, the ranks of the scores, or the "
                                          "natural logarithm ln(x)."));

    constantLabel_ = new QLabel(QStringLiteral("Enter constant:"), central);
    constantLabel_->setObjectName(QStringLiteral("constantLabel"));
    constant_ = new QLineEdit(central);
    constant_->setObjectName(QStringLiteral("constantBox"));
    constant_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[+-]?[0-9]*\\.?[0-9]*([eE][+-]?[0-9]*)?")), constant_));
    constant_->setMaxLength(24);
    constant_->setMinimumWidth(constant_->fontMetrics().horizontalAdvance(QStringLiteral("-00000.00000")) + 16);
    constantLabel_->setBuddy(constant_);
    for (QWidget* w : {static_cast<QWidget*>(constantLabel_), static_cast<QWidget*>(constant_)}) {
        QSizePolicy p = w->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        w->setSizePolicy(p);
    }
    shell_->explain(constant_, QStringLiteral("The constant to add or multiply by, or the exponent. Enter applies "
                                              "the transformation."));

    apply_ = new QPushButton(QStringLiteral("&Apply Current Transformation"), central);
    apply_->setObjectName(QStringLiteral("ApplyButton"));
    auto* revert = new QPushButton(QStringLiteral("&Revert to OK'd Data"), central);
    revert->setObjectName(QStringLiteral("CancelButton"));
    auto* finished = new QPushButton(QStringLiteral("Fi&nished"), central);
    finished->setObjectName(QStringLiteral("FinishedButton"));
    shell_->explain(apply_, QStringLiteral("Transforms every score with the chosen transformation. Each "
                                           "transformation works on the result of the ones before."));
    shell_->explain(revert, QStringLiteral("Undoes every transformation: the scores as \"Data OK\" accepted them."));
    shell_->explain(finished, QStringLiteral("Returns to the grid, which shows the transformed scores."));
    connect(apply_, &QPushButton::clicked, this, &TransformWindow::apply);
    connect(revert, &QPushButton::clicked, this, &TransformWindow::revert);
    connect(finished, &QPushButton::clicked, this, &TransformWindow::finish);
    shell_->setDefaultButton(apply_);

    auto* hint1 = new QLabel(QStringLiteral("You may apply as many transformations as you like."), central);
    auto* hint2 = new QLabel(QStringLiteral("Apply the transformations one at a time."), central);

    // The constant beside the options, level with the ones that take it.
    auto* constantColumn = new QVBoxLayout;
    constantColumn->addSpacing(frame->fontMetrics().height());
    constantColumn->addWidget(constantLabel_);
    constantColumn->addWidget(constant_);
    constantColumn->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(frame);
    middle->addSpacing(12);
    middle->addLayout(constantColumn);
    middle->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(apply_);
    buttons->addWidget(revert);
    buttons->addStretch(1);
    buttons->addWidget(finished);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(hint1);
    layout->addWidget(hint2);
    layout->addSpacing(6);
    layout->addLayout(middle, 1);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    applied_ = new QLabel(central);
    applied_->setObjectName(QStringLiteral("stepsApplied"));
    applied_->setWordWrap(true);
    layout->addWidget(applied_);
    showStepsApplied();
}

void TransformWindow::showStepsApplied()
{
    applied_->setText(QString::fromStdString(stepsSinceOkText(data_.stepsSinceOk())));
}

void TransformWindow::clearChoice()
{
    chosen_ = Transformation::None;
    options_->setExclusive(false);
    for (QAbstractButton* b : options_->buttons())
        b->setChecked(false);
    options_->setExclusive(true);
    constantLabel_->hide();
    constant_->hide();
    apply_->setEnabled(false);
}

void TransformWindow::choose(Transformation transformation)
{
    if (const std::optional<Message> problem = choiceProblem(transformation, data_.scores())) {
        if (shell_->dialogs().message(*problem, DialogAnswer::No) == DialogAnswer::Yes)
            shell_->platform().help.showContext(kHelpTransformData);
        clearChoice();
        return;
    }
    chosen_ = transformation;
    if (QAbstractButton* b = options_->button(static_cast<int>(transformation)))
        b->setChecked(true);
    const bool constant = needsConstant(transformation);
    constantLabel_->setText(transformation == Transformation::RaiseToPower ? QStringLiteral("Enter exponent:")
                                                                           : QStringLiteral("Enter constant:"));
    constantLabel_->setVisible(constant);
    constant_->setVisible(constant);
    apply_->setEnabled(transformation != Transformation::None);
    if (constant) {
        constant_->setFocus();
        constant_->selectAll();
    }
}

void TransformWindow::apply()
{
    if (chosen_ == Transformation::None)
        return;
    float c = 0;
    if (needsConstant(chosen_)) {
        const std::optional<float> typed = typedValue(constant_->text().toStdString());
        if (!typed) {
            shell_->dialogs().message(valueTooLargeMessage());
            return;
        }
        c = *typed;
        if (chosen_ == Transformation::RaiseToPower && c == 0 &&
            shell_->dialogs().message(zeroPowerQuestion()) != DialogAnswer::Yes)
            return;
    }
    const TransformResult result = transformScores(data_.scores(), chosen_, c);
    switch (result.status) {
    case TransformStatus::Done:
        file_.changed();
        data_.transformTo(result.scores, transformStepText(chosen_, c));
        scoresChanged();
        return;
    case TransformStatus::OutOfRange:
        // The scores an earlier step made may no longer suit the choice.
        choose(chosen_);
        return;
    case TransformStatus::Halted:
        shell_->dialogs().message(*result.message);
        return;
    case TransformStatus::Overflow:
        file_.changed();
        shell_->dialogs().message(*result.message);
        data_.revert();
        scoresChanged();
        return;
    }
}

void TransformWindow::revert()
{
    data_.revert();
    scoresChanged();
}

void TransformWindow::finish()
{
    if (handOver_.finished)
        handOver_.finished();
}

void TransformWindow::scoresChanged()
{
    showStepsApplied();
    if (handOver_.scoresChanged)
        handOver_.scoresChanged();
}

}  // namespace varisect
