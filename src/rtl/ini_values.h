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

} // namespace rtl
