// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/levellabelswindow.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "session/session.h"
#include "platform/platform.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

QPushButton* makeButton(const char* caption, const char* objectName, const char* help, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromUtf8(objectName));
    b->setWhatsThis(QString::fromUtf8(help));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

LevelLabelsWindow::LevelLabelsWindow(DesignState& design, ShellContext shell, int skipFactor, HandOver handOver,
                                     QWidget* parent)
    : QDialog(parent), design_(design), shell_(new WindowShell(*this, std::move(shell))),
      handOver_(std::move(handOver)), walk_(design.design, skipFactor)
{
    // Closing the window gives up the labels, as "&Cancel" does.
    shell_->onClose([this] { reject(); });
    setWindowTitle(QString::fromUtf8(kLevelLabelsTitle));
    setObjectName(QStringLiteral("levelLabelsWindow"));

    prompt_ = new QLabel(this);
    prompt_->setObjectName(QStringLiteral("prompt"));
    prompt_->setWordWrap(true);
    // Room for the longest prompt on two lines, so the window does not jump as it changes.
    const QFontMetrics fm(font());
    prompt_->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("Please enter a label for Factor 8, Subjects, Level 12.")) + 8);
    prompt_->setMinimumHeight(fm.lineSpacing() * 2 + 4);

    entry_ = new QLineEdit(this);
    entry_->setObjectName(QStringLiteral("labelEntry"));
    entry_->setFixedWidth(fm.horizontalAdvance(QStringLiteral("MMMM")) + 16);
    entry_->setWhatsThis(QStringLiteral("Type the label for the level named in the prompt: one or two characters. "
                                        "Press Enter or OK to go on to the next level."));

    auto* note = new QLabel(QString::fromUtf8(kLevelLabelNote), this);
    note->setObjectName(QStringLiteral("note"));

    ok_ = makeButton("OK", "okButton", "Takes the label in the box for the level named in the prompt.", this);
    ok_->setDefault(true);
    cellIndices_ = makeButton("Use Cell &Indices For This Factor", "cellIndicesButton",
                              "Labels the levels of this factor with their numbers 1, 2, 3, ... and goes on to "
                              "the next factor.",
                              this);
    startOver_ = makeButton("&Start Over", "startOverButton",
                            "Returns to the first level of the first factor; labels given so far are kept until "
                            "you replace them.",
                            this);
    finished_ = makeButton("&Finished", "finishedButton",
                           "Checks that no factor has two levels with the same label and returns to the window "
                           "you came from.",
                           this);
    cancel_ = makeButton("&Cancel", "cancelButton",
                         "Gives up labels for this design: the levels are shown by their numbers.", this);

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(entry_);
    entryRow->addSpacing(12);
    entryRow->addWidget(ok_);
    entryRow->addStretch(1);

    auto* buttons = new QGridLayout;
    buttons->addWidget(cellIndices_, 0, 0, 1, 3);
    buttons->addWidget(startOver_, 1, 0);
    buttons->addWidget(finished_, 1, 1);
    buttons->addWidget(cancel_, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);
    layout->addWidget(prompt_);
    layout->addLayout(entryRow);
    layout->addWidget(note);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    connect(entry_, &QLineEdit::textEdited, this, &LevelLabelsWindow::entryEdited);
    connect(ok_, &QPushButton::clicked, this, &LevelLabelsWindow::okClicked);
    connect(cellIndices_, &QPushButton::clicked, this, &LevelLabelsWindow::cellIndicesClicked);
    connect(startOver_, &QPushButton::clicked, this, &LevelLabelsWindow::startOverClicked);
    connect(finished_, &QPushButton::clicked, this, &LevelLabelsWindow::finishedClicked);
    connect(cancel_, &QPushButton::clicked, this, &LevelLabelsWindow::cancelClicked);
    for (QWidget* w : std::initializer_list<QWidget*>{entry_, ok_, cellIndices_, startOver_, finished_, cancel_})
        shell_->explain(w, w->whatsThis());
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { shell_->platform().help.showContext(kHelpLevelLabels); });

    refresh();
}

void LevelLabelsWindow::refresh()
{
    prompt_->setText(QString::fromStdString(walk_.prompt()));
    entry_->setEnabled(walk_.asking());
    ok_->setEnabled(walk_.asking());
    cellIndices_->setEnabled(walk_.asking());
    finished_->setEnabled(walk_.finishedEnabled());
    if (walk_.asking()) {
        ok_->setDefault(true);
        entry_->setFocus();
    } else {
        finished_->setDefault(true);
        finished_->setFocus();
    }
}

void LevelLabelsWindow::entryEdited(const QString& text)
{
    if (const auto m = LevelLabels::checkTyping(text.toStdString())) {
        shell_->dialogs().message(*m);
        entry_->clear();
        entry_->setFocus();
    }
}

void LevelLabelsWindow::okClicked()
{
    if (const auto m = walk_.accept(entry_->text().toStdString())) {
        shell_->dialogs().message(*m);
        if (LevelLabels::checkTyping(entry_->text().toStdString()))
            entry_->clear();
        entry_->setFocus();
        return;
    }
    entry_->clear();
    refresh();
}

void LevelLabelsWindow::cellIndicesClicked()
{
    walk_.useCellIndices();
    entry_->clear();
    refresh();
}

void LevelLabelsWindow::startOverClicked()
{
    walk_.startOver();
    entry_->clear();
    refresh();
}

void LevelLabelsWindow::finishedClicked()
{
    if (const auto m = walk_.finish(design_.design)) {
        shell_->dialogs().message(*m);
        refresh();
        return;
    }
    closing_ = true;
    hide();
    if (handOver_.finished)
        handOver_.finished();
}

void LevelLabelsWindow::cancelClicked()
{
    design_.labelsInUse = false;
    closing_ = true;
    hide();
    if (handOver_.cancelled)
        handOver_.cancelled();
}

void LevelLabelsWindow::reject()
{
    if (closing_) {
        QDialog::reject();
        return;
    }
    cancelClicked();
}

}  // namespace varisect
