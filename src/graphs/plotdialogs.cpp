// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphs/plotdialogs.h"

#include <algorithm>

#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>

#include "platform/helpviewer.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

void addHelpKey(QDialog* dialog, WindowShell* shell)
{
    auto* f1 = new QShortcut(QKeySequence::HelpContents, dialog);
    QObject::connect(f1, &QShortcut::activated, dialog,
                     [shell] { shell->platform().help.showContext(kHelpPlotDialogs); });
}

QPushButton* okButton(QDialog* dialog, WindowShell* shell, const QString& caption = QStringLiteral("OK"))
{
    auto* ok = new QPushButton(caption, dialog);
    ok->setObjectName(QStringLiteral("okButton"));
    shell->setDefaultButton(ok);
    return ok;
}

}  // namespace

YAxisStyleDialog::YAxisStyleDialog(AxisChoice current, DataRange range, ShellContext shell,
                                   std::function<void(AxisChoice)> chosen, QWidget* parent)
    : QDialog(parent),
      shell_(new WindowShell(*this, std::move(shell))),
      chosen_(std::move(chosen)),
      choice_(current),
      range_(range)
{
    setObjectName(QStringLiteral("yAxisStyleDialog"));
    setWindowTitle(QStringLiteral("Y-Axis Style"));
    setWindowModality(Qt::ApplicationModal);
    shell_->onClose([this] { accept(); });

    auto explanation = [this](const char* text) {
        auto* label = new QLabel(QString::fromUtf8(text).trimmed(), this);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation(kAxisStyleExplanation1));
    layout->addWidget(explanation(kAxisStyleExplanation2));
    const char* captions[3] = {kOwnRangeCaption, kDataRangeCaption, kEnteredRangeCaption};
    for (int k = 0; k < 3; ++k) {
        const auto mode = static_cast<YAxisMode>(k + 1);
        options_[k] = new QRadioButton(QString::fromUtf8(captions[k]), this);
        options_[k]->setObjectName(QStringLiteral("axisMode%1").arg(k + 1));
        connect(options_[k], &QRadioButton::clicked, this, [this, mode] { optionClicked(mode); });
        layout->addWidget(options_[k]);
    }
    shell_->explain(options_[0], QStringLiteral("Each plot gets a scale that fits its own means."));
    shell_->explain(options_[1], QStringLiteral("Every plot runs from the smallest to the largest score of the "
                                                "data set, so that the plots can be compared."));
    shell_->explain(options_[2], QStringLiteral("Every plot runs between a lower and an upper bound you enter, "
                                                "for example the end points of a response scale."));
    auto* ok = okButton(this, shell_);
    connect(ok, &QPushButton::clicked, this, &YAxisStyleDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    addHelpKey(this, shell_);
    showChoice();
    const QFontMetrics fm(font());
    setMinimumWidth(fm.averageCharWidth() * 70);
    resize(sizeHint());
}

QRadioButton* YAxisStyleDialog::option(YAxisMode mode) const
{
    return options_[static_cast<int>(mode) - 1];
}

void YAxisStyleDialog::showChoice()
{
    option(choice_.mode)->setChecked(true);
}

void YAxisStyleDialog::optionClicked(YAxisMode mode)
{
    if (mode == YAxisMode::Entered)
        choice_ = askBoundsForAllPlots(shell_->dialogs(), range_);
    else
        choice_ = AxisChoice{mode, {}};
    showChoice();
}

void YAxisStyleDialog::accept()
{
    if (finished_)
        return;
    finished_ = true;
    QDialog::accept();
    if (chosen_)
        chosen_(choice_);
}

TextEditor::TextEditor(const std::string& name, const std::string& text, QFont font, ShellContext shell,
                       std::function<void(std::string, QFont)> applied, QWidget* parent)
    : QDialog(parent), shell_(new WindowShell(*this, std::move(shell))), applied_(std::move(applied)), font_(font)
{
    setObjectName(QStringLiteral("TextEditor"));
    setWindowTitle(QString::fromStdString("Edit " + name + ":"));
    setWindowModality(Qt::ApplicationModal);
    shell_->onClose([this] { reject(); });

    edit_ = new QLineEdit(QString::fromStdString(text), this);
    edit_->setObjectName(QStringLiteral("titleText"));
    edit_->selectAll();
    sample_ = new QLabel(this);
    sample_->setObjectName(QStringLiteral("fontSample"));
    auto* fontButton = new QPushButton(QStringLiteral("&Font..."), this);
    fontButton->setObjectName(QStringLiteral("fontButton"));
    connect(fontButton, &QPushButton::clicked, this, &TextEditor::chooseFont);
    shell_->explain(fontButton, QStringLiteral("Chooses the typeface, style and size of the title."));
    auto* ok = okButton(this, shell_);
    connect(ok, &QPushButton::clicked, this, &TextEditor::accept);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(cancel, &QPushButton::clicked, this, &TextEditor::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    auto* row = new QHBoxLayout;
    row->addWidget(sample_, 1);
    row->addWidget(fontButton);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    addHelpKey(this, shell_);
    sample_->setText(QStringLiteral("%1, %2 pt").arg(font_.family()).arg(font_.pointSizeF()));
    setMinimumWidth(QFontMetrics(this->font()).averageCharWidth() * 60);
    resize(sizeHint());
}

void TextEditor::chooseFont()
{
    auto* dialog = new QFontDialog(font_, this);
    dialog->setWindowTitle(QStringLiteral("Select Font:"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFontDialog::fontSelected, this, [this](const QFont& f) {
        font_ = f;
        sample_->setText(QStringLiteral("%1, %2 pt").arg(font_.family()).arg(font_.pointSizeF()));
    });
    dialog->open();
}

void TextEditor::accept()
{
    QDialog::accept();
    if (applied_)
        applied_(edit_->text().toStdString(), font_);
}

Marker::Marker(const std::string& caption, int value, int minimum, int maximum, ShellContext shell,
               std::function<void(int)> moved, QWidget* parent)
    : QDialog(parent), shell_(new WindowShell(*this, std::move(shell)))
{
    setObjectName(QStringLiteral("Marker"));
    setWindowTitle(QString::fromStdString(caption));
    shell_->onClose([this] { accept(); });
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("slider"));
    slider_->setRange(minimum, maximum);
    slider_->setValue(std::clamp(value, minimum, maximum));
    slider_->setTickPosition(QSlider::TicksBelow);
    auto* shown = new QLabel(QString::number(slider_->value()), this);
    shown->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QStringLiteral("000")));
    connect(slider_, &QSlider::valueChanged, this, [shown, moved = std::move(moved)](int v) {
        shown->setText(QString::number(v));
        if (moved)
            moved(v);
    });
    shell_->explain(slider_, QStringLiteral("Drag the slider: the plot changes as it moves."));
    auto* ok = okButton(this, shell_);
    connect(ok, &QPushButton::clicked, this, &Marker::accept);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(slider_, 1);
    row->addWidget(shown);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    addHelpKey(this, shell_);
    setMinimumWidth(QFontMetrics(font()).averageCharWidth() * 45);
    resize(sizeHint());
}

}  // namespace varisect
