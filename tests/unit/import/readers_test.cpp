// SPDX-License-Identifier: GPL-3.0-or-later
// The import readers on small files the tests write: CSV and tab-separated text, .xlsx and .ods
// packages made with libzip, SPSS and Stata files made with ReadStat's writer, and an .xls
// workbook kept in tests/data (see the note there).
#include <gtest/gtest.h>

#include <readstat.h>
#include <zip.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <map>

#include "import/importtable.h"

using namespace varisect;
namespace fs = std::filesystem;

namespace {

fs::path tempDir()
{
    // Made once, removed when the tests end.
    static const struct Dir {
        fs::path path = fs::temp_directory_path() / ("varisect-import-" + std::to_string(::getpid()));
        Dir() { fs::create_directories(path); }
        ~Dir() { fs::remove_all(path); }
    } dir;
    return dir.path;
}

std::string lowered(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string shown(const ImportTable& t, long row, int column) { return t.rows[size_t(row)][size_t(column)].shown(); }

// A zip package of the given parts.
void writeZip(const fs::path& path, const std::map<std::string, std::string>& parts)
{
    fs::remove(path);
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto& [name, text] : parts) {
        zip_source_t* s = zip_source_buffer(z, text.data(), text.size(), 0);
        ASSERT_GE(zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

std::map<std::string, std::string> xlsxParts(const std::string& sheet1, const std::string& sheet2)
{
    return {
        {"xl/workbook.xml",
         R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
         R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
         R"(<sheet name="Notes" sheetId="1" r:id="rId1"/><sheet name="Data" sheetId="2" r:id="rId2"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="ws" Target="worksheets/sheet1.xml"/>)"
         R"(<Relationship Id="rId2" Type="ws" Target="/xl/worksheets/sheet2.xml"/></Relationships>)"},
        {"xl/sharedStrings.xml",
         R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>Group</t></si>)"
         R"(<si><t>Score</t></si><si><r><t>Con</t></r><r><t>trol</t></r></si><si><t>Drug</t></si></sst>)"},
        {"xl/worksheets/sheet1.xml", sheet1},
        {"xl/worksheets/sheet2.xml", sheet2},
    };
}

const char* kSheetHead = R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
const char* kSheetTail = "</sheetData></worksheet>";

}  // namespace

TEST(CsvReader, QuotesSeparatorsLineEndingsAndMissingCells)
{
    // Comma-separated with a BOM and CR LF, a quoted field holding the separator, a doubled
    // quote and a line break, an empty line (a row of its own) and a missing score.
    const std::string text = "\xEF\xBB\xBFGroup,Note,Score\r\n"
                             "A,\"one, two\",1.5\r\n"
                             "B,\"say \"\"hi\"\"\nthere\",-2e1\r\n"
                             "\r\n"
                             "C,,NA\r\n";
    const ImportResult r = readCsvText(text, "t.csv");
    ASSERT_TRUE(r.ok()) << r.error->message;
    const ImportTable& t = *r.table;
    ASSERT_EQ(t.columnCount(), 3);
    EXPECT_EQ(t.columns[0].name, "Group");
    ASSERT_EQ(t.rowCount(), 4);
    EXPECT_EQ(shown(t, 0, 1), "one, two");
    EXPECT_EQ(t.rows[0][2], ImportCell::ofNumber(1.5, "1.5"));
    EXPECT_EQ(shown(t, 1, 1), "say \"hi\"\nthere");
    EXPECT_EQ(t.rows[1][2].number, -20);
    EXPECT_EQ(t.rowNumbers, (std::vector<long>{2, 3, 4, 5}));
    EXPECT_TRUE(t.rows[3][1].isMissing());
    EXPECT_TRUE(t.rows[3][2].isMissing());

    // A semicolon makes a decimal comma; a tab wins over commas inside the fields.
    const ImportResult semi = readCsvText("Group;Score\nA;3,25\nB;4\n", "s.csv");
    ASSERT_TRUE(semi.ok());
    EXPECT_EQ(semi.table->rows[0][1].number, 3.25);
    const ImportResult tab = readCsvText("Group\tScore\nA,B\t3.5\n", "t.tsv");
    ASSERT_TRUE(tab.ok());
    EXPECT_EQ(shown(*tab.table, 0, 0), "A,B");
    EXPECT_EQ(tab.table->rows[0][1].number, 3.5);
    // With the comma as separator "3,25" is two fields, never 3.25.
    const ImportResult comma = readCsvText("Group,Score\nA,\"3,25\"\n", "c.csv");
    ASSERT_TRUE(comma.ok());
    EXPECT_FALSE(comma.table->rows[0][1].isNumber());
}

TEST(CsvReader, RefusalsNameRowAndColumn)
{
    const ImportResult open = readCsvText("A,B\n1,2\n3,\"unclosed\n", "bad.csv");
    ASSERT_FALSE(open.ok());
    EXPECT_EQ(open.error->row, 3);
    EXPECT_EQ(open.error->column, 2);
    EXPECT_NE(open.error->message.find("bad.csv: row 3, column 2"), std::string::npos) << open.error->message;

    const ImportResult stray = readCsvText("A,B\n1,x\"y\"\n", "bad.csv");
    ASSERT_FALSE(stray.ok());
    EXPECT_EQ(stray.error->row, 2);

    const ImportResult latin = readCsvText("A,B\n1,caf\xE9\n", "latin.csv");
    ASSERT_FALSE(latin.ok());
    EXPECT_NE(latin.error->message.find("row 2, column 2 is not UTF-8"), std::string::npos) << latin.error->message;

    ImportOptions small;
    small.limits.maxRows = 2;
    const ImportResult many = readCsvText("A\n1\n2\n3\n4\n", "many.csv", small);
    ASSERT_FALSE(many.ok());
    EXPECT_NE(many.error->message.find("more rows"), std::string::npos);

    EXPECT_FALSE(readCsvText("", "empty.csv").ok());
    EXPECT_FALSE(readCsvFile(tempDir()).ok());  // a folder
}

TEST(SpreadsheetReader, XlsxSheetSharedStringsNumbersAndEmptyCells)
{
    const fs::path path = tempDir() / "data.xlsx";
    const std::string data = std::string(kSheetHead) +
                             R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)"
                             R"(<row r="2"><c r="A2" t="s"><v>2</v></c><c r="B2"><v>12.5</v></c></row>)"
                             R"(<row r="4"><c r="A4" t="inlineStr"><is><t>Drug</t></is></c></row>)"
                             R"(<row r="5"><c r="B5"><v>7</v></c></row>)" +
                             kSheetTail;
    writeZip(path, xlsxParts(std::string(kSheetHead) + R"(<row r="1"><c r="A1" t="inlineStr"><is><t>x</t></is></c></row>)" + kSheetTail, data));

    EXPECT_EQ(listSheets(path).names, (std::vector<std::string>{"Notes", "Data"}));
    ImportOptions options;
    options.sheet = "Data";
    const ImportResult r = readTableFile(path, options);
    ASSERT_TRUE(r.ok()) << r.error->message;
    const ImportTable& t = *r.table;
    EXPECT_EQ(t.columns[0].name, "Group");
    EXPECT_EQ(t.columns[1].name, "Score");
    ASSERT_EQ(t.rowCount(), 4);
    EXPECT_EQ(shown(t, 0, 0), "Control");
    EXPECT_EQ(t.rows[0][1].number, 12.5);
    EXPECT_TRUE(t.rows[1][0].isMissing());  // row 3 is empty
    EXPECT_EQ(shown(t, 2, 0), "Drug");
    EXPECT_TRUE(t.rows[2][1].isMissing());
    EXPECT_EQ(t.rowNumbers, (std::vector<long>{2, 3, 4, 5}));
    EXPECT_EQ(t.cellReference(3, 1), "row 5, column B (\"Score\")");

    options.sheet = "2";
    EXPECT_TRUE(readTableFile(path, options).ok());
    options.sheet = "Missing";
    const ImportResult none = readTableFile(path, options);
    ASSERT_FALSE(none.ok());
    EXPECT_NE(none.error->message.find("\"Notes\", \"Data\""), std::string::npos);
}

TEST(SpreadsheetReader, XlsxRefusals)
{
    const fs::path path = tempDir() / "bad.xlsx";
    // A shared string that does not exist names its cell.
    writeZip(path, xlsxParts(std::string(kSheetHead) + R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)" +
                                 R"(<row r="2"><c r="C2" t="s"><v>99</v></c></row>)" + kSheetTail,
                             kSheetHead + std::string(kSheetTail)));
    const ImportResult missing = readXlsxFile(path);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error->row, 2);
    EXPECT_EQ(missing.error->column, 3);
    EXPECT_NE(missing.error->message.find("row 2, column C"), std::string::npos) << missing.error->message;

    // A part larger than the limit is refused by what is read, not allocated.
    std::string big = kSheetHead;
    for (int r = 1; r <= 2000; ++r)
        big += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>1</v></c></row>";
    writeZip(path, xlsxParts(big + kSheetTail, kSheetHead + std::string(kSheetTail)));
    ImportOptions small;
    small.limits.maxBytes = 4096;
    const ImportResult large = readXlsxFile(path, small);
    ASSERT_FALSE(large.ok());
    EXPECT_NE(large.error->message.find("xl/worksheets/sheet1.xml is larger"), std::string::npos)
        << large.error->message;

    // Not a zip package at all.
    std::ofstream(path) << "Group,Score\n";
    EXPECT_FALSE(readXlsxFile(path).ok());
}

