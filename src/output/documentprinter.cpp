// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/documentprinter.h"

#include <algorithm>
#include <cmath>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextTable>

#include "platform/qttext.h"

namespace varisect {

namespace {

constexpr double kTextPointSize = 11.0;
constexpr double kFixedPointSize = 10.0;
constexpr double kSmallestPointSize = 4.0;

QFont textFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(kTextPointSize);
    return font;
}

// The font for a block of fixed lines: smaller when the widest line would not fit the page.
QFont fittedFixedFont(const std::vector<std::string>& lines, double pageWidth, QPaintDevice* device)
{
    QFont font = fixedPitchFont(kFixedPointSize);
    const QFontMetricsF fm(font, device);
    double widest = 0;
    for (const std::string& line : lines)
        widest = std::max(widest, fm.horizontalAdvance(qs(line)));
    if (widest > pageWidth && widest > 0)
        font.setPointSizeF(std::max(kSmallestPointSize, kFixedPointSize * pageWidth / widest * 0.98));
    return font;
}

// Where each page begins, in document coordinates: a line that would run over the bottom of a
// page begins the next one, so no line is cut in two.
std::vector<double> pageStarts(QTextDocument& text, double pageHeight)
{
    std::vector<std::pair<double, double>> lines;  // top and bottom of every line
    QAbstractTextDocumentLayout* layout = text.documentLayout();
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        const QRectF box = layout->blockBoundingRect(block);
        const QTextLayout* lineLayout = block.layout();
        for (int i = 0; lineLayout && i < lineLayout->lineCount(); ++i) {
            const QTextLine line = lineLayout->lineAt(i);
            lines.emplace_back(box.top() + line.y(), box.top() + line.y() + line.height());
        }
    }
    std::sort(lines.begin(), lines.end());
    std::vector<double> starts{0};
    for (const auto& [top, bottom] : lines)
        if (bottom > starts.back() + pageHeight && top > starts.back())
            starts.push_back(top);
    return starts;
}

}  // namespace

QFont fixedPitchFont(double pointSize)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(pointSize);
    return font;
}

