// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtclipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace varisect {

namespace {

QClipboard* systemClipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

}  // namespace

bool QtClipboard::setText(const std::string& text)
{
    QClipboard* clipboard = systemClipboard();
    if (!clipboard)
        return false;
    const QString wanted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    clipboard->setText(wanted);
    // Another program holding the clipboard leaves its own contents there.
    return clipboard->text() == wanted;
}

std::optional<std::string> QtClipboard::text()
{
    QClipboard* clipboard = systemClipboard();
    if (!clipboard)
        return std::nullopt;
    const QMimeData* data = clipboard->mimeData();
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text().toUtf8().toStdString();
}

bool QtClipboard::setImage(const std::vector<unsigned char>& png)
{
    QClipboard* clipboard = systemClipboard();
    if (!clipboard || png.empty())
        return false;
    QImage image;
    if (!image.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"))
        return false;
    clipboard->setImage(image);
    return true;
}

}  // namespace varisect
