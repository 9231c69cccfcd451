// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/explanationwindow.h"

#include <algorithm>

#include <QAction>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "output/document.h"
#include "platform/platform.h"
#include "shell/windowshell.h"
#include "design/anovadesign.h"

namespace varisect {

namespace {

struct Captions {
    const char* title;
    const char* printItem;
    const char* printDialog;
    const char* copyItem;
};

Captions captionsOf(ExplanationWindow::Kind kind)
{
    if (kind == ExplanationWindow::Kind::DesignOptions)
        return {kDesignOptionsTitle, "&Print Explanation", "Print Explanation", "&Copy Design Explanation to Clipboard"};
    return {kNestingExplanationTitle, "&Print Nesting Explanation", "Print Nesting Explanation",
            "&Copy Nesting Explanation to Clipboard"};
}

}  // namespace

ExplanationWindow::ExplanationWindow(Kind kind, ShellContext shell, HandOver handOver, QWidget* parent)
    : QMainWindow(parent), kind_(kind), shell_(new WindowShell(*this, std::move(shell))), handOver_(std::move(handOver))
{
    // The close button leaves the explanation as the return button does.
    shell_->onClose([this] { returnButton_->click(); });
    shell_->addHelpKey(kHelpDesignExplanations);
    const Captions c = captionsOf(kind);
    setWindowTitle(QString::fromUtf8(c.title));
    setObjectName(kind == Kind::DesignOptions ? QStringLiteral("designOptionsWindow")
                                              : QStringLiteral("nestingExplanationWindow"));

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    printAction_ = file->addAction(QString::fromUtf8(c.printItem), this, &ExplanationWindow::print);
    printAction_->setShortcut(QKeySequence::Print);
    file->addSeparator();
    exitAction_ = shell_->addExitItem(file, QStringLiteral("E&xit"));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    copyAction_ = edit->addAction(QString::fromUtf8(c.copyItem), this, &ExplanationWindow::copy);
    copyAction_->setShortcut(QKeySequence::Copy);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    view_ = new QTextEdit(central);
    view_->setObjectName(QStringLiteral("explanationText"));
    view_->setReadOnly(true);
    // The window's own copy item copies the whole text; the shortcut belongs to it.
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setTextInteractionFlags(Qt::NoTextInteraction);
    view_->setPlainText(QString::fromStdString(text()));

    returnButton_ = new QPushButton(QStringLiteral("&Return to Specification Window"), central);
    returnButton_->setObjectName(QStringLiteral("returnButton"));
    connect(returnButton_, &QPushButton::clicked, this, [this] {
        hide();
        if (handOver_.returnToDesign)
            handOver_.returnToDesign();
    });
    auto* buttons = new QHBoxLayout;
    if (kind == Kind::DesignOptions) {
        nestingButton_ = new QPushButton(QStringLiteral("&Nesting Explanation"), central);
        nestingButton_->setObjectName(QStringLiteral("nestingExplanationButton"));
        connect(nestingButton_, &QPushButton::clicked, this, [this] {
            if (handOver_.showNesting)
                handOver_.showNesting();
        });
        buttons->addWidget(nestingButton_);
    }
    buttons->addStretch(1);
    buttons->addWidget(returnButton_);
    shell_->setDefaultButton(returnButton_);

    shell_->explain(returnButton_, QStringLiteral("Goes back to the \"Design Specification\" window."));
    if (nestingButton_)
        shell_->explain(nestingButton_, QStringLiteral("Explains what nesting means and how to specify it."));

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);

    // About 70 characters a line, and room for the whole text without scrolling where it fits.
    const QFontMetrics fm(view_->font());
    const int width = fm.averageCharWidth() * 72 + 40;
    view_->setMinimumWidth(width);
    view_->document()->setTextWidth(width - 30);
    const int textHeight = static_cast<int>(view_->document()->size().height()) + 16;
    view_->setMinimumHeight(std::min(textHeight, fm.lineSpacing() * 30));
}

const std::vector<std::string>& ExplanationWindow::paragraphs() const
{
    return kind_ == Kind::DesignOptions ? designOptionsParagraphs() : nestingExplanationParagraphs();
}

std::string ExplanationWindow::text() const
{
    return explanationText(paragraphs());
}

void ExplanationWindow::copy()
{
    shell_->copyText(text());
}

void ExplanationWindow::print()
{
    OutputDocument document;
    for (const std::string& paragraph : paragraphs())
        document.paragraph(paragraph);
    shell_->print(document, captionsOf(kind_).printDialog);
}

void ExplanationWindow::closeForExit()
{
    shell_->closeQuietly();
}

}  // namespace varisect
