// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/docx.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <pugixml.hpp>
#include <zip.h>

namespace varisect {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMainNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kPackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char* kImageRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
constexpr const char* kOfficeDocumentRelType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";

// The namespaces our blocks use, by the prefixes they are written with.
const std::pair<const char*, const char*> kBlockNamespaces[] = {
    {"w", kMainNs},
    {"r", kRelNs},
    {"wp", "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"},
    {"a", "http://schemas.openxmlformats.org/drawingml/2006/main"},
    {"pic", "http://schemas.openxmlformats.org/drawingml/2006/picture"},
};

constexpr long kEmuPerMm = 36000;
constexpr long kEmuPerPixel = 9525;     // at 96 pixels an inch
constexpr double kTextWidthMm = 165.0;  // A4 less 2 cm margins on either side, near enough
constexpr int kFixedHalfPoints = 18;    // 9 pt: an 80-column line fits the text width

std::string escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Control characters other than tab are not allowed in XML 1.0.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                out += ' ';
            else
                out += c;
        }
    }
    return out;
}

bool listed(const std::vector<int>& columns, std::size_t c)
{
    return std::find(columns.begin(), columns.end(), static_cast<int>(c)) != columns.end();
}

std::string run(std::string_view text, bool fixed, bool bold = false)
{
    std::string props;
    if (fixed)
        props += "<w:rFonts w:ascii=\"Courier New\" w:hAnsi=\"Courier New\" w:cs=\"Courier New\"/><w:sz w:val=\"" +
                 std::to_string(kFixedHalfPoints) + "\"/>";
    if (bold)
        props += "<w:b/>";
    return "<w:r>" + (props.empty() ? std::string() : "<w:rPr>" + props + "</w:rPr>") +
           "<w:t xml:space=\"preserve\">" + escaped(text) + "</w:t></w:r>";
}

// A picture's size on paper: its width in millimetres (or its pixels at 96 an inch), never wider
// than the text.
std::pair<long, long> pictureExtent(const std::vector<unsigned char>& png, double widthMm)
{
    long w = 640, h = 480;
    if (png.size() >= 24) {
        auto be32 = [&](std::size_t at) {
            return (long(png[at]) << 24) | (long(png[at + 1]) << 16) | (long(png[at + 2]) << 8) | long(png[at + 3]);
        };
        w = std::max(1L, be32(16));
        h = std::max(1L, be32(20));
    }
    double cx = widthMm > 0 ? widthMm * kEmuPerMm : double(w) * kEmuPerPixel;
    cx = std::min(cx, kTextWidthMm * kEmuPerMm);
    return {static_cast<long>(cx), static_cast<long>(cx * double(h) / double(w))};
}

struct PictureRef {
    std::string relationshipId;
    std::string mediaName;  // within word/media/
    long drawingId = 0;
};

