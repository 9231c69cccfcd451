// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtdesktop.h"

#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace varisect {

QtDesktop::~QtDesktop()
{
    while (depth_ > 0)
        setBusy(false);
}

void QtDesktop::setBusy(bool busy)
{
    if (busy) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        ++depth_;
    } else if (depth_ > 0) {
        QGuiApplication::restoreOverrideCursor();
        --depth_;
    }
}

bool QtDesktop::openUrl(const std::string& url)
{
    const QUrl target(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())), QUrl::StrictMode);
    if (!target.isValid() || target.scheme().isEmpty())
        return false;
    return QDesktopServices::openUrl(target);
}

}  // namespace varisect
