// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/datafilemessages.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

namespace varisect {
namespace {

TEST(DataFileMessages, SavingAndLoadingTexts)
{
    WriteResult r;
    r.problem = WriteProblem::DiskFull;
    Message m = saveFailureMessage(r);
    EXPECT_EQ(m.title, "Disk Full!");
    EXPECT_EQ(m.text,
              "The disk called for does not have sufficient room for the file.  If you can rectify the situation (for "
              "example, by inserting a new formatted diskette), then Retry after rectification.  Otherwise Cancel to "
              "forego saving.");
    r.problem = WriteProblem::WriteProtected;
    EXPECT_EQ(saveFailureMessage(r).title, "Disk Not Ready!");
    EXPECT_TRUE(saveFailureMessage(r).text.starts_with("The disk called is write-protected."));
    r.problem = WriteProblem::Other;
    r.description = "Is a directory";
    EXPECT_EQ(saveFailureMessage(r).title, "Error in Saving!");
    EXPECT_TRUE(saveFailureMessage(r).text.starts_with("Unexpected error (Is a directory).  If you can rectify"));

    m = wrongFileSelectedMessage("/home/ann/pilot.dat", 0, 30);
    EXPECT_EQ(m.text, "The number of scores in /home/ann/pilot.dat is 0, while the design calls for 30 scores.");

    EXPECT_EQ(notSavedForAnalysisMessage(UnequalAnalysis::UnweightedMeans).text,
              "The file called for has not been saved appropriately for an unweighted means analysis.\n\rYou will "
              "have to start over.");
    EXPECT_TRUE(notSavedForAnalysisMessage(UnequalAnalysis::ProportionalCellSizes)
                    .text.ends_with("for a proportional cell size analysis.\n\rYou will have to start over."));

    EXPECT_EQ(scoreCountMismatchMessage(true).text,
              scoreCountMismatchMessage(false).text +
                  "\n\r   If the design calls for unequal group sizes, please click the appropriate Unequal Cell Size "
                  "option before trying to invoke the recent Files list.");
}

TEST(DataFileMessages, ReadProblemsFromRealReads)
{
    const Message missing = dataFileProblemMessage(*countItems(std::filesystem::path("/nonexistent/x.dat")).error);
    EXPECT_EQ(missing.title, "File Not Found!");
    DataReadError device;
    device.kind = DataReadError::Kind::ReadFailure;
    device.systemError = EIO;
    EXPECT_EQ(dataFileProblemMessage(device).title, "Disk Not Ready!");

    std::istringstream cut("Unequal N\r\n 2\r\n 16352\r\n 1\r\n");
    const Message early = dataFileProblemMessage(*readUnequalNData(cut, "c", UnequalAnalysis::UnweightedMeans).error);
    EXPECT_EQ(early.title, "File Corrupted!");
    EXPECT_EQ(early.text, "The file parameters are not correct (for example, the number of levels is wrong).  You "
                          "will have to start over.");
    // A score that is no number keeps the reader's own words, naming the file and the line.
    EXPECT_EQ(dataFileProblemMessage(*readPlainDataText("1\r\nx\r\n", "a.dat").error).text,
              "Line 2 of a.dat is not a number: \"x\"\n\rYou will have to start over.");
}

TEST(NamingCheck, AnyDifferenceInTheRememberedDesignIsAConflict)
{
    RecentFileRecord current;
    current.path = "/data/study.dat";
    current.problemLabel = "Pilot";
    current.factorNames = {"Drug", "Time"};
    current.levels = {2, 3};
    current.labelsInUse = true;
    current.levelLabels = {{"P", "D"}, {"1", "2", "3"}};
    RecentFileRecord other = current;
    other.path = "/data/other.dat";
    other.problemLabel = "Something else";
    RecentFileList list;
    list.entries = {other, current};
    EXPECT_FALSE(namingConflict(list, current));

    const std::vector<void (*)(RecentFileRecord&)> changes = {
        [](RecentFileRecord& r) { r.problemLabel = "pilot"; },
        [](RecentFileRecord& r) { r.factorNames[1] = "Tim"; },
        [](RecentFileRecord& r) { r.levels[0] = 4; },
        [](RecentFileRecord& r) { r.levelLabels[1][2] = "x"; },
        [](RecentFileRecord& r) { r.labelsInUse = false; },
        [](RecentFileRecord& r) { r.factorNames.push_back("S"), r.levels.push_back(5), r.levelLabels.push_back({}); },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        RecentFileRecord changed = current;
        changes[i](changed);
        EXPECT_TRUE(namingConflict(list, changed)) << "change " << i;
        changed.path = "/data/new.dat";  // only entries of the same path count
        EXPECT_FALSE(namingConflict(list, changed)) << "change " << i;
    }

    // Without level labels in use, labels left in the entry do not matter.
    RecentFileRecord plain = current;
    plain.labelsInUse = false;
    plain.levelLabels.clear();
    list.entries = {plain};
    list.entries[0].levelLabels = {{"old", "labels"}};
    EXPECT_FALSE(namingConflict(list, plain));
}

}  // namespace
}  // namespace varisect
