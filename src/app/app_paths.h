#pragma once
#include <string>

// The paths the program derives from its own file, computed once at start.
struct TAppPaths {
    std::string ProgramFolder; // ends in a backslash
    std::string SettingsFile;  // program folder + program file name less its extension + ".ini"
    std::string FeedFolder;    // program folder + "Newsfeeds\"

    static TAppPaths FromProgramFile(const std::string& programFile);
};
