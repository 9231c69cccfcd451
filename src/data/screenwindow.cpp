// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/screenwindow.h"

#include <QButtonGroup>
#include <QGridLayout>
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

#include "data/transform.h"
#include "platform/helpviewer.h"
#include "session/session.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

void keepSpaceWhenHidden(QWidget* w)
{
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

}  // namespace

ScreenWindow::ScreenWindow(WorkingDataParts parts, ShellContext shell, WorkingDataHandOver handOver, QWidget* parent)
    : QMainWindow(parent),
      shell_(new WindowShell(*this, std::move(shell))),
      data_(parts.data),
      file_(parts.file),
      handOver_(std::move(handOver))
{
    setObjectName(QStringLiteral("screenWindow"));
    setWindowTitle(QString::fromUtf8(kScreenTitle));
    shell_->onClose([this] { finish(); });
    buildControls();

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    shell_->addExitItem(file);
    shell_->addHelpMenu(menuBar(), QStringLiteral("&Search for Help on..."), QStringLiteral("How to &Use Help"),
                        kHelpScreenData);
    // A small window, placed beside the grid so that the scores stay in sight.
    resize(sizeHint());
}

ScreenWindow::~ScreenWindow() = default;

void ScreenWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

    auto* frame = new QGroupBox(QStringLiteral("Replace all scores:"), central);
    frame->setObjectName(QStringLiteral("screenFrame"));
    options_ = new QButtonGroup(this);
    auto* optionRow = new QHBoxLayout;
    const struct {
        const char* caption;
        const char* name;
        ScreenCondition code;
    } choices[] = {
        {"<", "lessOption", ScreenCondition::Less},
        {"=", "equalOption", ScreenCondition::Equal},
        {">", "greaterOption", ScreenCondition::Greater},
        {"between", "betweenOption", ScreenCondition::Between},
    };
    for (const auto& c : choices) {
        auto* b = new QRadioButton(QString::fromUtf8(c.caption), frame);
        b->setObjectName(QString::fromUtf8(c.name));
        options_->addButton(b, static_cast<int>(c.code));
        optionRow->addWidget(b);
        optionRow->addSpacing(10);
    }
    optionRow->addStretch(1);
    connect(options_, &QButtonGroup::idClicked, this, [this](int id) { choose(static_cast<ScreenCondition>(id)); });
    shell_->explain(frame, QStringLiteral("Choose which scores are replaced: those below, equal to (within "
                                          "0.00001) or above the value, or those strictly between two limits."));

    const auto box = [this, frame](const char* name) {
        auto* e = new QLineEdit(frame);
        e->setObjectName(QString::fromUtf8(name));
        e->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[+-]?[0-9]*\\.?[0-9]*([eE][+-]?[0-9]*)?")), e));
        e->setMaxLength(24);
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("-00000.00000")) + 16);
        shell_->keepEnter(e);
        connect(e, &QLineEdit::returnPressed, this, [this, e] { enterInBox(e); });
        return e;
    };
    valueLabel_ = new QLabel(frame);
    valueLabel_->setObjectName(QStringLiteral("valueLabel"));
    valueLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value_ = box("valueBox");
    upperLabel_ = new QLabel(QStringLiteral("<"), frame);
    upperLabel_->setObjectName(QStringLiteral("upperLabel"));
    upper_ = box("upperBox");
    auto* with = new QLabel(QStringLiteral("with"), frame);
    replacement_ = box("replacementBox");
    for (QWidget* w : {static_cast<QWidget*>(upperLabel_), static_cast<QWidget*>(upper_)})
        keepSpaceWhenHidden(w);
    shell_->explain(value_, QStringLiteral("The value the scores are compared with; for \"between\" the lower "
                                           "limit, which is not included."));
    shell_->explain(upper_, QStringLiteral("The upper limit for \"between\", which is not included."));
    shell_->explain(replacement_, QStringLiteral("The value that takes the place of every score that meets the "
                                                 "condition. An empty box counts as 0."));

    // Read as a sentence: "< [value]" or "> [lower] < [upper]", then "with [replacement]".
    auto* values = new QGridLayout;
    values->addWidget(valueLabel_, 0, 0);
    values->addWidget(value_, 0, 1);
    values->addWidget(upperLabel_, 0, 2, Qt::AlignRight);
    values->addWidget(upper_, 0, 3);
    values->addWidget(with, 1, 0, Qt::AlignRight);
    values->addWidget(replacement_, 1, 1);
    values->setColumnMinimumWidth(2, upperLabel_->sizeHint().width() + 12);
    values->setColumnStretch(4, 1);

    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addLayout(optionRow);
    frameLayout->addSpacing(6);
    frameLayout->addLayout(values);

    apply_ = new QPushButton(QStringLiteral("&Apply Screen"), central);
    apply_->setObjectName(QStringLiteral("ApplyButton"));
    auto* revert = new QPushButton(QStringLiteral("&Revert to OK'd Data"), central);
    revert->setObjectName(QStringLiteral("CancelButton"));
    auto* finished = new QPushButton(QStringLiteral("Fi&nished"), central);
    finished->setObjectName(QStringLiteral("FinishedButton"));
    shell_->explain(apply_, QStringLiteral("Replaces every score that meets the condition. Each screen works on "
                                           "the result of the ones before."));
    shell_->explain(revert, QStringLiteral("Undoes every screen: the scores as \"Data OK\" accepted them."));
    shell_->explain(finished, QStringLiteral("Returns to the grid, which shows the screened scores."));
    connect(apply_, &QPushButton::clicked, this, &ScreenWindow::apply);
    connect(revert, &QPushButton::clicked, this, &ScreenWindow::revert);
    connect(finished, &QPushButton::clicked, this, &ScreenWindow::finish);

    auto* hint1 = new QLabel(QStringLiteral("You may apply as many screens as you like."), central);
    auto* hint2 = new QLabel(QStringLiteral("Apply the screens one at a time."), central);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(apply_);
    buttons->addWidget(revert);
    buttons->addStretch(1);
    buttons->addWidget(finished);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(hint1);
    layout->addWidget(hint2);
    layout->addSpacing(6);
    layout->addWidget(frame);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    replaced_ = new QLabel(central);
    replaced_->setObjectName(QStringLiteral("replacedCount"));
    applied_ = new QLabel(central);
    applied_->setObjectName(QStringLiteral("stepsApplied"));
    applied_->setWordWrap(true);
    applied_->setText(QString::fromStdString(stepsSinceOkText(data_.stepsSinceOk())));
    layout->addWidget(replaced_);
    layout->addWidget(applied_);
    layout->addStretch(1);

    // Nothing chosen yet: one value box, nothing to apply.
    valueLabel_->setText(QString());
    upperLabel_->hide();
    upper_->hide();
    apply_->setEnabled(false);
}

