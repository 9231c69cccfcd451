// SPDX-License-Identifier: GPL-3.0-or-later
// Output documents written as Word documents (.docx): a new document, or the blocks added at the
// end of an existing one (ours or one a word processor wrote). Lines of tabular text keep a
// fixed-pitch font, tables become real tables, pictures are embedded. A failed write never
// damages the document that was there: the new content is written to a copy in the same folder,
// which then takes the document's place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "output/document.h"

namespace varisect {

struct DocxResult {
    enum class Error {
        None,
        NotFound,        // the document to add to does not exist
        WriteProtected,  // the document or its folder cannot be written
        DiskFull,        // no room (or a file-size limit) while writing
        NotWordDocument, // the file is not a Word document we can add to
        CannotSave,      // any other failure to write the file
    };
    Error error = Error::None;
    std::string detail;  // what failed, for the messages

    bool ok() const { return error == Error::None; }
};

// What is read from a document to add to is bounded: a part (an entry of the package) that
// declares or holds more than kMaxDocxPartBytes, whose real size differs from the size it
// declares, or whose XML is nested deeper than kMaxXmlDepth elements makes the document one we
// cannot add to (Error::NotWordDocument). A Word document is nowhere near either limit.
inline constexpr std::uint64_t kMaxDocxPartBytes = std::uint64_t{256} << 20;  // 256 MB
inline constexpr int kMaxXmlDepth = 1000;

// Writes `document` as a new Word document at `path`, replacing a file of that name. Never throws.
DocxResult writeNewDocx(const std::string& path, const OutputDocument& document);

// Adds `document` at the end of the Word document at `path`, before its final section settings.
// Never throws; the copy it writes first is gone afterwards whatever happened.
DocxResult appendToDocx(const std::string& path, const OutputDocument& document);

// Another program holds the file: a lock on it, or the lock file a word processor keeps beside
// a document it has open ("~$name" or ".~lock.name#").
bool IsLocked(const std::string& path);

// Everything before the last "/" of `path` ("" when there is none).
std::string DirectoryOf(const std::string& path);

// True when elements in `xml` are nested more than `limit` deep. One pass over the text, without
// parsing it: tags inside comments, CDATA sections, processing instructions and quoted attribute
// values do not count.
bool nestedDeeperThan(std::string_view xml, int limit);

// The main document part (word/document.xml) of the package at `path`, as text; empty when
// it cannot be read. For tests and diagnostics.
std::string docxDocumentXml(const std::string& path);

}  // namespace varisect
