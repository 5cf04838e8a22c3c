// The lines of a settings file the program reads itself, and its values: whatever the bytes, a
// line's name and value are pieces of the line without the blanks around them, a section is
// what stands between its brackets, and a key written back as "name=value" reads the same.
#include "fuzz_check.h"
#include "rtl/ini_values.h"

#include <cstdint>
#include <string>

namespace {

bool Blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1A';
}

bool Trimmed(const std::string& s)
{
    return s.empty() || (!Blank(s.front()) && !Blank(s.back()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    const rtl::TIniLine got = rtl::ParseIniLine(line);
    FuzzCheck(line.find(got.Name) != std::string::npos, "name from the line", got.Name, line);
    FuzzCheck(line.find(got.Value) != std::string::npos, "value from the line", got.Value, line);
    switch (got.Kind) {
    case rtl::TIniLine::ilBlank:
        for (char c : line)
            FuzzCheck(Blank(c), "blank line", line);
        break;
    case rtl::TIniLine::ilSection:
        FuzzCheck(line.find("[" + got.Name + "]") != std::string::npos, "section between brackets", got.Name);
        break;
    case rtl::TIniLine::ilKey:
        FuzzCheck(Trimmed(got.Name), "key name trimmed", got.Name);
        FuzzCheck(line.find('=') == std::string::npos || got.Name.find('=') == std::string::npos,
                  "key name before the first '='", got.Name);
        if ((got.Name.empty() || got.Name[0] != '[') && got.Name.find('=') == std::string::npos &&
            Trimmed(got.Value) &&
            !(got.Value.size() >= 2 && (got.Value[0] == '"' || got.Value[0] == '\'') &&
              got.Value.back() == got.Value[0])) {
            const rtl::TIniLine again = rtl::ParseIniLine(got.Name + "=" + got.Value);
            FuzzCheck(again.Name == got.Name && again.Value == got.Value, "written back",
                      again.Name + "=" + again.Value, got.Name + "=" + got.Value);
        }
        break;
    }
    const int v = rtl::DecodeIniInteger(line, 12345);
    if (v != 12345)
        FuzzCheck(rtl::DecodeIniInteger(rtl::EncodeIniInteger(v), 0) == v, "integer written back", line);
    return 0;
}
