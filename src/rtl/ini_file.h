#pragma once
#include <string>

// The settings file, read and written key by key through the profile-string functions.
// Reading never fails (a missing file, section or key gives the default); a failed write
// raises EIniFileException "Unable to write to <file>".
//
// The file is 8-bit text in the ANSI code page, as long as every value fits that code page. A
// value that does not (a feed name in another script) turns the file into the profile functions'
// Unicode form, UTF-16 LE with a byte-order mark, before it is written; both forms are read.
class TIniFile {
public:
    explicit TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}
    const std::string& FileName() const { return FFileName; }

    // Values are read up to 2047 characters.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // After a series of writes: a file in the Unicode form whose whole text fits the ANSI code
    // page again goes back to the 8-bit form, so that it stays what the 8-bit program writes.
    void UseAnsiWhenItFits();

private:
    void MakeUnicode();
    std::string FFileName;
};
