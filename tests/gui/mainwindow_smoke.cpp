// SPDX-License-Identifier: GPL-3.0-or-later
// The empty main window as the desktop program first shows it.
#include <QApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTest>

#include "app/mainshell.h"

class MainWindowSmoke : public QObject {
    Q_OBJECT

private slots:
    void identityAndTitle()
    {
        varisect::setApplicationIdentity(*qApp);
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Varisect"));
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Varisect"));

        const auto window = varisect::createMainShell();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(window->windowTitle(), QStringLiteral("Factorial Analysis of Variance"));
    }

    // The window fits the screen's available area, is centred on it, and is not cramped.
    void sizedAndCentredOnScreen()
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const QRect available = screen->availableGeometry();

        const auto window = varisect::createMainShell(screen);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        const QRect shown = window->geometry();
        QVERIFY2(available.contains(shown), "window reaches past the screen");
        QVERIFY(qAbs(shown.center().x() - available.center().x()) <= 1);
        QVERIFY(qAbs(shown.center().y() - available.center().y()) <= 1);
        const QSize roomy(qMin(800, available.width() * 3 / 4),
                          qMin(560, available.height() * 3 / 4));
        QVERIFY2(shown.width() >= roomy.width() && shown.height() >= roomy.height(),
                 "window is cramped");
    }
};

QTEST_MAIN(MainWindowSmoke)
#include "mainwindow_smoke.moc"
