// SPDX-License-Identifier: GPL-3.0-or-later
// Word documents written and appended to, read back by python-docx (an independent reader), and
// the dialogues of the two word-processor commands.
#include "output/docx.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "output/documentcommands.h"
#include "support/fakeservices.h"

namespace varisect {
namespace {

namespace fs = std::filesystem;

// A 1 x 1 PNG picture.
const std::vector<unsigned char> kPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00,
    0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01,
    0x0D, 0x0A, 0x2D, 0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

std::string run(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return out;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, pipe.get()))
        out += buf;
    return out;
}

// What python-docx reads from the document (see readdocx.py).
std::string readBack(const fs::path& docx)
{
    return run("/usr/bin/python3 " VARISECT_OUTPUT_SCRIPTS "/readdocx.py '" + docx.string() + "' 2>&1");
}

std::string contents(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

OutputDocument sample(const std::string& title)
{
    OutputDocument d;
    d.paragraph(title);
    d.fixedText("     Analysis of Variance Table\r\n  Factors\r\n   Drug   2 & <more>\r\n");
    d.table({{"Level", "Mean"}, {"1", "12.50"}, {"2", "14.0"}});
    d.picture(kPng, 80);
    return d;
}

struct Folder {
    fs::path path = fs::temp_directory_path() / ("varisect-docx-" + std::to_string(::getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Folder() { fs::create_directories(path); }
    ~Folder()
    {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, ec);
        fs::remove_all(path, ec);
    }
    // No copies are left behind by a write, failed or not.
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(path), {})); }
};

TEST(Docx, NewDocumentReadsBackWithFixedPitchLinesTablesAndPicture)
{
    Folder f;
    const fs::path doc = f.path / "out.docx";
    ASSERT_TRUE(writeNewDocx(doc.string(), sample("Pilot study")).ok());
    EXPECT_EQ(readBack(doc), "P |Pilot study\n"
                             "P Courier New|     Analysis of Variance Table\n"
                             "P Courier New|  Factors\n"
                             "P Courier New|   Drug   2 & <more>\n"
                             "C 0,0|Level\nC 0,1|Mean\nC 1,0|1\nC 1,1|12.50\nC 2,0|2\nC 2,1|14.0\n"
                             "P |\n"
                             "P |\n"
                             "IMG 1 1\nSECTIONS 1\n");
    EXPECT_EQ(f.entries(), 1u);
}

// Appending goes before the final section settings, to ours and to a document a word processor
// wrote with a table and a section break; pictures get their own ids every time.
TEST(Docx, AppendingKeepsTheDocumentAndAddsAtTheEnd)
{
    Folder f;
    const fs::path ours = f.path / "ours.docx";
    ASSERT_TRUE(writeNewDocx(ours.string(), sample("First")).ok());
    ASSERT_TRUE(appendToDocx(ours.string(), sample("Second")).ok());
    ASSERT_TRUE(appendToDocx(ours.string(), sample("Third")).ok());
    const std::string twice = readBack(ours);
    EXPECT_LT(twice.find("P |First"), twice.find("P |Second"));
    EXPECT_LT(twice.find("P |Second"), twice.find("P |Third"));
    EXPECT_NE(twice.find("IMG 3 3\nSECTIONS 1\n"), std::string::npos) << twice;
    const std::string xml = docxDocumentXml(ours.string());
    for (const char* id : {"wp:docPr id=\"1\"", "wp:docPr id=\"2\"", "wp:docPr id=\"3\""})
        EXPECT_NE(xml.find(id), std::string::npos) << id;
    EXPECT_GT(xml.find("Third"), xml.rfind("Second"));
    EXPECT_GT(xml.rfind("<w:sectPr"), xml.rfind("Third"));

    const fs::path theirs = f.path / "theirs.docx";
    ASSERT_EQ(run("/usr/bin/python3 " VARISECT_OUTPUT_SCRIPTS "/makedocx.py '" + theirs.string() + "' 2>&1"), "");
    ASSERT_TRUE(appendToDocx(theirs.string(), sample("Added")).ok());
    const std::string added = readBack(theirs);
    EXPECT_EQ(added.substr(0, added.find("P |Added")),
              "P |Report written elsewhere\nC 0,0|x\nC 0,1|\nC 1,0|\nC 1,1|y\nP |\nP |Last paragraph of the report\n");
    EXPECT_NE(added.find("IMG 1 1\nSECTIONS 2\n"), std::string::npos) << added;
    EXPECT_EQ(f.entries(), 2u);
}

