// SPDX-License-Identifier: GPL-3.0-or-later
#include "means/panelsdialog.h"

#include <algorithm>

#include <QButtonGroup>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "means/cellmeans.h"
#include "platform/helpviewer.h"
#include "shell/windowshell.h"

namespace varisect {

PanelsDialog::PanelsDialog(const std::string& prompt, const std::vector<std::string>& names, ShellContext shell,
                           HandOver handOver, QWidget* parent)
    : QDialog(parent), shell_(new WindowShell(*this, std::move(shell))), handOver_(std::move(handOver))
{
    setWindowTitle(QString::fromUtf8(kPanelsWindowTitle));
    setObjectName(QStringLiteral("panelsDialog"));
    setWindowModality(Qt::ApplicationModal);
    shell_->onClose([this] { reject(); });

    auto* promptLabel = new QLabel(QString::fromStdString(prompt), this);
    promptLabel->setObjectName(QStringLiteral("panelPrompt"));
    promptLabel->setWordWrap(true);

    auto* frame = new QGroupBox(QString::fromUtf8(kPanelsFrameCaption), this);
    frame->setObjectName(QStringLiteral("Thirdfac"));
    options_ = new QButtonGroup(frame);
    auto* optionsLayout = new QVBoxLayout(frame);
    for (size_t k = 0; k < names.size(); ++k) {
        QString name = QString::fromStdString(names[k]);
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* option = new QRadioButton(name, frame);
        option->setObjectName(QStringLiteral("Thirdfac%1").arg(k));
        option->setChecked(k == 0);
        options_->addButton(option, static_cast<int>(k));
        optionsLayout->addWidget(option);
    }
    optionsLayout->addStretch(1);
    shell_->explain(frame, QStringLiteral("Click the factor whose levels each get a panel of their own: the "
                                          "table is shown for its first level, and \"Next Level\" steps through "
                                          "the others."));

    auto* ok = new QPushButton(QString::fromUtf8(kPanelsOkCaption), this);
    ok->setObjectName(QStringLiteral("okButton"));
    auto* cancel = new QPushButton(QString::fromUtf8(kPanelsCancelCaption), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    shell_->setDefaultButton(ok);
    connect(ok, &QPushButton::clicked, this, &PanelsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PanelsDialog::reject);
    shell_->explain(ok, QStringLiteral("Shows the table for the first level of the factor chosen."));
    shell_->explain(cancel, QStringLiteral("Goes back to the whole table."));

    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] { shell_->platform().help.showContext(kHelpPanels); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(promptLabel);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    // Wide enough for the title and for the prompt on two lines at most.
    const QFontMetrics fm(font());
    promptLabel->setMinimumWidth(std::max(fm.horizontalAdvance(windowTitle()) + 120,
                                          std::min(fm.horizontalAdvance(promptLabel->text()) / 2 + fm.averageCharWidth() * 8,
                                                   fm.averageCharWidth() * 60)));
    resize(sizeHint());
}

void PanelsDialog::accept()
{
    if (finished_)
        return;
    const int chosen = options_->checkedId();
    if (chosen < 0)
        return;
    finished_ = true;
    QDialog::accept();
    if (handOver_.chosen)
        handOver_.chosen(chosen);
}

void PanelsDialog::reject()
{
    if (finished_)
        return;
    finished_ = true;
    QDialog::reject();
    if (handOver_.cancelled)
        handOver_.cancelled();
}

}  // namespace varisect
