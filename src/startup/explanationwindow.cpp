// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/explanationwindow.h"

#include <algorithm>

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "platform/platform.h"
#include "startup/anovadesign.h"

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

ExplanationWindow::ExplanationWindow(Kind kind, Platform& platform, HandOver handOver, QWidget* parent)
    : QMainWindow(parent), kind_(kind), platform_(platform), handOver_(std::move(handOver))
{
    const Captions c = captionsOf(kind);
    setWindowTitle(QString::fromUtf8(c.title));
    setObjectName(kind == Kind::DesignOptions ? QStringLiteral("designOptionsWindow")
                                              : QStringLiteral("nestingExplanationWindow"));

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    printAction_ = file->addAction(QString::fromUtf8(c.printItem), this, &ExplanationWindow::print);
    printAction_->setShortcut(QKeySequence::Print);
    file->addSeparator();
    exitAction_ = file->addAction(QStringLiteral("E&xit"), this, [this] {
        if (handOver_.exitProgram)
            handOver_.exitProgram();
        else
            close();
    });
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
    returnButton_->setDefault(true);

    // A right click on a button explains it.
    auto whatsThis = [](QPushButton* b, const QString& help) {
        b->setWhatsThis(help);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QWidget::customContextMenuRequested, b,
                [b](const QPoint& pos) { QWhatsThis::showText(b->mapToGlobal(pos), b->whatsThis(), b); });
    };
    whatsThis(returnButton_, QStringLiteral("Goes back to the \"Design Specification\" window."));
    if (nestingButton_)
        whatsThis(nestingButton_, QStringLiteral("Explains what nesting means and how to specify it."));

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
    if (!platform_.clipboard.setText(text()))
        platform_.dialogs.message(clipboardProblemMessage());
}

void ExplanationWindow::print()
{
    QPrinter* printer = platform_.printer.choosePrinter(captionsOf(kind_).printDialog);
    if (!printer)
        return;  // cancelled

    QTextDocument document;
    QFont font = view_->font();
    font.setPointSizeF(11);
    document.setDefaultFont(font);
    document.documentLayout()->setPaintDevice(printer);
    document.setPlainText(QString::fromStdString(text()));

    QPainter painter;
    if (!painter.begin(printer)) {
        platform_.dialogs.message(printerUnavailableMessage());
        return;
    }
    // At least 20 mm of paper round the text, whatever margins the printer brings.
    const int dpi = printer->resolution();
    const QRectF page = printer->pageLayout().paintRectPixels(dpi);
    const QMarginsF have = printer->pageLayout().marginsPixels(dpi);
    const double want = 20.0 / 25.4 * dpi;
    const QMarginsF extra(std::max(0.0, want - have.left()), std::max(0.0, want - have.top()),
                          std::max(0.0, want - have.right()), std::max(0.0, want - have.bottom()));
    painter.translate(extra.left(), extra.top());
    const QSizeF pageSize(page.width() - extra.left() - extra.right(), page.height() - extra.top() - extra.bottom());
    document.setPageSize(pageSize);
    const int pages = document.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer->newPage()) {
            painter.end();
            platform_.dialogs.message(printerNotReadyMessage());
            return;
        }
        painter.save();
        painter.translate(0, -i * pageSize.height());
        document.drawContents(&painter, QRectF(QPointF(0, i * pageSize.height()), pageSize));
        painter.restore();
    }
    if (!painter.end() || printer->printerState() == QPrinter::Error)
        platform_.dialogs.message(printerNotReadyMessage());
}

void ExplanationWindow::closeForExit()
{
    closingForExit_ = true;
    close();
}

void ExplanationWindow::closeEvent(QCloseEvent* event)
{
    // The window's close button is the common exit path, as everywhere in the program.
    if (!closingForExit_ && handOver_.exitProgram) {
        event->ignore();
        handOver_.exitProgram();
        return;
    }
    event->accept();
    if (!closingForExit_ && handOver_.returnToDesign)
        handOver_.returnToDesign();  // no exit path to take: closing leaves the way back open
}

}  // namespace varisect
