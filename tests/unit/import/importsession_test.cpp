// SPDX-License-Identifier: GPL-3.0-or-later
// The import window's state: a file read and its layout guessed, the mapping changed, the within
// factors typed, and the names and labels the user edits checked before the design is handed on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "data/datafilewriter.h"
#include "import/importsession.h"

using namespace varisect;
namespace fs = std::filesystem;

namespace {

fs::path writeFile(const std::string& name, const std::string& text)
{
    static const struct Dir {
        fs::path path = fs::temp_directory_path() / ("varisect-session-" + std::to_string(::getpid()));
        Dir() { fs::create_directories(path); }
        ~Dir() { fs::remove_all(path); }
    } dir;
    std::ofstream(dir.path / name, std::ios::binary) << text;
    return dir.path / name;
}

// Two subjects per group, Group between, Time within.
const char* const kWide = "Id,Group,Time1,Time2,Time3\n1,Ctl,3,4,6\n2,Ctl,2,5,5\n3,Trt,6,8,9\n4,Trt,7,7,10\n";

std::vector<std::vector<std::string>> labelsOf(const ImportProposal& p)
{
    std::vector<std::vector<std::string>> out;
    for (const Factor& f : p.design.factors)
        out.push_back(f.levelLabels);
    return out;
}

std::vector<std::string> namesOf(const ImportProposal& p)
{
    std::vector<std::string> out;
    for (const Factor& f : p.design.factors)
        out.push_back(f.name);
    return out;
}

}  // namespace

TEST(ImportSession, OpensGuessesAndFollowsTheMapping)
{
    ImportSession s;
    // A file that cannot be read leaves nothing behind.
    const auto refused = s.open(writeFile("bad.csv", "a,b\n1,\"2\n"));
    ASSERT_TRUE(refused);
    EXPECT_FALSE(s.hasTable());

    ASSERT_FALSE(s.open(writeFile("wide.csv", kWide)));
    ASSERT_TRUE(s.hasTable());
    EXPECT_EQ(s.shape(), DataShape::Wide);
    EXPECT_EQ(s.wideMapping().cellColumns, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(s.withinFactorsText(), "Time=3");
    EXPECT_EQ(s.preview(2)[1], (std::vector<std::string>{"2", "Ctl", "2", "5", "5"}));
    ASSERT_TRUE(s.proposal().ready()) << s.proposal().refusal.value_or("");
    EXPECT_EQ(namesOf(s.proposal()), (std::vector<std::string>{"Group", "Time", "Id"}));
    EXPECT_EQ(s.proposal().design.anovaType, AnovaType::RepeatedMeasures);

    // Typed factors must multiply to the cell columns; a refusal changes nothing.
    const auto wrong = s.setWithinFactors("Time=2");
    ASSERT_TRUE(wrong);
    EXPECT_NE(wrong->find("multiply to the 3 cell columns"), std::string::npos) << *wrong;
    EXPECT_TRUE(s.setWithinFactors("Phase 3"));
    EXPECT_EQ(s.withinFactorsText(), "Time=3");
    EXPECT_FALSE(s.setWithinFactors("Phase=3"));
    EXPECT_EQ(namesOf(s.proposal())[1], "Phase");

    // Fewer cell columns: the headers give the factor again.
    WideMapping m = s.wideMapping();
    m.cellColumns = {2, 3};
    s.setWideMapping(m);
    EXPECT_EQ(s.withinFactorsText(), "Time=2");
    ASSERT_TRUE(s.proposal().ready());
    EXPECT_EQ(s.proposal().data->items.size(), 8u);

    // The same table read as long data has no score column that makes sense: refused, said.
    s.setShape(DataShape::Long);
    EXPECT_FALSE(s.proposal().ready());
}

TEST(ImportSession, DroppingIncompleteRowsOfIndependentGroups)
{
    ImportSession s;
    ASSERT_FALSE(s.open(writeFile("gap.csv", "Group,Score\nA,1\nA,2\nB,\nB,4\nB,5\nA,6\n")));
    EXPECT_EQ(s.shape(), DataShape::Long);
    EXPECT_FALSE(s.proposal().ready());
    EXPECT_TRUE(s.proposal().mayDropIncomplete);
    const auto blocked = s.accept({}, {});
    EXPECT_FALSE(blocked.design);
    EXPECT_EQ(*blocked.problem, "The data are not complete: settle the problems listed first.");

    s.setDropIncomplete(true);
    ASSERT_TRUE(s.proposal().ready());
    EXPECT_EQ(s.proposal().droppedRows, (std::vector<long>{4}));  // the cells that leaves: the layouts' tests
}

TEST(ImportSession, EditedNamesAndLabelsFollowTheDesignRules)
{
    ImportSession s;
    ASSERT_FALSE(s.open(writeFile("wide2.csv", kWide)));
    const ImportProposal& p = s.proposal();
    ASSERT_TRUE(p.ready());
    const auto names = namesOf(p);
    const auto labels = labelsOf(p);

    // As proposed: accepted, with the full labels for the export.
    const auto asIs = s.accept(names, labels);
    ASSERT_TRUE(asIs.design) << asIs.problem.value_or("");
    EXPECT_EQ(asIs.design->labels[0], (std::vector<std::string>{"Ctl", "Trt"}));
    EXPECT_EQ(dataFileText(asIs.design->data), dataFileText(*p.data));

    struct Case {
        std::vector<std::string> names;
        std::vector<std::vector<std::string>> labels;
        std::string problem;
    };
    const std::vector<Case> refused = {
        {{"Group", "", "Id"}, labels, "Factor 2 has no name."},
        {{"Group", "2nd", "Id"}, labels, "\"2nd\": The first character of the factor name must be a letter."},
        {{"Group", "Gap", "Id"}, labels,
         "The program requires the first letter of all factor names to be unique.  Please change the name of either "
         "Group or Gap."},
        {names, {{"Ctl", "T"}, labels[1], {}}, "Level 1 of Group: the label \"Ctl\" is longer than 2 characters."},
        {names, {{"C", "C"}, labels[1], {}}, "Level 2 of Group: the label \"C\" is already the label of another level."},
        {names, {{"C", " "}, labels[1], {}}, "Level 2 of Group has no label."},
        {names, {{"C"}, labels[1], {}}, "The factor Group needs one label for each of its 2 levels."},
    };
    for (const Case& c : refused) {
        const auto out = s.accept(c.names, c.labels);
        EXPECT_FALSE(out.design);
        EXPECT_EQ(out.problem.value_or(""), c.problem);
    }

    // Renamed factors take their new initials, and the nesting follows them.
    const auto renamed = s.accept({"Treatment", "Occasion", "Person"}, {{"C", "T"}, {"1", "2", "3"}, {}});
    ASSERT_TRUE(renamed.design) << renamed.problem.value_or("");
    const Design& d = renamed.design->design;
    EXPECT_EQ(d.factor(1).tableLabel, 'T');
    EXPECT_EQ(d.factor(1).levelLabels, (std::vector<std::string>{"C", "T"}));
    ASSERT_TRUE(d.nested);
    ASSERT_EQ(d.nestingMatrix.size(), 1u);
    EXPECT_EQ(d.nestingMatrix[0], (NestRelation{'P', 'T'}));
}
