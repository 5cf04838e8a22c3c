#pragma once
#include <string>
#include <utility>

// What the settings file holds, with the values of a missing key.
struct TSettings {
    int Top = 200;
    int Left = 200;
    std::string FeedName;
    bool StartMinimized = false;
    int Interval = 15;
    int MaxEntrys = 15;
    int MaxChars = 80;
    bool CutChannelname = false;
    bool Balloonhint = true;
    int Balloonwrap = 80;
    bool ProxyEnabled = false;
    int ProxyPort = 1080;
    std::string ProxyHost;
    std::string ProxyUser;
    std::string ProxyPass;
};

// The settings file beside the program: read once at start and written once at exit, key by
// key in a fixed order. A file above 1 MB is read and written by the program itself, a piece at a
// time, instead of whole by the profile functions.
class TSettingsFile {
public:
    explicit TSettingsFile(std::string fileName) : FFileName(std::move(fileName)) {}
    TSettings Load() const;
    // Raises EIniFileException "Unable to write to <file>" at the first key that cannot be
    // written; the keys before it are saved (a large file keeps all of its old values then).
    void Save(const TSettings& settings) const;

private:
    std::string FFileName;
};
