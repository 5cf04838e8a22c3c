#include "app/app_paths.h"

#include "rtl/text.h"

TAppPaths TAppPaths::FromProgramFile(const std::string& programFile)
{
    TAppPaths p;
    p.ProgramFolder = rtl::ExtractFilePath(programFile);
    std::string name = rtl::ExtractFileName(programFile);
    // The extension is taken as the last four characters, as in "quorvane.exe".
    std::string stem = name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
    p.SettingsFile = p.ProgramFolder + stem + ".ini";
    p.FeedFolder = p.ProgramFolder + "Newsfeeds\\";
    return p;
}
