#pragma once
#include <string>

// Text helpers over UTF-8 strings, by bytes: letter case is that of ASCII, and positions count
// bytes (rtl/utf8.h counts characters). Positions are 1-based; 0 means "not found".
namespace rtl {

// Position of the first occurrence of sub in s at or after position from, 0 if none.
std::size_t Pos(const std::string& sub, const std::string& s, std::size_t from = 1);
// Up to count characters of s starting at the 1-based index; an index beyond the end gives "".
std::string Copy(const std::string& s, std::size_t index, std::size_t count);
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
bool SameText(const std::string& a, const std::string& b);
bool StartsText(const std::string& prefix, const std::string& s);
// Removes leading and trailing characters at or below the space (control characters included).
std::string Trim(const std::string& s);
std::string IntToStr(long long v);
// Strict decimal with optional sign, or "0x"/"$" hexadecimal; false when s is not an integer.
bool TryStrToInt(const std::string& s, long long& value);

// Path helpers over backslash paths.
std::string ExtractFilePath(const std::string& path); // up to and including the last '\' or ':'
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path); // from the last '.' of the name, with it
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string IncludeTrailingBackslash(const std::string& path);

} // namespace rtl
