// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/document.h"

namespace varisect {

OutputDocument& OutputDocument::paragraph(std::string text)
{
    DocumentBlock b;
    b.kind = DocumentBlock::Kind::Paragraph;
    b.lines.push_back(std::move(text));
    blocks_.push_back(std::move(b));
    return *this;
}

OutputDocument& OutputDocument::fixedLines(std::vector<std::string> lines)
{
    DocumentBlock b;
    b.kind = DocumentBlock::Kind::FixedLines;
    b.lines = std::move(lines);
    blocks_.push_back(std::move(b));
    return *this;
}

OutputDocument& OutputDocument::fixedText(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return fixedLines(std::move(lines));
}

OutputDocument& OutputDocument::table(std::vector<std::vector<std::string>> rows, bool headerRow,
                                      std::vector<int> rightAligned)
{
    DocumentBlock b;
    b.kind = DocumentBlock::Kind::Table;
    b.cells = std::move(rows);
    b.headerRow = headerRow;
    b.rightAligned = std::move(rightAligned);
    blocks_.push_back(std::move(b));
    return *this;
}

OutputDocument& OutputDocument::picture(std::vector<unsigned char> png, double widthMm)
{
    DocumentBlock b;
    b.kind = DocumentBlock::Kind::Picture;
    b.png = std::move(png);
    b.widthMm = widthMm;
    blocks_.push_back(std::move(b));
    return *this;
}

Message clipboardProblemMessage(MessageIcon icon)
{
    return {"Clipboard Problem!",
            std::string("The clipboard is currently being used by another application.") + kMessageLineBreak +
                "Please close the other application and retry.",
            MessageButtons::Ok, icon};
}

Message printerNotReadyMessage(MessageIcon icon)
{
    return {"Printer problem!",
            "The printer is not ready, or jammed, or out of paper.  Please correct the condition and retry.",
            MessageButtons::Ok, icon};
}

Message printerUnavailableMessage(MessageIcon icon)
{
    return {"Printer Problem!", "The printer is unavailable or not ready.  Please correct the condition and retry.",
            MessageButtons::Ok, icon};
}

}  // namespace varisect