// A locked (by a word processor's lock file), a read-only and a foreign target: nothing is written and nothing is damaged.
TEST(Docx, LockedReadOnlyAndForeignTargetsAreLeftAsTheyWere)
{
    Folder f;
    const fs::path doc = f.path / "report.docx";
    ASSERT_TRUE(writeNewDocx(doc.string(), sample("Kept")).ok());
    const std::string before = contents(doc);

    // (A lock held with flock: the dialogues below.)
    EXPECT_FALSE(IsLocked(doc.string()));
    std::ofstream(f.path / ".~lock.report.docx#") << "someone";
    EXPECT_TRUE(IsLocked(doc.string()));
    fs::remove(f.path / ".~lock.report.docx#");

    if (::geteuid() != 0) {  // root writes through read-only modes
        fs::permissions(doc, fs::perms::owner_read);
        EXPECT_EQ(appendToDocx(doc.string(), sample("Lost")).error, DocxResult::Error::WriteProtected);
        EXPECT_EQ(writeNewDocx(doc.string(), sample("Lost")).error, DocxResult::Error::WriteProtected);
        fs::permissions(doc, fs::perms::owner_read | fs::perms::owner_write);
    }
    const fs::path text = f.path / "notes.docx";
    std::ofstream(text) << "plain text, not a package";
    EXPECT_EQ(appendToDocx(text.string(), sample("Lost")).error, DocxResult::Error::NotWordDocument);
    EXPECT_EQ(contents(text), "plain text, not a package");
    EXPECT_EQ(appendToDocx((f.path / "missing.docx").string(), sample("Lost")).error, DocxResult::Error::NotFound);
    EXPECT_EQ(contents(doc), before);
    EXPECT_EQ(f.entries(), 2u);
}

// The messages shown, as "title: text".
std::vector<std::string> shownMessages(const ScriptedDialogs& dialogs)
{
    std::vector<std::string> out;
    for (const ShownMessage& m : dialogs.messages)
        out.push_back(m.message.title + ": " + m.message.text);
    return out;
}

// ---- Hostile documents

// A zip archive built byte by byte, so that its headers can say what a damaged or hostile one
// says. Entries are stored uncompressed.
struct CraftedEntry {
    CraftedEntry(std::string entryName, std::string entryData, std::optional<std::uint64_t> declared = std::nullopt,
                 bool inZip64 = false)
        : name(std::move(entryName)), data(std::move(entryData)), declaredSize(declared), zip64(inZip64)
    {
    }
    std::string name;
    std::string data;
    std::optional<std::uint64_t> declaredSize;  // the uncompressed size the headers give
    bool zip64 = false;                         // sizes in a zip64 extra field
};