// The body XML of the blocks; `pictures` names each picture block in order.
std::string blocksXml(const OutputDocument& document, const std::vector<PictureRef>& pictures)
{
    std::string xml;
    std::size_t picture = 0;
    for (const DocumentBlock& block : document.blocks()) {
        switch (block.kind) {
        case DocumentBlock::Kind::Paragraph:
            xml += "<w:p>" + run(block.lines.empty() ? std::string() : block.lines.front(), false) + "</w:p>";
            break;
        case DocumentBlock::Kind::FixedLines:
            for (const std::string& line : block.lines)
                xml += "<w:p><w:pPr><w:spacing w:before=\"0\" w:after=\"0\"/></w:pPr>" + run(line, true) + "</w:p>";
            break;
        case DocumentBlock::Kind::Table: {
            std::size_t columns = 0;
            for (const auto& row : block.cells)
                columns = std::max(columns, row.size());
            if (columns == 0)
                break;
            std::string borders;
            for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
                borders += std::string("<w:") + side + " w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>";
            xml += "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders>" + borders +
                   "</w:tblBorders><w:tblLook w:val=\"0000\"/></w:tblPr><w:tblGrid>";
            for (std::size_t c = 0; c < columns; ++c)
                xml += "<w:gridCol w:w=\"" + std::to_string(9000 / columns) + "\"/>";
            xml += "</w:tblGrid>";
            for (std::size_t r = 0; r < block.cells.size(); ++r) {
                xml += "<w:tr>";
                for (std::size_t c = 0; c < columns; ++c) {
                    const std::string& text = c < block.cells[r].size() ? block.cells[r][c] : std::string();
                    const std::string align = listed(block.rightAligned, c) ? "<w:pPr><w:jc w:val=\"right\"/></w:pPr>" : "";
                    xml += "<w:tc><w:tcPr><w:tcW w:w=\"0\" w:type=\"auto\"/></w:tcPr><w:p>" + align +
                           run(text, false, block.headerRow && r == 0) + "</w:p></w:tc>";
                }
                xml += "</w:tr>";
            }
            xml += "</w:tbl><w:p/>";  // a table is followed by a paragraph, as word processors expect
            break;
        }
        case DocumentBlock::Kind::Picture: {
            if (picture >= pictures.size())
                break;
            const PictureRef& ref = pictures[picture++];
            const auto [cx, cy] = pictureExtent(block.png, block.widthMm);
            const std::string id = std::to_string(ref.drawingId);
            const std::string extent = "cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) + "\"";
            xml += "<w:p><w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\"><wp:extent " +
                   extent + "/><wp:docPr id=\"" + id + "\" name=\"Picture " + id +
                   "\"/><a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
                   "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"" + id + "\" name=\"" + escaped(ref.mediaName) +
                   "\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"" + ref.relationshipId +
                   "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" "
                   "y=\"0\"/><a:ext " + extent + "/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>"
                   "</pic:spPr></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>";
            break;
        }
        }
    }
    return xml;
}

std::string namespaceDeclarations()
{
    std::string out;
    for (const auto& [prefix, uri] : kBlockNamespaces)
        out += std::string(" xmlns:") + prefix + "=\"" + uri + "\"";
    return out;
}

std::size_t pictureCount(const OutputDocument& document)
{
    return static_cast<std::size_t>(std::count_if(document.blocks().begin(), document.blocks().end(), [](const DocumentBlock& b) {
        return b.kind == DocumentBlock::Kind::Picture;
    }));
}

DocxResult failure(DocxResult::Error error, std::string detail)
{
    return DocxResult{error, std::move(detail)};
}

DocxResult fromErrno(int code, const std::string& what)
{
    switch (code) {
    case ENOENT:
        return failure(DocxResult::Error::NotFound, what);
    case EACCES:
    case EPERM:
    case EROFS:
        return failure(DocxResult::Error::WriteProtected, what);
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return failure(DocxResult::Error::DiskFull, what);
    default:
        return failure(DocxResult::Error::CannotSave, what + ": " + std::strerror(code));
    }
}

// A zip archive open for writing, with the buffers of the entries added kept alive until it is
// closed (libzip reads them only then).
class Package {
public:
    ~Package()
    {
        if (zip_)
            zip_discard(zip_);
    }

    bool open(const std::string& path, int flags)
    {
        int error = 0;
        zip_ = zip_open(path.c_str(), flags, &error);
        return zip_ != nullptr;
    }