TEST(SpreadsheetReader, OdsRepeatedCellsAndRows)
{
    const fs::path path = tempDir() / "data.ods";
    const std::string content =
        R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
        R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
        R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:spreadsheet>)"
        R"(<table:table table:name="First"><table:table-row><table:table-cell office:value-type="string"><text:p>x</text:p></table:table-cell></table:table-row></table:table>)"
        R"(<table:table table:name="Scores">)"
        R"(<table:table-row><table:table-cell office:value-type="string"><text:p>Group</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="string"><text:p>My<text:s text:c="2"/>Score</text:p></table:table-cell></table:table-row>)"
        R"(<table:table-row table:number-rows-repeated="2"><table:table-cell office:value-type="string"><text:p>A</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="float" office:value="4.5"/></table:table-row>)"
        R"(<table:table-row><table:table-cell table:number-columns-repeated="2" office:value-type="float" office:value="3"/>)"
        R"(<table:table-cell table:number-columns-repeated="16380"/></table:table-row>)"
        R"(<table:table-row table:number-rows-repeated="1048000"><table:table-cell table:number-columns-repeated="1024"/></table:table-row>)"
        R"(</table:table></office:spreadsheet></office:body></office:document-content>)";
    writeZip(path, {{"content.xml", content}, {"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}});
    EXPECT_EQ(listSheets(path).names, (std::vector<std::string>{"First", "Scores"}));
    ImportOptions options;
    options.sheet = "Scores";
    const ImportResult r = readTableFile(path, options);
    ASSERT_TRUE(r.ok()) << r.error->message;
    const ImportTable& t = *r.table;
    ASSERT_EQ(t.columnCount(), 2);
    EXPECT_EQ(t.columns[1].name, "My  Score");
    ASSERT_EQ(t.rowCount(), 3);
    EXPECT_EQ(shown(t, 1, 0), "A");
    EXPECT_EQ(t.rows[1][1].number, 4.5);
    EXPECT_EQ(t.rows[2][0].number, 3);
    EXPECT_EQ(t.rows[2][1].number, 3);

    // A row repeated past the limit is refused, naming the row.
    const std::string bomb =
        R"(<office:document-content xmlns:office="o" xmlns:table="t" xmlns:text="x"><office:body><office:spreadsheet>)"
        R"(<table:table table:name="S"><table:table-row table:number-rows-repeated="5000000">)"
        R"(<table:table-cell office:value-type="float" office:value="1"/></table:table-row></table:table>)"
        R"(</office:spreadsheet></office:body></office:document-content>)";
    writeZip(path, {{"content.xml", bomb}});
    const ImportResult refused = readOdsFile(path);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error->row, 1);
}

TEST(SpreadsheetReader, WorkbooksMadeByOtherPrograms)
{
    // tests/data/groups.*: see tests/data/README.md.
    for (const char* name : {"groups.xls", "groups.xlsx", "groups.ods"}) {
        SCOPED_TRACE(name);
        const fs::path path = fs::path(VARISECT_TEST_DATA) / name;
        EXPECT_EQ(listSheets(path).names, (std::vector<std::string>{"Info", "Scores"}));
        ImportOptions options;
        options.sheet = "Scores";
        const ImportResult r = readTableFile(path, options);
        ASSERT_TRUE(r.ok()) << r.error->message;
        const ImportTable& t = *r.table;
        ASSERT_EQ(t.columnCount(), 3);
        EXPECT_EQ(t.columns[0].name, "Group");
        EXPECT_EQ(t.columns[2].name, "Score");
        ASSERT_EQ(t.rowCount(), 6);
        EXPECT_EQ(shown(t, 0, 0), "Control");
        EXPECT_EQ(t.rows[0][2].number, 3.5);
        EXPECT_EQ(t.rows[4][2].number, 8.25);
        EXPECT_EQ(t.rows[5][1].number, 6);
        EXPECT_TRUE(t.rows[5][2].isMissing());
        // Without a sheet named, the first: "Info" holds a title and no data.
        const ImportResult info = readTableFile(path);
        ASSERT_TRUE(info.ok()) << info.error->message;
        EXPECT_EQ(info.table->columns[0].name, "Made for the import tests");
        EXPECT_EQ(info.table->rowCount(), 0);
    }
    EXPECT_FALSE(readXlsFile(tempDir() / "nothing.xls").ok());
}

namespace {

ssize_t writeBytes(const void* bytes, size_t length, void* context)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(bytes), length);
    return static_cast<ssize_t>(length);
}

