// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/nestingwindow.h"

#include <algorithm>

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "shell/windowshell.h"
#include "design/anovadesign.h"
#include "design/nesting.h"

namespace varisect {

NestingWindow::NestingWindow(const Design& design, ShellContext shell, bool unequalGroupSizes, HandOver handOver,
                             QWidget* parent)
    : QDialog(parent),
      labels_(tableLabelsOf(design)),
      shell_(new WindowShell(*this, std::move(shell))),
      unequalGroupSizes_(unequalGroupSizes),
      handOver_(std::move(handOver))
{
    setWindowTitle(QString::fromUtf8(kNestingWindowTitle));
    setObjectName(QStringLiteral("nestingWindow"));
    // Closing the window is Cancel.
    shell_->onClose([this] { reject(); });
    shell_->addHelpKey(kHelpNesting);

    auto* hint = new QLabel(QStringLiteral("Click every relationship that holds in your design:"), this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("nestingList"));
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    list_->setWhatsThis(QStringLiteral("Click each pair in which the first factor is nested under the second. The "
                                       "program adds the nests they imply. Double-clicking a line accepts the "
                                       "choice."));
    for (const NestingLine& line : nestingLines(design)) {
        auto* item = new QListWidgetItem(QString::fromStdString(line.text), list_);
        item->setData(Qt::UserRole, QString::fromStdString(line.text));
    }
    hint->setBuddy(list_);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    connect(ok_, &QPushButton::clicked, this, &NestingWindow::accept);
    connect(cancel_, &QPushButton::clicked, this, &NestingWindow::reject);
    // The first press of a double-click toggles the line; the line double-clicked counts as
    // chosen whichever way that went.
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item)
            item->setSelected(true);
        accept();
    });

    shell_->explain(ok_, QStringLiteral("Accepts the relationships clicked in the list, with the ones they imply."));
    shell_->explain(cancel_, QStringLiteral("Leaves the list without choosing any nesting."));

    const QFontMetrics fm(list_->font());
    const int rows = std::clamp(list_->count(), 2, 14);
    list_->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("M nested under M")) + 60);
    list_->setMinimumHeight(fm.height() * rows + 12);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
}

void NestingWindow::accept()
{
    if (finished_)
        return;
    std::vector<NestRelation> selected;
    for (int row = 0; row < list_->count(); ++row) {
        const QListWidgetItem* item = list_->item(row);
        if (item->isSelected())
            selected.push_back(parseNestingLine(item->data(Qt::UserRole).toString().toStdString()));
    }
    const NestingOutcome outcome = closeNesting(labels_, selected, unequalGroupSizes_);
    if (!outcome.ok()) {
        shell_->dialogs().message(*outcome.error);
        return;  // open, with the selection as it was
    }
    finished_ = true;
    QDialog::accept();
    if (handOver_.accepted)
        handOver_.accepted(outcome.matrix);
}

void NestingWindow::reject()
{
    if (finished_)
        return;
    finished_ = true;
    QDialog::reject();
    if (handOver_.cancelled)
        handOver_.cancelled();
}

}  // namespace varisect
