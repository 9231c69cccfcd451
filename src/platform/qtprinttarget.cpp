// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtprinttarget.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>

namespace varisect {

QtPrintTarget::QtPrintTarget(ParentProvider parent)
    : parent_(std::move(parent)), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    printer_->setDocName(QStringLiteral("Varisect"));
    // With no printer installed Qt prints to PDF; give that a file to go to.
    if (printer_->outputFormat() == QPrinter::PdfFormat && printer_->outputFileName().isEmpty()) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists())
            folder = QDir::homePath();
        printer_->setOutputFileName(QDir(folder).filePath(QStringLiteral("Varisect.pdf")));
    }
}

QtPrintTarget::~QtPrintTarget() = default;

QWidget* QtPrintTarget::parentWindow() const
{
    if (parent_) {
        if (QWidget* w = parent_())
            return w;
    }
    return QApplication::activeWindow();
}

QPrinter* QtPrintTarget::choosePrinter(const std::string& dialogTitle)
{
    QPrintDialog dialog(printer_.get(), parentWindow());
    dialog.setWindowTitle(QString::fromUtf8(dialogTitle.data(), static_cast<qsizetype>(dialogTitle.size())));
    dialog.setOption(QAbstractPrintDialog::PrintToFile);
    dialog.setOption(QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer_.get();
}

bool QtPrintTarget::printerSetup()
{
    QPrintDialog dialog(printer_.get(), parentWindow());
    dialog.setWindowTitle(QString::fromLatin1(kPrinterSetupTitle));
    // Choosing the printer and its paper only: nothing about which pages to print.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    // This dialog chooses and does not print, so its accept button says so.
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        if (QPushButton* accept = buttons->button(QDialogButtonBox::Ok))
            accept->setText(QStringLiteral("OK"));
    }
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace varisect
