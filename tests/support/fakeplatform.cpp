// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fakeplatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QPrinter>

namespace varisect {

PdfPrintTarget::PdfPrintTarget(std::string path) : pdfPath(std::move(path)) {}

PdfPrintTarget::~PdfPrintTarget() = default;

QPrinter* PdfPrintTarget::choosePrinter(const std::string& dialogTitle)
{
    dialogTitles.push_back(dialogTitle);
    if (cancel)
        return nullptr;
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(QString::fromUtf8(pdfPath.data(), static_cast<qsizetype>(pdfPath.size())));
    return printer_.get();
}

bool PdfPrintTarget::printerSetup()
{
    ++setupCount;
    return !cancelSetup;
}

namespace {

std::string temporaryPdfPath()
{
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("varisect-print-%1.pdf").arg(QCoreApplication::applicationPid()))
        .toUtf8()
        .toStdString();
}

}  // namespace

FakePlatform::FakePlatform(std::string pdfPath) : printer(pdfPath.empty() ? temporaryPdfPath() : std::move(pdfPath)) {}

}  // namespace varisect