std::uint32_t crc32Of(const std::string& data)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string craftedZip(const std::vector<CraftedEntry>& entries)
{
    auto le = [](std::string& out, std::uint64_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            out += static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    std::string archive, directory;
    for (const CraftedEntry& e : entries) {
        const std::uint64_t declared = e.declaredSize.value_or(e.data.size());
        std::string extra;
        if (e.zip64) {
            le(extra, 0x0001, 2);
            le(extra, 16, 2);
            le(extra, declared, 8);
            le(extra, e.data.size(), 8);
        }
        const std::uint32_t compressed32 = e.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(e.data.size());
        const std::uint32_t declared32 = e.zip64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(declared);
        const std::size_t offset = archive.size();
        // The fields both headers share: version needed, flags, method, time, date, CRC, sizes,
        // name length, extra length.
        std::string common;
        le(common, e.zip64 ? 45 : 20, 2);
        le(common, 0, 2);
        le(common, 0, 2);
        le(common, 0, 2);
        le(common, 0x21, 2);
        le(common, crc32Of(e.data), 4);
        le(common, compressed32, 4);
        le(common, declared32, 4);
        le(common, e.name.size(), 2);
        le(common, extra.size(), 2);
        le(archive, 0x04034b50, 4);
        archive += common + e.name + extra + e.data;
        le(directory, 0x02014b50, 4);
        le(directory, 45, 2);  // made by
        directory += common;
        le(directory, 0, 2);  // comment length
        le(directory, 0, 2);  // disk
        le(directory, 0, 2);  // internal attributes
        le(directory, 0, 4);  // external attributes
        le(directory, offset, 4);
        directory += e.name + extra;
    }
    const std::size_t directoryAt = archive.size();
    archive += directory;
    le(archive, 0x06054b50, 4);
    le(archive, 0, 4);
    le(archive, entries.size(), 2);
    le(archive, entries.size(), 2);
    le(archive, directory.size(), 4);
    le(archive, directoryAt, 4);
    le(archive, 0, 2);
    return archive;
}

// The three parts of the smallest Word document, with `body` as the main part.
std::vector<CraftedEntry> wordParts(const std::string& body)
{
    return {
        {"[Content_Types].xml",
         "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
         "</Types>"},
        {"_rels/.rels",
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
         "officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
        {"word/document.xml", body},
    };
}

std::string wordBody(const std::string& inner)
{
    return "<?xml version=\"1.0\"?><w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/"
           "main\"><w:body>" + inner + "</w:body></w:document>";
}

// A document whose main part lies about its size, or is nested absurdly deep, is refused as "Wrong
// file selected?" without reading what it declares: the document stays as it was and no copy of
// it is left beside it. The same package with honest headers takes the addition.
TEST(Docx, HostilePackagesAreRefusedAndLeaveNothingBehind)
{
    Folder f;
    const std::string paragraph = "<w:p><w:r><w:t>Kept</w:t></w:r></w:p>";
    {
        SCOPED_TRACE("honest");
        const fs::path doc = f.path / "honest.docx";
        std::ofstream(doc, std::ios::binary) << craftedZip(wordParts(wordBody(paragraph)));
        ASSERT_TRUE(appendToDocx(doc.string(), sample("Added")).ok());
        const std::string back = readBack(doc);
        EXPECT_LT(back.find("P |Kept"), back.find("P |Added")) << back;
        fs::remove(doc);
    }

    std::string deep;
    for (int k = 0; k < 200000; ++k)
        deep += "<w:p>";
    for (int k = 0; k < 200000; ++k)
        deep += "</w:p>";
    struct Case {
        const char* what;
        std::vector<CraftedEntry> parts;
    };
    std::vector<Case> cases;
    auto lying = [&](std::uint64_t declared, bool zip64) {
        std::vector<CraftedEntry> parts = wordParts(wordBody(paragraph));
        parts[2].declaredSize = declared;
        parts[2].zip64 = zip64;
        return parts;
    };
    cases.push_back({"4 GB declared", lying(0xFFFFFFF0u, false)});
    cases.push_back({"2^62 bytes declared in zip64", lying(std::uint64_t{1} << 62, true)});
    cases.push_back({"above the limit", lying(kMaxDocxPartBytes + 1, false)});
    cases.push_back({"more declared than held", lying(1000, false)});
    cases.push_back({"less declared than held", lying(10, false)});
    cases.push_back({"200,000 deep", wordParts(wordBody(deep))});
    std::vector<CraftedEntry> badRels = wordParts(wordBody(paragraph));
    badRels.push_back({"word/_rels/document.xml.rels", "<Relationships/>", std::uint64_t{1} << 62, true});
    cases.push_back({"relationships of the main part declaring 2^62 bytes", badRels});

    ScriptedDialogs dialogs;
    dialogs.messageFallback = DialogAnswer::Cancel;
    FakeDesktop desktop;
    DocumentCommands commands(dialogs, desktop);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path doc = f.path / "crafted.docx";
        const std::string bytes = craftedZip(c.parts);
        std::ofstream(doc, std::ios::binary | std::ios::trunc) << bytes;
        EXPECT_EQ(appendToDocx(doc.string(), sample("Lost")).error, DocxResult::Error::NotWordDocument);

        dialogs.clearRecord();
        dialogs.openAnswers = {doc.string()};
        EXPECT_FALSE(commands.appendToDocument(sample("Lost")));
        EXPECT_EQ(shownMessages(dialogs), std::vector<std::string>{"Wrong file selected?: " + doc.string() +
                                                          " is not a Word document that can be added to.  "
                                                          "Please select another document."});
        EXPECT_EQ(contents(doc), bytes);
        EXPECT_EQ(f.entries(), 1u);
        EXPECT_EQ(desktop.busyDepth, 0);
    }
}

TEST(Docx, NestingDepthIsCountedOverTagsOnly)
{
    auto nested = [](int depth, const std::string& inside = "") {
        std::string xml = "<?xml version=\"1.0\"?>";
        for (int k = 0; k < depth; ++k)
            xml += "<a x=\"1\">";
        xml += inside;
        for (int k = 0; k < depth; ++k)
            xml += "</a>";
        return xml;
    };
    EXPECT_FALSE(nestedDeeperThan(nested(3), 3));
    EXPECT_TRUE(nestedDeeperThan(nested(4), 3));
    // Siblings, empty elements, closing tags and a declaration do not add depth.
    EXPECT_FALSE(nestedDeeperThan("<!DOCTYPE r [<!ELEMENT r ANY>]><r><a/><a></a><a/><b><c/></b><a x='/'/></r>", 2));
    // Nor do tags inside comments, CDATA, processing instructions and attribute values, even
    // with a '>' or "/>" inside the value.
    EXPECT_FALSE(nestedDeeperThan(nested(2, "<!-- <a><a><a> --><![CDATA[<a><a>]]><?pi <a><a>?>"), 2));
    EXPECT_FALSE(nestedDeeperThan("<r v=\"a>b\" w='<c><d>'><s t=\"/>\"></s><s/></r>", 2));
    EXPECT_TRUE(nestedDeeperThan("<r v=\"/>\"><s><t>x</t></s></r>", 2));
    // A document cut short is not deeper than what it holds.
    EXPECT_FALSE(nestedDeeperThan("<r><s a=\"unclosed", 2));
    EXPECT_TRUE(nestedDeeperThan(nested(200000), kMaxXmlDepth));
}

TEST(DocumentCommands, NewAndExistingDocumentDialogues)
{
    Folder f;
    ScriptedDialogs dialogs;
    dialogs.messageFallback = DialogAnswer::Cancel;
    FakeDesktop desktop;
    DocumentCommands commands(dialogs, desktop);
    EXPECT_EQ(existingDocumentCaption("Cell Means"), "Append Cell Means to &Existing Word Document");

    // No name, then a name in a folder that is not there (created), without an extension.
    const fs::path folder = f.path / "new folder";
    dialogs.saveAnswers = {std::string(), (folder / "report").string()};
    dialogs.messageAnswers = {DialogAnswer::Ok, DialogAnswer::Yes};
    EXPECT_TRUE(commands.newDocument(sample("One")));
    const FileDialogOptions& asked = dialogs.requests.front().file;
    EXPECT_EQ(asked.title + " " + asked.filter + " " + asked.defaultExtension, "Save As Word Document (*.docx) docx");
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(shownMessages(dialogs)[0], "Save As: File name needed!");
    EXPECT_EQ(shownMessages(dialogs)[1],
              "Cannot find directory!: That path/directory does not exist.  Would you like to create it?");
    EXPECT_TRUE(fs::exists(folder / "report.docx"));
    EXPECT_EQ(desktop.busyDepth, 0);

    // The same name again: No asks for another name; Cancel ends with the old file untouched.
    const std::string before = contents(folder / "report.docx");
    dialogs.clearRecord();
    dialogs.saveAnswers = {(folder / "report.docx").string(), (folder / "report.docx").string()};
    dialogs.messageAnswers = {DialogAnswer::No, DialogAnswer::Cancel};
    EXPECT_FALSE(commands.newDocument(sample("Two")));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].message.title, "File already exists!");
    EXPECT_EQ(contents(folder / "report.docx"), before);

    // Appending to a locked document says so and writes nothing.
    const int fd = ::open((folder / "report.docx").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    dialogs.clearRecord();
    dialogs.openAnswers = {(folder / "report.docx").string()};
    EXPECT_FALSE(commands.appendToDocument(sample("Three")));
    const std::string path = (folder / "report.docx").string();
    EXPECT_EQ(shownMessages(dialogs), std::vector<std::string>{"File Locked!: " + path +
                                                      " is currently open and locked by another process.\n\r"
                                                      "Please either unlock " + path + " or select another document."});
    ::close(fd);
    dialogs.openAnswers = {path};
    EXPECT_TRUE(commands.appendToDocument(sample("Three")));
    EXPECT_NE(readBack(folder / "report.docx").find("P |Three"), std::string::npos);
}

}  // namespace
}  // namespace varisect