    // The whole entry, read piece by piece: an entry that declares more than kMaxDocxPartBytes,
    // holds more or less than it declares, or cannot be read gives nothing. What an entry
    // declares is never allocated up front; at most one byte beyond it is read.
    std::optional<std::string> read(const std::string& name) const
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(zip_, name.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || st.size > kMaxDocxPartBytes)
            return std::nullopt;
        const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen(zip_, name.c_str(), 0), zip_fclose);
        if (!file)
            return std::nullopt;
        std::string data;
        std::vector<char> piece(std::size_t{64} << 10);
        for (;;) {
            const zip_uint64_t room = st.size + 1 - data.size();
            const zip_int64_t got = zip_fread(file.get(), piece.data(), std::min<zip_uint64_t>(piece.size(), room));
            if (got < 0)
                return std::nullopt;
            if (got == 0)
                break;
            data.append(piece.data(), static_cast<std::size_t>(got));
            if (data.size() > st.size)
                return std::nullopt;
        }
        if (data.size() != st.size)
            return std::nullopt;
        return data;
    }

    bool has(const std::string& name) const { return zip_name_locate(zip_, name.c_str(), 0) >= 0; }

    bool put(const std::string& name, std::string data)
    {
        buffers_.push_back(std::make_unique<std::string>(std::move(data)));
        const std::string& b = *buffers_.back();
        zip_source_t* source = zip_source_buffer(zip_, b.data(), b.size(), 0);
        if (!source)
            return false;
        if (zip_file_add(zip_, name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            return false;
        }
        return true;
    }

    // Writes the archive out; the system error number on failure (0 when none is known).
    std::optional<int> close()
    {
        if (zip_close(zip_) == 0) {
            zip_ = nullptr;
            return std::nullopt;
        }
        const int code = zip_error_code_system(zip_get_error(zip_));
        return code;
    }

private:
    zip_t* zip_ = nullptr;
    std::vector<std::unique_ptr<std::string>> buffers_;
};

// A file beside `target` to write the new document to first.
fs::path temporaryBeside(const fs::path& target)
{
    std::random_device device;
    std::mt19937 random(device());
    for (;;) {
        const fs::path candidate = target.parent_path() /
                                   (".~varisect-" + std::to_string(random() % 1000000) + "-" + target.filename().string());
        std::error_code ec;
        if (!fs::exists(candidate, ec))
            return candidate;
    }
}

// The copy a document is written to first. It is removed when it goes out of scope, whatever
// ended the write, unless it has taken the document's place.
class TemporaryCopy {
public:
    explicit TemporaryCopy(fs::path path) : path_(std::move(path)) {}
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;
    ~TemporaryCopy()
    {
        std::error_code ignored;
        if (!path_.empty())
            fs::remove(path_, ignored);
    }
    const fs::path& path() const { return path_; }
    // The copy is in place: nothing is left to remove.
    void keep() { path_.clear(); }

private:
    fs::path path_;
};

// The path that is written: the file a symbolic link points to, so the link stays.
fs::path writtenPath(const std::string& path)
{
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec)
            return resolved;
    }
    return path;
}

// Puts the finished copy in the document's place.
DocxResult replaceWith(TemporaryCopy& temporary, const fs::path& target)
{
    if (std::rename(temporary.path().c_str(), target.c_str()) != 0)
        return fromErrno(errno, target.string());
    temporary.keep();
    return {};
}

// Parses `text` as UTF-8 XML, refusing it unread when it is nested deeper than kMaxXmlDepth.
bool loadXml(pugi::xml_document& doc, const std::string& text, unsigned options = pugi::parse_default)
{
    if (nestedDeeperThan(text, kMaxXmlDepth))
        return false;
    return doc.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
}

std::string contentTypesXml()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Default Extension=\"png\" ContentType=\"image/png\"/>"
           "<Override PartName=\"/word/document.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
           "</Types>";
}

std::string packageRelsXml()
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships xmlns=\"") +
           kPackageRelNs + "\"><Relationship Id=\"rId1\" Type=\"" + kOfficeDocumentRelType +
           "\" Target=\"word/document.xml\"/></Relationships>";
}

std::string xmlText(const pugi::xml_document& doc)
{
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    return out.str();
}

// The part the package's relationships name as the main document, without a leading "/".
std::optional<std::string> mainPartName(const Package& package)
{
    const auto rels = package.read("_rels/.rels");
    if (!rels)
        return std::nullopt;
    pugi::xml_document doc;
    if (!loadXml(doc, *rels))
        return std::nullopt;
    for (pugi::xml_node r : doc.document_element().children())
        if (std::string(r.attribute("Type").as_string()) == kOfficeDocumentRelType) {
            std::string target = r.attribute("Target").as_string();
            if (!target.empty() && target.front() == '/')
                target.erase(0, 1);
            return target;
        }
    return std::nullopt;
}

