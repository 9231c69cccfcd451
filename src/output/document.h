// SPDX-License-Identifier: GPL-3.0-or-later
// What a window puts on paper: a document of blocks in order (paragraphs of running text, lines
// of tabular text in a fixed-pitch font, tables, pictures). Printing renders it; word-processor
// documents are written from the same blocks, so both show the same thing.
#pragma once

#include <string>
#include <vector>

#include "engine/prompts.h"

namespace varisect {

struct DocumentBlock {
    enum class Kind { Paragraph, FixedLines, Table, Picture };
    Kind kind = Kind::Paragraph;
    // Paragraph: one element, the text (it wraps at the page width). FixedLines: one element a
    // line, printed as it is in the fixed-pitch font; a block wider than the page is printed
    // smaller rather than cut off.
    std::vector<std::string> lines;
    // Table: rows of cells, the first row the headers when `headerRow`; the columns listed in
    // `rightAligned` (0-based) are set flush right, as numbers are.
    std::vector<std::vector<std::string>> cells;
    bool headerRow = true;
    std::vector<int> rightAligned;
    // Picture: PNG bytes and the width on paper in millimetres (0: the page width).
    std::vector<unsigned char> png;
    double widthMm = 0;
};

class OutputDocument {
public:
    OutputDocument& paragraph(std::string text);
    OutputDocument& fixedLines(std::vector<std::string> lines);
    // Tabular text with line breaks ("\r\n" or "\n"); trailing empty lines are dropped.
    OutputDocument& fixedText(const std::string& text);
    OutputDocument& table(std::vector<std::vector<std::string>> rows, bool headerRow = true,
                          std::vector<int> rightAligned = {});
    OutputDocument& picture(std::vector<unsigned char> png, double widthMm = 0);

    const std::vector<DocumentBlock>& blocks() const { return blocks_; }
    bool empty() const { return blocks_.empty(); }

private:
    std::vector<DocumentBlock> blocks_;
};

// The smallest margin round printed output, whatever the printer allows.
inline constexpr double kPageMarginMm = 15.0;

// Printer and clipboard problems, as every output window reports them. The data grids show
// them with the stop symbol, the other windows with the exclamation mark.
Message clipboardProblemMessage(MessageIcon icon = MessageIcon::Critical);
Message printerNotReadyMessage(MessageIcon icon = MessageIcon::Exclamation);
Message printerUnavailableMessage(MessageIcon icon = MessageIcon::Exclamation);

}  // namespace varisect
