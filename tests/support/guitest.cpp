// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/guitest.h"

#include <fstream>
#include <iterator>

#include <QAbstractButton>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace varisect::test {

void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

Design makeDesign(const std::vector<std::pair<std::string, int>>& factors)
{
    Design d;
    for (const auto& [name, levels] : factors) {
        Factor f;
        f.name = name;
        f.tableLabel = name.empty() ? 'A' : name[0];
        f.levels = levels;
        d.factors.push_back(f);
    }
    return d;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string pdfText(const std::string& path, bool layout)
{
    QStringList args;
    if (layout)
        args << QStringLiteral("-layout");
    args << QString::fromStdString(path) << QStringLiteral("-");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).toStdString();
}

std::string oneSpaced(QString text)
{
    return text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed().toStdString();
}

ShellContext shellContext(FakePlatform& fake, int* exits)
{
    ShellContext c{fake.platform(), [] { return 0.75; }, [] { return false; }, {}};
    if (exits)
        c.exitProgram = [exits] { ++*exits; };
    return c;
}

}  // namespace varisect::test
