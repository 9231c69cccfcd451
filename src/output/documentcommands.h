// SPDX-License-Identifier: GPL-3.0-or-later
// The two word-processor commands every output window offers: "Print ... to &New Word Document"
// and "Append ... to &Existing Word Document", with their dialogues: choosing and checking the
// document, the questions and the messages of a failed write.
#pragma once

#include <string>

#include "output/document.h"

namespace varisect {

class Desktop;
class Dialogs;

// The two menu captions for what a window writes ("Data", "Table", "Cell Means", "Graph").
std::string newDocumentCaption(const std::string& what);
std::string existingDocumentCaption(const std::string& what);
// The status line after a document was written to `path`.
std::string documentWrittenStatus(const std::string& path);

class DocumentCommands {
public:
    DocumentCommands(Dialogs& dialogs, Desktop& desktop) : dialogs_(dialogs), desktop_(desktop) {}

    // Asks for a new document's name and writes `document` into it. True when written.
    bool newDocument(const OutputDocument& document);
    // Asks for an existing document and adds `document` at its end. True when written.
    bool appendToDocument(const OutputDocument& document);
    // The document the last command that succeeded wrote.
    const std::string& writtenPath() const { return written_; }

private:
    Dialogs& dialogs_;
    Desktop& desktop_;
    std::string written_;
};

}  // namespace varisect
