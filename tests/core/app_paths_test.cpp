#include "app/app_paths.h"

#include <gtest/gtest.h>

namespace {

TEST(AppPaths, SettingsFileTakesTheProgramFileNameAndFeedsLieBesideIt)
{
    TAppPaths p = TAppPaths::FromProgramFile("C:\\Tools\\Quorvane\\quorvane.exe");
    EXPECT_EQ(p.ProgramFolder, "C:\\Tools\\Quorvane\\");
    EXPECT_EQ(p.SettingsFile, "C:\\Tools\\Quorvane\\quorvane.ini");
    EXPECT_EQ(p.FeedFolder, "C:\\Tools\\Quorvane\\Newsfeeds\\");
    EXPECT_EQ(TAppPaths::FromProgramFile("D:\\x\\News Reader.exe").SettingsFile, "D:\\x\\News Reader.ini");
}

} // namespace
