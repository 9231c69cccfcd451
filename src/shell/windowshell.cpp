// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/windowshell.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QWhatsThis>
#include <QWidget>

#include "data/datafilewriter.h"
#include "output/document.h"
#include "output/documentcommands.h"
#include "output/documentprinter.h"
#include "platform/qtwindowutils.h"

namespace varisect {

namespace {

const char* const kKeepsEnter = "varisectKeepsEnter";

bool isMultiLine(const QWidget* w)
{
    return qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)
        || qobject_cast<const QAbstractItemView*>(w);
}

}  // namespace

WindowShell::WindowShell(QWidget& window, ShellContext context)
    : QObject(&window), window_(window), context_(std::move(context))
{
    window_.installEventFilter(this);
    giveButtonsRoom();
    // Alt+F4 and the platform's Quit key run the common exit path in every window.
    for (const QKeySequence& keys : {QKeySequence(Qt::ALT | Qt::Key_F4), QKeySequence(QKeySequence::Quit)}) {
        auto* s = new QShortcut(keys, &window_);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, &WindowShell::exitProgram);
    }
}

void WindowShell::exitProgram()
{
    if (context_.exitProgram)
        context_.exitProgram();
    else
        closeQuietly();
}

AnalysisOptions WindowShell::analysisOptions() const
{
    return context_.analysisOptions ? context_.analysisOptions() : AnalysisOptions{};
}

void WindowShell::closeQuietly()
{
    if (closingQuietly_)
        return;
    closingQuietly_ = true;
    if (closing_)
        closing_();
    window_.close();
}

QAction* WindowShell::addExitItem(QMenu* file, const QString& caption)
{
    QAction* exit = file->addAction(caption, this, &WindowShell::exitProgram);
    exit->setObjectName(QStringLiteral("exitAction"));
    return exit;
}

QMenu* WindowShell::addHelpMenu(QMenuBar* bar, const QString& searchCaption, const QString& helpOnHelpCaption,
                                int helpContext)
{
    HelpViewer& help = context_.platform.help;
    QMenu* menu = bar->addMenu(QStringLiteral("&Help"));
    menu->setObjectName(QStringLiteral("helpMenu"));
    QAction* contents = menu->addAction(QStringLiteral("&Contents..."), this, [&help] { help.showContents(); });
    contents->setObjectName(QStringLiteral("helpContentsAction"));
    QAction* search = menu->addAction(searchCaption, this, [&help] { help.showSearch(); });
    search->setObjectName(QStringLiteral("helpSearchAction"));
    if (!helpOnHelpCaption.isEmpty()) {
        QAction* onHelp = menu->addAction(helpOnHelpCaption, this, [&help] { help.showHelpOnHelp(); });
        onHelp->setObjectName(QStringLiteral("helpOnHelpAction"));
    }
    if (helpContext >= 0) {
        auto* f1 = new QShortcut(QKeySequence::HelpContents, &window_);
        connect(f1, &QShortcut::activated, this, [&help, helpContext] {
            if (helpContext > 0)
                help.showContext(helpContext);
            else
                help.showContents();
        });
    }
    return menu;
}

void WindowShell::addHelpKey(int helpContext)
{
    auto* f1 = new QShortcut(QKeySequence::HelpContents, &window_);
    HelpViewer& help = context_.platform.help;
    connect(f1, &QShortcut::activated, this, [&help, helpContext] { help.showContext(helpContext); });
}

QAction* WindowShell::addPrinterSetupItem(QMenu* file)
{
    QAction* setup = file->addAction(QStringLiteral("P&rinter Setup..."), this,
                                     [this] { context_.platform.printer.printerSetup(); });
    setup->setObjectName(QStringLiteral("printerSetupAction"));
    return setup;
}

void WindowShell::explain(QWidget* widget, const QString& text)
{
    widget->setWhatsThis(text);
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(widget, &QWidget::customContextMenuRequested, this,
            [widget](const QPoint& pos) { QWhatsThis::showText(widget->mapToGlobal(pos), widget->whatsThis(), widget); });
}

void WindowShell::setDefaultButton(QPushButton* button)
{
    defaultButton_ = button;
    button->setDefault(true);
}

void WindowShell::keepEnter(QWidget* widget)
{
    widget->setProperty(kKeepsEnter, true);
    // The widget may move the focus on Enter (to a button, say) before the key reaches the
    // window; the key it had is remembered so that it does not press that button as well.
    widget->installEventFilter(this);
}

