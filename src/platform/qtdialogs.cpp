// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtdialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include "platform/helpviewer.h"

namespace varisect {

namespace {

struct ButtonAnswer {
    QMessageBox::StandardButton button;
    DialogAnswer answer;
};

// The buttons of each set in the order they are shown, each with the answer it gives.
QList<ButtonAnswer> buttonsOf(MessageButtons buttons)
{
    using B = QMessageBox;
    using A = DialogAnswer;
    switch (buttons) {
    case MessageButtons::Ok:
        return {{B::Ok, A::Ok}};
    case MessageButtons::OkCancel:
        return {{B::Ok, A::Ok}, {B::Cancel, A::Cancel}};
    case MessageButtons::YesNo:
        return {{B::Yes, A::Yes}, {B::No, A::No}};
    case MessageButtons::YesNoCancel:
        return {{B::Yes, A::Yes}, {B::No, A::No}, {B::Cancel, A::Cancel}};
    case MessageButtons::RetryCancel:
        return {{B::Retry, A::Retry}, {B::Cancel, A::Cancel}};
    case MessageButtons::AbortRetryIgnore:
        return {{B::Abort, A::Abort}, {B::Retry, A::Retry}, {B::Ignore, A::Ignore}};
    }
    return {{B::Ok, A::Ok}};
}

QMessageBox::Icon iconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The answer of a box closed without a button (Escape or the window's close box): what the
// user means by "go away" among the buttons offered.
DialogAnswer closedAnswer(MessageButtons buttons)
{
    const QList<ButtonAnswer> offered = buttonsOf(buttons);
    for (const DialogAnswer preferred : {DialogAnswer::Cancel, DialogAnswer::No, DialogAnswer::Abort}) {
        for (const ButtonAnswer& b : offered) {
            if (b.answer == preferred)
                return preferred;
        }
    }
    return offered.front().answer;
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString displayText(const std::string& text)
{
    QString shown = fromUtf8(text);
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // A number without its leading zero (" .025") would be broken after its point when the box
    // wraps the line; a word joiner keeps it whole.
    static const QRegularExpression bareDecimal(QStringLiteral("(^|\\s)\\.(?=\\d)"));
    shown.replace(bareDecimal, QStringLiteral("\\1.") + QChar(0x2060));
    return shown;
}

QtDialogs::QtDialogs(HelpViewer& help, ParentProvider parent) : help_(help), parent_(std::move(parent)) {}

QWidget* QtDialogs::parentWindow() const
{
    if (parent_) {
        if (QWidget* w = parent_())
            return w;
    }
    return QApplication::activeWindow();
}

DialogAnswer QtDialogs::message(const Message& message, std::optional<DialogAnswer> defaultButton)
{
    QMessageBox box(parentWindow());
    box.setWindowTitle(fromUtf8(message.title));
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(message.text));
    box.setIcon(iconOf(message.icon));

    const QList<ButtonAnswer> offered = buttonsOf(message.buttons);
    QMessageBox::StandardButtons set;
    for (const ButtonAnswer& b : offered)
        set |= b.button;
    box.setStandardButtons(set);

    QMessageBox::StandardButton initial = offered.front().button;
    if (defaultButton) {
        for (const ButtonAnswer& b : offered) {
            if (b.answer == *defaultButton)
                initial = b.button;
        }
    }
    box.setDefaultButton(initial);

    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonAnswer& b : offered) {
        if (b.button == clicked)
            return b.answer;
    }
    return closedAnswer(message.buttons);
}

std::optional<std::string> QtDialogs::inputBox(const std::string& title, const std::string& prompt,
                                               const std::string& initialText)
{
    QInputDialog dialog(parentWindow());
    dialog.setWindowTitle(fromUtf8(title));
    dialog.setLabelText(displayText(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(fromUtf8(initialText));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<std::string> QtDialogs::openFile(const FileDialogOptions& options)
{
    return fileDialog(options, false);
}

std::optional<std::string> QtDialogs::saveFile(const FileDialogOptions& options)
{
    return fileDialog(options, true);
}

std::optional<std::string> QtDialogs::fileDialog(const FileDialogOptions& options, bool save)
{
    QWidget* parent = parentWindow();
    QFileDialog dialog(parent, fromUtf8(options.title));
    // Qt's own dialog on every desktop, so that the Help button has a place in it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(save && options.overwritePrompt));
    if (!options.filter.empty())
        dialog.setNameFilter(fromUtf8(options.filter));
    if (!options.defaultExtension.empty()) {
        QString suffix = fromUtf8(options.defaultExtension);
        while (suffix.startsWith(QLatin1Char('.')))
            suffix.remove(0, 1);
        dialog.setDefaultSuffix(suffix);
    }
    if (!options.initialPath.empty()) {
        const QFileInfo start(fromUtf8(options.initialPath));
        if (start.isDir()) {
            dialog.setDirectory(start.absoluteFilePath());
        } else {
            dialog.setDirectory(start.absolutePath());
            dialog.selectFile(start.fileName());
        }
    }
    dialog.resize(dialog.sizeHint().expandedTo(QSize(720, 460)));
    // Modal for the window it belongs to only, so that the help window stays usable.
    if (parent)
        dialog.setWindowModality(Qt::WindowModal);

    if (options.helpContext != 0) {
        QPushButton* helpButton = nullptr;
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
            helpButton = buttons->addButton(QDialogButtonBox::Help);
        } else if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            helpButton = new QPushButton(QFileDialog::tr("Help"), &dialog);
            grid->addWidget(helpButton, grid->rowCount(), grid->columnCount() - 1);
        }
        if (helpButton) {
            helpButton->setObjectName(QStringLiteral("helpButton"));
            const int context = options.helpContext;
            QObject::connect(helpButton, &QPushButton::clicked, &dialog, [this, context] { help_.showContext(context); });
        }
    }

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return std::nullopt;
    return chosen.front().toUtf8().toStdString();
}

}  // namespace varisect
