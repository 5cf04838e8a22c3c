#include "rtl/ini_file.h"

#include <windows.h>

#include "rtl/exceptions.h"
#include "rtl/ini_values.h"
#include "rtl/string_list.h"
#include "rtl/wide.h"

namespace {

const char kUtf16Mark[] = "\xFF\xFE";
const char kUtf8Mark[] = "\xEF\xBB\xBF";

bool StartsWith(const std::string& bytes, const char* mark)
{
    return bytes.compare(0, std::char_traits<char>::length(mark), mark) == 0;
}

bool FitsAnsi(const std::string& utf8)
{
    std::string ansi;
    return rtl::WideToAnsi(rtl::Utf8ToWide(utf8), ansi);
}

std::string Utf16LeBytes(const std::wstring& text)
{
    std::string bytes(kUtf16Mark);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

std::wstring FromUtf16Le(const std::string& bytes, std::size_t from)
{
    std::wstring text;
    text.reserve((bytes.size() - from) / 2);
    for (std::size_t i = from; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
}

// The profile functions keep files they have read in a cache of their own; this writes out and
// drops the cached copy, so that the next call reads the file as it is on disk.
void FlushProfileCache(const std::wstring& file)
{
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
}

// The whole file is replaced at once: a write that fails half-way leaves the old file as it was.
void ReplaceFile(const std::string& fileName, const std::string& bytes)
{
    const std::string temporary = fileName + ".new";
    try {
        WriteFileBytes(temporary, bytes);
    } catch (const EInOutError&) {
        DeleteFileW(rtl::Utf8ToWide(temporary).c_str());
        return;
    }
    if (!MoveFileExW(rtl::Utf8ToWide(temporary).c_str(), rtl::Utf8ToWide(fileName).c_str(),
                     MOVEFILE_REPLACE_EXISTING))
        DeleteFileW(rtl::Utf8ToWide(temporary).c_str());
}

bool ReadExisting(const std::string& fileName, std::string& bytes)
{
    try {
        bytes = ReadFileBytes(fileName);
        return true;
    } catch (const EInOutError&) {
        return false;
    }
}

} // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    wchar_t buffer[2048];
    DWORD n =
        GetPrivateProfileStringW(rtl::Utf8ToWide(section).c_str(), rtl::Utf8ToWide(key).c_str(),
                                 rtl::Utf8ToWide(def).c_str(), buffer, 2048, rtl::Utf8ToWide(FFileName).c_str());
    return rtl::WideToUtf8(buffer, n);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    // An empty value reads as the default, like a missing key.
    std::string value = ReadString(section, key, "");
    return rtl::DecodeIniInteger(value, def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

// The profile functions write a file in the form they find it in, and a new file in the ANSI
// code page, where a character outside it would become "?". So a file that must hold such a
// character is rewritten in the Unicode form first, with what it already holds.
void TIniFile::MakeUnicode()
{
    const std::wstring file = rtl::Utf8ToWide(FFileName);
    FlushProfileCache(file);
    std::string bytes;
    const bool exists = ReadExisting(FFileName, bytes);
    if (exists && StartsWith(bytes, kUtf16Mark))
        return;
    std::wstring text;
    if (StartsWith(bytes, kUtf8Mark))
        text = rtl::Utf8ToWide(bytes.substr(3));
    else
        text = rtl::AnsiToWide(bytes);
    // A file that cannot be written is reported by the write that follows.
    ReplaceFile(FFileName, Utf16LeBytes(text));
    FlushProfileCache(file);
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    if (!FitsAnsi(section) || !FitsAnsi(key) || !FitsAnsi(value))
        MakeUnicode();
    if (!WritePrivateProfileStringW(rtl::Utf8ToWide(section).c_str(), rtl::Utf8ToWide(key).c_str(),
                                    rtl::Utf8ToWide(value).c_str(), rtl::Utf8ToWide(FFileName).c_str()))
        throw EIniFileException(FormatMessage1("Unable to write to %s", FFileName));
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, rtl::EncodeIniInteger(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, rtl::EncodeIniBool(value));
}

void TIniFile::UseAnsiWhenItFits()
{
    const std::wstring file = rtl::Utf8ToWide(FFileName);
    FlushProfileCache(file);
    std::string bytes, ansi;
    if (!ReadExisting(FFileName, bytes) || !StartsWith(bytes, kUtf16Mark) ||
        !rtl::WideToAnsi(FromUtf16Le(bytes, 2), ansi))
        return;
    // When this fails the Unicode form stays; it reads the same.
    ReplaceFile(FFileName, ansi);
    FlushProfileCache(file);
}
