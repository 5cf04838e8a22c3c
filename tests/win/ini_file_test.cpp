#include "rtl/exceptions.h"
#include "rtl/ini_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "rtl/files.h"
#include "rtl/string_list.h"
#include "rtl/wide.h"

namespace {

std::string TempIniName(const char* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::string file = rtl::WideToUtf8(folder) + name;
    rtl::DeleteFile(file);
    return file;
}

TEST(IniFile, WrittenKeysReadBackAndMissingOnesGiveTheDefault)
{
    TIniFile ini(TempIniName("qv_ini_roundtrip.ini"));
    ini.WriteInteger("Settings", "Interval", 30);
    ini.WriteBool("Settings", "Balloonhint", false);
    ini.WriteString("Proxy", "Host", "proxy.example");
    EXPECT_EQ(ini.ReadInteger("Settings", "Interval", 15), 30);
    EXPECT_FALSE(ini.ReadBool("Settings", "Balloonhint", true));
    EXPECT_EQ(ini.ReadString("Proxy", "Host", ""), "proxy.example");
    EXPECT_EQ(ini.ReadInteger("Settings", "Missing", 15), 15);
    EXPECT_EQ(ini.ReadString("Nope", "Host", "dflt"), "dflt");
    EXPECT_EQ(ReadFileBytes(ini.FileName()),
              "[Settings]\r\nInterval=30\r\nBalloonhint=0\r\n[Proxy]\r\nHost=proxy.example\r\n");
}

TEST(IniFile, StringsAreReadUpTo2047Characters)
{
    TIniFile ini(TempIniName("qv_ini_long.ini"));
    ini.WriteString("Proxy", "Pass", std::string(3000, 'x'));
    EXPECT_EQ(ini.ReadString("Proxy", "Pass", "").size(), 2047u);
}

TEST(IniFile, AFailedWriteRaisesUnableToWrite)
{
    TIniFile ini("Z:\\no\\such\\folder\\x.ini");
    try {
        ini.WriteInteger("Window", "Top", 1);
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to Z:\\no\\such\\folder\\x.ini");
    }
}

} // namespace