void ScreenWindow::choose(ScreenCondition condition)
{
    chosen_ = condition;
    if (QAbstractButton* b = options_->button(static_cast<int>(condition)))
        b->setChecked(true);
    const bool between = condition == ScreenCondition::Between;
    static const char* const symbols[] = {"<", "=", ">", ">"};
    valueLabel_->setText(QString::fromUtf8(symbols[static_cast<int>(condition)]));
    upperLabel_->setVisible(between);
    upper_->setVisible(between);
    apply_->setEnabled(true);
    value_->setFocus();
    value_->selectAll();
}

void ScreenWindow::enterInBox(QLineEdit* box)
{
    if (!box->text().isEmpty() && apply_->isEnabled() && apply_->isVisible())
        apply();
}

void ScreenWindow::apply()
{
    if (!chosen_)
        return;
    ScreenRule rule;
    rule.condition = *chosen_;
    for (const auto& [box, slot] : {std::pair{value_, &rule.value}, std::pair{upper_, &rule.upper},
                                    std::pair{replacement_, &rule.replacement}}) {
        if (box == upper_ && rule.condition != ScreenCondition::Between)
            continue;
        const std::optional<float> typed = typedValue(box->text().toStdString());
        if (!typed) {
            shell_->dialogs().message(valueTooLargeMessage());
            box->setFocus();
            box->selectAll();
            return;
        }
        *slot = *typed;
    }
    if (const std::optional<Message> problem = screenProblem(rule)) {
        shell_->dialogs().message(*problem);
        upper_->setFocus();
        upper_->selectAll();
        return;
    }
    file_.changed();
    const long replaced = screenedCount(data_.scores(), rule);
    data_.transformTo(screenScores(data_.scores(), rule), screenStepText(rule, replaced));
    replaced_->setText(QString::fromStdString(replacedCountText(replaced)));
    scoresChanged();
}

void ScreenWindow::revert()
{
    data_.revert();
    replaced_->clear();
    scoresChanged();
}

void ScreenWindow::finish()
{
    if (handOver_.finished)
        handOver_.finished();
}

void ScreenWindow::scoresChanged()
{
    applied_->setText(QString::fromStdString(stepsSinceOkText(data_.stepsSinceOk())));
    if (handOver_.scoresChanged)
        handOver_.scoresChanged();
}

}  // namespace varisect
