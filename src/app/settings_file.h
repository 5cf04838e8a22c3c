#pragma once
#include <string>

class TMainForm;

// The settings file beside the program: read once at start into the window's controls and
// written once at exit from them, key by key in a fixed order.
class TSettingsFile {
public:
    explicit TSettingsFile(std::string fileName) : FFileName(std::move(fileName)) {}
    void Load(TMainForm& form) const;
    // Raises EIniFileException "Unable to write to <file>" at the first key that cannot be
    // written; the keys before it are saved.
    void Save(const TMainForm& form) const;

private:
    std::string FFileName;
};
