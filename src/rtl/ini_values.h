#pragma once
#include <string>

// How the settings file's values are turned into numbers: a value of more than two characters
// beginning with "0x" or "0X" is hexadecimal, anything else must be a decimal integer; a value
// that is no integer gives the default. Booleans are integers, non-zero meaning true.
namespace rtl {

int DecodeIniInteger(const std::string& value, int def);
bool DecodeIniBool(const std::string& value, bool def);
std::string EncodeIniInteger(int value);
std::string EncodeIniBool(bool value);

// One line of an INI file as the profile functions read it (for files the program reads itself):
// blanks around the line are dropped; "[name]" up to its last "]" names a section; else the text
// before the first "=" is a key (blanks around it dropped) and the text after it its value (blanks
// before it dropped, one pair of enclosing ' or " taken off). A line without "=" is a key
// without a value.
struct TIniLine {
    enum TKind { ilBlank, ilSection, ilKey } Kind = ilBlank;
    std::string Name;
    std::string Value;
};
TIniLine ParseIniLine(const std::string& line);
// Section and key names are compared without regard to the case of ASCII letters.
bool SameIniName(const std::string& a, const std::string& b);

} // namespace rtl