bool WindowShell::copyText(const std::string& text, MessageIcon icon)
{
    if (context_.platform.clipboard.setText(text))
        return true;
    dialogs().message(clipboardProblemMessage(icon));
    return false;
}

bool WindowShell::saveCsv(const std::string& dialogTitle, const std::string& text)
{
    FileDialogOptions options;
    options.title = dialogTitle;
    options.filter = "CSV Files (*.csv);;All Files (*)";
    options.defaultExtension = "csv";
    const std::optional<std::string> path = dialogs().saveFile(options);
    if (!path || path->empty())
        return false;
    const WriteResult written = writeFileSafely(*path, text);
    if (written.ok())
        return true;
    dialogs().message({dialogTitle, *path + " could not be written (" + written.description + ").", MessageButtons::Ok,
                       MessageIcon::Exclamation});
    return false;
}

bool WindowShell::copyImage(const std::vector<unsigned char>& png, MessageIcon icon)
{
    if (context_.platform.clipboard.setImage(png))
        return true;
    dialogs().message(clipboardProblemMessage(icon));
    return false;
}

bool WindowShell::print(const OutputDocument& document, const std::string& dialogTitle, MessageIcon icon)
{
    QPrinter* printer = context_.platform.printer.choosePrinter(dialogTitle);
    if (!printer)
        return false;  // the dialog was cancelled
    switch (printDocument(*printer, document)) {
    case PrintResult::Printed:
        return true;
    case PrintResult::Unavailable:
        dialogs().message(printerUnavailableMessage(icon));
        return false;
    case PrintResult::NotReady:
        dialogs().message(printerNotReadyMessage(icon));
        return false;
    }
    return false;
}

void WindowShell::addDocumentItems(QMenu* file, const std::string& what, std::function<OutputDocument()> content)
{
    QAction* created = file->addAction(QString::fromStdString(newDocumentCaption(what)), this, [this, content] {
        DocumentCommands commands(dialogs(), context_.platform.desktop);
        if (commands.newDocument(content()))
            showStatus(documentWrittenStatus(commands.writtenPath()));
    });
    created->setObjectName(QStringLiteral("newDocumentAction"));
    QAction* appended = file->addAction(QString::fromStdString(existingDocumentCaption(what)), this, [this, content] {
        DocumentCommands commands(dialogs(), context_.platform.desktop);
        if (commands.appendToDocument(content()))
            showStatus(documentWrittenStatus(commands.writtenPath()));
    });
    appended->setObjectName(QStringLiteral("existingDocumentAction"));
}

void WindowShell::showStatus(const std::string& text)
{
    if (auto* main = qobject_cast<QMainWindow*>(&window_))
        main->statusBar()->showMessage(QString::fromStdString(text));
}

void WindowShell::place()
{
    if (placed_)
        return;
    placed_ = true;
    centerForm(window_, context_.screenScale ? context_.screenScale() : 0.75,
               context_.runMaximized && context_.runMaximized());
}

void WindowShell::showInFront()
{
    place();
    if (window_.isMinimized())
        window_.showNormal();
    window_.show();
    window_.raise();
    window_.activateWindow();
}

bool WindowShell::enterPressed()
{
    QWidget* focus = window_.focusWidget();
    if (focus && (focus->property(kKeepsEnter).toBool() || isMultiLine(focus)))
        return false;
    if (auto* button = qobject_cast<QPushButton*>(focus); button && button->isEnabled() && button->isVisible()) {
        button->click();
        return true;
    }
    QPushButton* target = defaultButton_;
    if (!target || !target->isVisible()) {
        target = nullptr;
        for (QPushButton* b : window_.findChildren<QPushButton*>())
            if (b->isDefault() && b->isVisible() && b->window() == &window_) {
                target = b;
                break;
            }
    }
    if (!target || !target->isEnabled() || !target->isVisible())
        return false;
    target->click();
    return true;
}

bool WindowShell::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &window_) {
        if (event->type() == QEvent::KeyPress && watched->property(kKeepsEnter).toBool()) {
            keptKey_ = event;
            QTimer::singleShot(0, this, [this] { keptKey_ = nullptr; });
        }
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::Close) {
        if (closingQuietly_)
            return false;
        event->ignore();
        if (closeHandler_)
            closeHandler_();
        else
            exitProgram();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (event == keptKey_) {
            keptKey_ = nullptr;
            return false;
        }
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && enterPressed())
            return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace varisect
