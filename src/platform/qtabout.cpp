// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtabout.h"

#include <QMessageBox>
#include <QtGlobal>

#ifndef VARISECT_VERSION
#define VARISECT_VERSION "unknown"
#endif

namespace varisect {

QString programVersion()
{
    return QStringLiteral(VARISECT_VERSION);
}

QString aboutText()
{
    return QStringLiteral(
               "<h2>Varisect</h2>"
               "<p>Version %1</p>"
               "<p>Factorial analysis of variance for designs of two to eight factors and up to "
               "16352 scores: independent groups, repeated measures and nested designs, with "
               "effect sizes, post hoc power, cell means, simple effects and plots.</p>"
               "<p>Written by the Varisect developers.<br>"
               "Built with Qt %2 (running on Qt %3).</p>"
               "<p>Varisect is free software and comes with no warranty.<br>"
               "Licence: GPL-3.0-or-later (the GNU General Public License, version 3 or later).</p>")
        .arg(programVersion().toHtmlEscaped(), QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion()));
}

void showAbout(QWidget* parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromLatin1(kAboutTitle));
    box.setTextFormat(Qt::RichText);
    box.setText(aboutText());
    box.setIcon(QMessageBox::Information);
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace varisect