void layOutDocument(QTextDocument& out, const OutputDocument& document, double pageWidth)
{
    QPaintDevice* device = out.documentLayout()->paintDevice();
    out.setDocumentMargin(0);
    out.setDefaultFont(textFont());
    QTextCursor cursor(&out);
    bool first = true;
    // Each block starts on a paragraph of its own, a little apart from the one before.
    auto newBlock = [&](const QTextBlockFormat& format, const QTextCharFormat& chars, bool spaced) {
        QTextBlockFormat f = format;
        // In screen units: the layout enlarges margins by the device's resolution over the screen's.
        if (spaced && !first)
            f.setTopMargin(QFontMetricsF(textFont()).lineSpacing() * 0.6);
        if (first)
            cursor.setBlockFormat(f);
        else
            cursor.insertBlock(f);
        cursor.setBlockCharFormat(chars);
        cursor.setCharFormat(chars);
        first = false;
    };

    for (const DocumentBlock& block : document.blocks()) {
        switch (block.kind) {
        case DocumentBlock::Kind::Paragraph: {
            QTextCharFormat chars;
            chars.setFont(textFont());
            newBlock(QTextBlockFormat(), chars, true);
            cursor.insertText(qs(block.lines.empty() ? std::string() : block.lines.front()));
            break;
        }
        case DocumentBlock::Kind::FixedLines: {
            QTextCharFormat chars;
            chars.setFont(fittedFixedFont(block.lines, pageWidth, device));
            QTextBlockFormat format;
            format.setNonBreakableLines(true);
            bool spaced = true;
            for (const std::string& line : block.lines) {
                newBlock(format, chars, spaced);
                spaced = false;
                cursor.insertText(qs(line));
            }
            break;
        }
        case DocumentBlock::Kind::Table: {
            if (block.cells.empty())
                break;
            QTextCharFormat chars;
            chars.setFont(textFont());
            newBlock(QTextBlockFormat(), chars, true);
            int columns = 0;
            for (const auto& row : block.cells)
                columns = std::max(columns, static_cast<int>(row.size()));
            QTextTableFormat format;
            format.setBorder(0.5);
            format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            format.setCellPadding(3);
            format.setCellSpacing(0);
            format.setHeaderRowCount(block.headerRow ? 1 : 0);
            QTextTable* table = cursor.insertTable(static_cast<int>(block.cells.size()), std::max(1, columns), format);
            // The cells filled as one edit: the document is laid out again once, at its end,
            // instead of after every cell, a time that grows with the square of the table's
            // size (some 40 seconds for a table of 256 rows).
            QTextCursor cells(&out);
            cells.beginEditBlock();
            for (int r = 0; r < static_cast<int>(block.cells.size()); ++r) {
                const auto& row = block.cells[static_cast<size_t>(r)];
                for (int c = 0; c < static_cast<int>(row.size()); ++c) {
                    QTextCursor cell = table->cellAt(r, c).firstCursorPosition();
                    if (std::find(block.rightAligned.begin(), block.rightAligned.end(), c) != block.rightAligned.end()) {
                        QTextBlockFormat right;
                        right.setAlignment(Qt::AlignRight);
                        cell.setBlockFormat(right);
                    }
                    QTextCharFormat cellChars = chars;
                    if (block.headerRow && r == 0)
                        cellChars.setFontWeight(QFont::Bold);
                    cell.insertText(qs(row[static_cast<size_t>(c)]), cellChars);
                }
            }
            cells.endEditBlock();
            cursor = QTextCursor(&out);
            cursor.movePosition(QTextCursor::End);
            break;
        }
        case DocumentBlock::Kind::Picture: {
            QImage image;
            if (!image.loadFromData(block.png.data(), static_cast<int>(block.png.size()), "PNG") || image.isNull())
                break;
            const double dotsPerMm = (device ? device->logicalDpiX() : 96) / 25.4;
            double width = block.widthMm > 0 ? block.widthMm * dotsPerMm : pageWidth;
            width = std::min(width, pageWidth);
            const QString name = QStringLiteral("picture%1.png").arg(reinterpret_cast<quintptr>(&block));
            out.addResource(QTextDocument::ImageResource, QUrl(name), image);
            QTextImageFormat format;
            format.setName(name);
            // The text layout enlarges pictures by the device's resolution over the screen's (as it
            // does for screen pixels); the size given is reduced by the same factor, so that the
            // picture comes out `width` device pixels wide.
            const QScreen* screen = QGuiApplication::primaryScreen();
            const double screenDpi = screen ? std::round(screen->logicalDotsPerInchY()) : 96.0;
            const double enlarged = device && screenDpi > 0 ? device->logicalDpiY() / screenDpi : 1.0;
            format.setWidth(width / enlarged);
            format.setHeight(width / enlarged * image.height() / std::max(1, image.width()));
            newBlock(QTextBlockFormat(), QTextCharFormat(), true);
            cursor.insertImage(format);
            break;
        }
        }
    }
}

PrintResult printDocument(QPrinter& printer, const OutputDocument& document)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return PrintResult::Unavailable;

    // The text goes within kPageMarginMm of every edge of the paper, or within the printer's own
    // margins where they are wider. The painter's origin is the top left of the printable area.
    const int dpi = printer.resolution();
    const QPageLayout layout = printer.pageLayout();
    const QRectF full = layout.fullRectPixels(dpi);
    const QRectF printable = layout.paintRectPixels(dpi);
    const double margin = kPageMarginMm / 25.4 * dpi;
    const QRectF content = full.adjusted(margin, margin, -margin, -margin).intersected(printable);
    const QPointF origin = printer.fullPage() ? content.topLeft() : content.topLeft() - printable.topLeft();

    QTextDocument text;
    text.documentLayout()->setPaintDevice(&printer);
    text.setTextWidth(content.width());
    layOutDocument(text, document, content.width());

    const std::vector<double> starts = pageStarts(text, content.height());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return PrintResult::NotReady;
        }
        const double top = starts[i];
        const double bottom = i + 1 < starts.size() ? starts[i + 1] : top + content.height();
        painter.save();
        painter.translate(origin.x(), origin.y() - top);
        // A device pixel in from either end, so the lines on the neighbouring pages, which touch
        // these ends, are not drawn (clipped away) here as well.
        text.drawContents(&painter, QRectF(0, top + 1, content.width(), bottom - top - 2));
        painter.restore();
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return PrintResult::NotReady;
    return PrintResult::Printed;
}

}  // namespace varisect
