#pragma once
#include <string>
#include <utility>
#include <vector>

// Settings files too large for the profile functions, which hold the whole file in memory (and
// write it whole again at every key): they are read and written here a piece at a time, for the
// few keys the program needs. A file of up to kLargeIniBytes goes through the profile functions.
namespace rtl {

const unsigned long long kLargeIniBytes = 1ull << 20;
bool IsLargeIniFile(const std::string& fileName);

struct TIniKey {
    std::string Section, Key;
};

// The values of the keys (UTF-8, each up to 2047 characters), true where the file has the key:
// the first key of that name in the first section of that name, as the profile functions take it.
// The file is read only as far as needed: until every key is found, or every section asked for
// has ended. The file is 8-bit text in the ANSI code page, UTF-8 with a byte-order mark, or
// UTF-16 with one. A file that cannot be read gives no values.
std::vector<std::pair<bool, std::string>> ScanIniFile(const std::string& fileName,
                                                      const std::vector<TIniKey>& keys);

// Writes the values into the file: each key's first line in the first section of its name gets
// the new value, a key the section lacks is added at the section's end, a section the file lacks
// at the file's end. Every other line stays as it was. The file keeps its form, but for the two
// changes the profile functions' files make: an 8-bit file becomes UTF-16 LE with a byte-order
// mark when a value has no place in the ANSI code page, and a UTF-16 file whose every character
// has a place there becomes 8-bit again. The
// new file replaces the old one whole; when that fails, the old one stays and EIniFileException
// "Unable to write to <file>" is raised.
void RewriteIniFile(const std::string& fileName, const std::vector<std::pair<TIniKey, std::string>>& values);

} // namespace rtl
