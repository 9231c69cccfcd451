// SPDX-License-Identifier: GPL-3.0-or-later
#include "means/pairselectordialog.h"

#include <algorithm>

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "shell/windowshell.h"

namespace varisect {

PairSelectorDialog::PairSelectorDialog(PairSelector selector, ShellContext shell, HandOver handOver, QWidget* parent)
    : QDialog(parent),
      selector_(std::move(selector)),
      shell_(new WindowShell(*this, std::move(shell))),
      handOver_(std::move(handOver))
{
    setWindowTitle(QString::fromUtf8(kPairsSelTitle));
    setObjectName(QStringLiteral("pairSelector"));
    // The window that asked stays in view behind the selector but takes no input meanwhile.
    setWindowModality(Qt::ApplicationModal);
    shell_->onClose([this] { reject(); });

    auto* hint = new QLabel(QStringLiteral("Click each pair of factors you want to see (click again to "
                                           "de-select):"),
                            this);
    hint->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("pairList"));
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    list_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    for (const std::string& line : selector_.lines())
        new QListWidgetItem(QString::fromStdString(line), list_);
    hint->setBuddy(list_);
    shell_->explain(list_, QStringLiteral("Click every pair of factors whose table you want to see, or \"All "
                                          "pairs\" for every one of them. The tables are shown one pair at a "
                                          "time, in this order."));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    shell_->setDefaultButton(ok);
    connect(ok, &QPushButton::clicked, this, &PairSelectorDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PairSelectorDialog::reject);
    shell_->explain(ok, QStringLiteral("Shows the tables of the pairs clicked in the list."));
    shell_->explain(cancel, QStringLiteral("Goes back without showing any table."));

    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] { shell_->platform().help.showContext(kHelpPairSelection); });

    // The list as tall as its lines (it scrolls only when the screen is too small for them) and
    // wide enough for the longest one and the title.
    const QFontMetrics fm(list_->font());
    int widest = fm.horizontalAdvance(windowTitle()) + 120;
    for (int row = 0; row < list_->count(); ++row)
        widest = std::max(widest, fm.horizontalAdvance(list_->item(row)->text()) + 48);
    list_->setMinimumWidth(widest);
    list_->setMinimumHeight(3 * std::max(list_->sizeHintForRow(0), fm.height()) + 2 * list_->frameWidth());

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(sizeHint());
}

void PairSelectorDialog::accept()
{
    if (finished_)
        return;
    std::vector<int> selected;
    for (int row = 0; row < list_->count(); ++row)
        if (list_->item(row)->isSelected())
            selected.push_back(row);
    PairSelector::Choice choice = selector_.choose(std::move(selected));
    if (!choice.ok()) {
        shell_->dialogs().message(*choice.error);
        return;  // open, with the selection as it was
    }
    finished_ = true;
    QDialog::accept();
    if (handOver_.chosen)
        handOver_.chosen(std::move(choice.pairs));
}

void PairSelectorDialog::reject()
{
    if (finished_)
        return;
    finished_ = true;
    QDialog::reject();
    if (handOver_.cancelled)
        handOver_.cancelled();
}

}  // namespace varisect