// "word/document.xml" -> "word/_rels/document.xml.rels".
std::string relsPartOf(const std::string& part)
{
    const auto slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    return folder + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
}

std::string folderOf(const std::string& part)
{
    const auto slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

DocxResult writeNew(const std::string& path, const OutputDocument& document)
{
    const fs::path target = writtenPath(path);
    TemporaryCopy temporary(temporaryBeside(target));
    Package package;
    if (::access(target.parent_path().empty() ? "." : target.parent_path().c_str(), W_OK) != 0)
        return fromErrno(errno, target.parent_path().string());
    std::error_code ec;
    if (fs::exists(target, ec) && ::access(target.c_str(), W_OK) != 0)
        return fromErrno(errno, target.string());
    if (!package.open(temporary.path().string(), ZIP_CREATE | ZIP_TRUNCATE))
        return failure(DocxResult::Error::CannotSave, target.string());

    std::vector<PictureRef> pictures;
    std::string rels = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships xmlns=\"") +
                       kPackageRelNs + "\">";
    bool written = true;
    for (const DocumentBlock& block : document.blocks()) {
        if (block.kind != DocumentBlock::Kind::Picture)
            continue;
        const std::size_t n = pictures.size() + 1;
        PictureRef ref{"rId" + std::to_string(n), "picture" + std::to_string(n) + ".png", static_cast<long>(n)};
        rels += "<Relationship Id=\"" + ref.relationshipId + "\" Type=\"" + kImageRelType + "\" Target=\"media/" +
                ref.mediaName + "\"/>";
        written = written && package.put("word/media/" + ref.mediaName, std::string(block.png.begin(), block.png.end()));
        pictures.push_back(ref);
    }
    rels += "</Relationships>";

    const std::string body = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document" +
                             namespaceDeclarations() + "><w:body>" + blocksXml(document, pictures) +
                             "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" w:right=\"1134\" "
                             "w:bottom=\"1134\" w:left=\"1134\" w:header=\"709\" w:footer=\"709\" w:gutter=\"0\"/>"
                             "</w:sectPr></w:body></w:document>";
    written = written && package.put("[Content_Types].xml", contentTypesXml()) &&
              package.put("_rels/.rels", packageRelsXml()) && package.put("word/document.xml", body) &&
              package.put("word/_rels/document.xml.rels", rels);
    if (!written)
        return failure(DocxResult::Error::CannotSave, target.string());
    if (const auto error = package.close())
        return fromErrno(*error ? *error : EIO, target.string());
    return replaceWith(temporary, target);
}