enum class Kind { Sav, Zsav, Dta, Sas };

// Drug (value-labelled 1 Placebo, 2 Active, where the format keeps labels with the data), Time
// 1..2, Score with 99 user-missing (SPSS) and one system-missing score.
std::string statFile(Kind kind)
{
    const bool sav = kind == Kind::Sav || kind == Kind::Zsav;
    const bool compressed = kind == Kind::Zsav;
    std::string bytes;
    readstat_writer_t* w = readstat_writer_init();
    readstat_set_data_writer(w, writeBytes);
    if (compressed)
        readstat_writer_set_compression(w, READSTAT_COMPRESS_BINARY);
    const bool integers = kind == Kind::Dta;
    readstat_label_set_t* labels =
        kind == Kind::Sas ? nullptr
                          : readstat_add_label_set(w, integers ? READSTAT_TYPE_INT32 : READSTAT_TYPE_DOUBLE, "druglab");
    if (labels && !integers) {
        readstat_label_double_value(labels, 1, "Placebo");
        readstat_label_double_value(labels, 2, "Active");
    } else if (labels) {
        readstat_label_int32_value(labels, 1, "Placebo");
        readstat_label_int32_value(labels, 2, "Active");
    }
    readstat_variable_t* drug =
        readstat_add_variable(w, kind == Kind::Sas ? "DRUG" : "Drug", integers ? READSTAT_TYPE_INT32 : READSTAT_TYPE_DOUBLE, 0);
    if (labels)
        readstat_variable_set_label_set(drug, labels);
    readstat_variable_t* time = readstat_add_variable(w, "Time", READSTAT_TYPE_DOUBLE, 0);
    readstat_variable_t* score = readstat_add_variable(w, "Score", READSTAT_TYPE_DOUBLE, 0);
    if (sav)
        readstat_variable_add_missing_double_value(score, 99);
    const double scores[] = {4, 6, 99, 8};
    if (sav)
        readstat_begin_writing_sav(w, &bytes, 5);
    else if (kind == Kind::Dta)
        readstat_begin_writing_dta(w, &bytes, 5);
    else
        readstat_begin_writing_sas7bdat(w, &bytes, 5);
    for (int i = 0; i < 5; ++i) {
        readstat_begin_row(w);
        if (integers)
            readstat_insert_int32_value(w, drug, i % 2 + 1);
        else
            readstat_insert_double_value(w, drug, i % 2 + 1);
        readstat_insert_double_value(w, time, i / 2 + 1);
        if (i < 4)
            readstat_insert_double_value(w, score, scores[i]);
        else
            readstat_insert_missing_value(w, score);
        readstat_end_row(w);
    }
    readstat_end_writing(w);
    readstat_writer_free(w);
    return bytes;
}

}  // namespace

