// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/startupinfo.h"

#include <gtest/gtest.h>

namespace varisect {
namespace {

TEST(StartupInfo, FontAndScaleFollowTheScreenWidth)
{
    // 760 and 840 pixels are the ends of the 5% band around 800 and still count as inside it.
    for (int width : {760, 800, 840})
        EXPECT_EQ(chooseInterfaceFont(width), "MS Sans Serif") << width;
    for (int width : {0, -5, 640, 759, 841, 1024, 1920})
        EXPECT_EQ(chooseInterfaceFont(width), "Arial") << width;

    EXPECT_DOUBLE_EQ(screenScale(800), 0.75);
    EXPECT_DOUBLE_EQ(screenScale(1024), 0.96);
    EXPECT_DOUBLE_EQ(screenScale(640), 0.6);
    EXPECT_DOUBLE_EQ(screenScale(0), 0.75);
}

TEST(StartupInfo, ProgramFolderEndsWithASeparator)
{
    EXPECT_EQ(programFolder("/opt/varisect/bin/varisect"), "/opt/varisect/bin/");
    EXPECT_EQ(programFolder("C:/Program Files/Varisect/varisect.exe"), "C:/Program Files/Varisect/");
    EXPECT_EQ(programFolder("C:\\Varisect\\varisect.exe"), "C:\\Varisect\\");
    EXPECT_EQ(programFolder("/varisect"), "/");
    EXPECT_EQ(programFolder("varisect"), "./");
    EXPECT_EQ(programFolder(""), "./");

    EXPECT_EQ(helpFilePath("/opt/varisect/bin/"), "/opt/varisect/bin/Varisect.hlp");
    EXPECT_EQ(helpFilePath("/opt/varisect"), "/opt/varisect/Varisect.hlp");
}

}  // namespace
}  // namespace varisect