DocxResult append(const std::string& path, const OutputDocument& document)
{
    const fs::path target = writtenPath(path);
    std::error_code ec;
    if (!fs::is_regular_file(target, ec))
        return failure(DocxResult::Error::NotFound, path);
    if (::access(target.c_str(), W_OK) != 0)
        return fromErrno(errno, path);

    // The copy is declared before the package, so the package lets go of it before it is removed.
    TemporaryCopy temporary(temporaryBeside(target));
    fs::copy_file(target, temporary.path(), fs::copy_options::overwrite_existing, ec);
    if (ec)
        return fromErrno(ec.value(), path);

    Package package;
    if (!package.open(temporary.path().string(), 0))
        return failure(DocxResult::Error::NotWordDocument, path);
    const std::optional<std::string> part = mainPartName(package);
    const std::optional<std::string> main = part ? package.read(*part) : std::nullopt;
    pugi::xml_document doc;
    if (!main || !loadXml(doc, *main, pugi::parse_default | pugi::parse_ws_pcdata_single))
        return failure(DocxResult::Error::NotWordDocument, path);
    pugi::xml_node root = doc.document_element();
    if (std::string(root.attribute("xmlns:w").as_string()) != kMainNs || std::string(root.name()) != "w:document")
        return failure(DocxResult::Error::NotWordDocument, path);
    pugi::xml_node body = root.child("w:body");
    if (!body)
        return failure(DocxResult::Error::NotWordDocument, path);
    // The prefixes our blocks use must mean what they mean to us; missing ones are declared.
    for (const auto& [prefix, uri] : kBlockNamespaces) {
        const std::string name = std::string("xmlns:") + prefix;
        pugi::xml_attribute declared = root.attribute(name.c_str());
        if (!declared)
            root.append_attribute(name.c_str()) = uri;
        else if (std::string(declared.as_string()) != uri)
            return failure(DocxResult::Error::NotWordDocument, path);
    }

    // Relationship ids, picture ids and media names that the document does not use yet.
    const std::string relsName = relsPartOf(*part);
    pugi::xml_document rels;
    if (package.has(relsName)) {
        // Present but unreadable is damage, not absence: it must not be replaced by a new list.
        const auto text = package.read(relsName);
        if (!text || !loadXml(rels, *text))
            return failure(DocxResult::Error::NotWordDocument, path);
    } else {
        rels.append_child("Relationships").append_attribute("xmlns") = kPackageRelNs;
    }
    std::set<std::string> usedIds;
    for (pugi::xml_node r : rels.document_element().children())
        usedIds.insert(r.attribute("Id").as_string());
    long drawingId = 0;
    for (pugi::xpath_node n : doc.select_nodes("//*[local-name()='docPr' or local-name()='cNvPr']"))
        drawingId = std::max(drawingId, static_cast<long>(n.node().attribute("id").as_llong()));
    const std::string mediaFolder = folderOf(*part) + "media/";
    std::vector<PictureRef> pictures;
    int counter = 0;
    for (std::size_t i = 0; i < pictureCount(document); ++i) {
        PictureRef ref;
        do
            ref.relationshipId = "rIdVarisect" + std::to_string(++counter);
        while (usedIds.count(ref.relationshipId));
        usedIds.insert(ref.relationshipId);
        int media = 0;
        do
            ref.mediaName = "varisect" + std::to_string(++media) + ".png";
        while (package.has(mediaFolder + ref.mediaName) ||
               std::any_of(pictures.begin(), pictures.end(), [&](const PictureRef& p) { return p.mediaName == ref.mediaName; }));
        ref.drawingId = ++drawingId;
        pictures.push_back(ref);
        pugi::xml_node r = rels.document_element().append_child("Relationship");
        r.append_attribute("Id") = ref.relationshipId.c_str();
        r.append_attribute("Type") = kImageRelType;
        r.append_attribute("Target") = ("media/" + ref.mediaName).c_str();
    }

    // The new blocks, parsed under a root that declares their prefixes, go before the final
    // section settings (or at the end of a body that has none).
    pugi::xml_document fragment;
    const std::string wrapped = "<root" + namespaceDeclarations() + ">" + blocksXml(document, pictures) + "</root>";
    if (!fragment.load_string(wrapped.c_str(), pugi::parse_default | pugi::parse_ws_pcdata))
        return failure(DocxResult::Error::CannotSave, "the new content");
    pugi::xml_node sectPr = body.last_child();
    if (std::string(sectPr.name()) != "w:sectPr")
        sectPr = pugi::xml_node();
    for (pugi::xml_node block : fragment.document_element().children()) {
        if (sectPr)
            body.insert_copy_before(block, sectPr);
        else
            body.append_copy(block);
    }

    // Content types: PNG pictures must have theirs.
    bool written = true;
    if (!pictures.empty()) {
        pugi::xml_document types;
        const auto text = package.read("[Content_Types].xml");
        if (!text || !loadXml(types, *text))
            return failure(DocxResult::Error::NotWordDocument, path);
        bool png = false;
        for (pugi::xml_node d : types.document_element().children("Default")) {
            std::string ext = d.attribute("Extension").as_string();
            std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
            png = png || ext == "png";
        }
        if (!png) {
            pugi::xml_node d = types.document_element().prepend_child("Default");
            d.append_attribute("Extension") = "png";
            d.append_attribute("ContentType") = "image/png";
        }
        written = package.put("[Content_Types].xml", xmlText(types));
        std::size_t picture = 0;
        for (const DocumentBlock& block : document.blocks())
            if (block.kind == DocumentBlock::Kind::Picture)
                written = written && package.put(mediaFolder + pictures[picture++].mediaName,
                                                  std::string(block.png.begin(), block.png.end()));
        written = written && package.put(relsName, xmlText(rels));
    }
    written = written && package.put(*part, xmlText(doc));
    if (!written)
        return failure(DocxResult::Error::CannotSave, path);
    if (const auto error = package.close())
        return fromErrno(*error ? *error : EIO, path);
    return replaceWith(temporary, target);
}

}  // namespace