TEST(StatisticsFileReader, ValueLabelsAndMissingValues)
{
    const std::pair<const char*, Kind> files[] = {{"labels.sav", Kind::Sav}, {"labels.zsav", Kind::Zsav},
                                                  {"labels.dta", Kind::Dta}, {"labels.sas7bdat", Kind::Sas}};
    // ReadStat 1.1.8's writer of portable files crashes, so no .por is made here; .por goes
    // through the same reading code.
    for (const auto& [name, kind] : files) {
        SCOPED_TRACE(name);
        const fs::path path = tempDir() / name;
        std::ofstream(path, std::ios::binary) << statFile(kind);
        const ImportResult r = readTableFile(path);
        ASSERT_TRUE(r.ok()) << r.error->message;
        const ImportTable& t = *r.table;
        ASSERT_EQ(t.columnCount(), 3);
        EXPECT_EQ(lowered(t.columns[0].name), "drug");
        if (kind != Kind::Sas) {
            ASSERT_EQ(t.columns[0].valueLabels.size(), 2u);
            EXPECT_EQ(*t.columns[0].labelOf(ImportCell::ofNumber(2)), "Active");
        }
        ASSERT_EQ(t.rowCount(), 5);
        EXPECT_EQ(t.rows[1][2].number, 6);
        if (kind == Kind::Sav || kind == Kind::Zsav) {
            EXPECT_TRUE(t.rows[2][2].isMissing());  // 99 is user-missing
        } else {
            EXPECT_EQ(t.rows[2][2].number, 99);
        }
        EXPECT_TRUE(t.rows[4][2].isMissing());
        EXPECT_EQ(lowered(t.cellReference(4, 2)), "case 5, variable \"score\"");
    }
    const fs::path broken = tempDir() / "broken.sav";
    std::ofstream(broken) << "$FL2 this is not an SPSS file";
    const ImportResult r = readTableFile(broken);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error->message.find("cannot be read as an SPSS data file"), std::string::npos) << r.error->message;
}

TEST(ImportTableHelpers, NumbersAndFormats)
{
    EXPECT_EQ(parseImportNumber(" -1.5e2 "), -150);
    EXPECT_EQ(parseImportNumber("2,5", true), 2.5);
    for (const char* bad : {"", "1,5", "inf", "nan", "1.2.3", "12abc", "1e", "--1", "1 000"})
        EXPECT_FALSE(parseImportNumber(bad).has_value()) << bad;
    EXPECT_EQ(columnLetters(0), "A");
    EXPECT_EQ(columnLetters(27), "AB");
    EXPECT_EQ(importFormatOf("x/Data.SAV"), ImportFormat::Sav);
    EXPECT_EQ(importFormatOf("x.zsav"), ImportFormat::Sav);
    EXPECT_EQ(importFormatOf("x.dat"), ImportFormat::Unknown);
    EXPECT_FALSE(readTableFile("scores.dat").ok());
}