DocxResult writeNewDocx(const std::string& path, const OutputDocument& document)
{
    try {
        return writeNew(path, document);
    } catch (const std::exception& e) {
        return failure(DocxResult::Error::CannotSave, path + ": " + e.what());
    } catch (...) {
        return failure(DocxResult::Error::CannotSave, path);
    }
}

// Anything thrown while the document is read and rebuilt (running out of memory on a hostile
// one above all) ends as a refusal of the document; the copy has gone with the stack.
DocxResult appendToDocx(const std::string& path, const OutputDocument& document)
{
    try {
        return append(path, document);
    } catch (const std::exception& e) {
        return failure(DocxResult::Error::NotWordDocument, path + ": " + e.what());
    } catch (...) {
        return failure(DocxResult::Error::NotWordDocument, path);
    }
}

bool nestedDeeperThan(std::string_view xml, int limit)
{
    int depth = 0;
    std::size_t i = 0;
    const auto startsAt = [&](std::string_view what) { return xml.substr(i, what.size()) == what; };
    const auto skipPast = [&](std::string_view end) {
        const std::size_t at = xml.find(end, i);
        i = at == std::string_view::npos ? xml.size() : at + end.size();
    };
    // To the '>' that ends a tag or declaration, past quoted values (and, for a document type,
    // past its internal subset in brackets).
    const auto skipTag = [&](bool declaration) {
        char quote = 0;
        int brackets = 0;
        for (; i < xml.size(); ++i) {
            const char c = xml[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (declaration && c == '[') {
                ++brackets;
            } else if (declaration && c == ']') {
                --brackets;
            } else if (c == '>' && brackets <= 0) {
                return xml[i - 1] == '/';
            }
        }
        return false;
    };
    while ((i = xml.find('<', i)) != std::string_view::npos) {
        if (startsAt("<!--")) {
            i += 4;
            skipPast("-->");
        } else if (startsAt("<![CDATA[")) {
            i += 9;
            skipPast("]]>");
        } else if (startsAt("<?")) {
            i += 2;
            skipPast("?>");
        } else if (startsAt("<!") || startsAt("</")) {
            const bool declaration = xml[i + 1] == '!';
            if (!declaration)
                --depth;
            i += 2;
            skipTag(declaration);
            ++i;
        } else {
            ++i;
            const bool empty = skipTag(false);
            ++i;
            if (!empty && ++depth > limit)
                return true;
        }
    }
    return false;
}

bool IsLocked(const std::string& path)
{
    const fs::path p(path);
    std::error_code ec;
    const std::string name = p.filename().string();
    const fs::path folder = p.parent_path();
    // The lock files word processors keep beside an open document.
    if (fs::exists(folder / (".~lock." + name + "#"), ec))
        return true;
    if (name.size() > 2 && fs::exists(folder / ("~$" + name.substr(2)), ec))
        return true;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT && errno != EACCES;  // a file that cannot be opened at all is held
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string docxDocumentXml(const std::string& path)
{
    Package package;
    if (!package.open(path, ZIP_RDONLY))
        return {};
    const auto part = mainPartName(package);
    return part ? package.read(*part).value_or(std::string()) : std::string();
}

}  // namespace varisect
