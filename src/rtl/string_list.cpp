#include "rtl/string_list.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "rtl/exceptions.h"
#ifdef _WIN32
#include "rtl/wide.h"
#endif

int TStringList::Add(const std::string& s)
{
    FItems.push_back(s);
    return Count() - 1;
}

void TStringList::Insert(int index, const std::string& s)
{
    FItems.insert(FItems.begin() + index, s);
}

void TStringList::Delete(int index)
{
    FItems.erase(FItems.begin() + index);
}

std::string TStringList::Text() const
{
    std::string r;
    std::size_t n = 0;
    for (const std::string& s : FItems)
        n += s.size() + 2;
    r.reserve(n);
    for (const std::string& s : FItems) {
        r += s;
        r += "\r\n";
    }
    return r;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0, i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text, start, i - start);
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.emplace_back(text, start, n - start);
    return lines;
}

void TStringList::SetText(const std::string& text)
{
    FItems = SplitLines(text);
}

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// File names are UTF-8; the C library of Windows takes them in the ANSI code page unless asked
// through its wide entry.
std::FILE* OpenFile(const std::string& fileName, const wchar_t* wideMode, const char* mode)
{
#ifdef _WIN32
    (void)mode;
    return _wfopen(rtl::Utf8ToWide(fileName).c_str(), wideMode);
#else
    (void)wideMode;
    return std::fopen(fileName.c_str(), mode);
#endif
}
} // namespace

std::string ReadFileBytes(const std::string& fileName)
{
    FilePtr f(OpenFile(fileName, L"rb", "rb"));
    if (!f)
        throw EInOutError("Datei kann nicht geöffnet werden: " + fileName, errno);
    std::string data;
    char buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f.get())) > 0)
        data.append(buf, got);
    if (std::ferror(f.get()))
        throw EInOutError("Datei kann nicht gelesen werden: " + fileName, errno);
    return data;
}

void WriteFileBytes(const std::string& fileName, const std::string& bytes)
{
    FilePtr f(OpenFile(fileName, L"wb", "wb"));
    if (!f)
        throw EInOutError("Datei kann nicht erstellt werden: " + fileName, errno);
    if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() || std::fflush(f.get()) != 0)
        throw EInOutError("Datei kann nicht geschrieben werden: " + fileName, errno);
}

void TStringList::LoadFromFile(const std::string& fileName)
{
    SetText(ReadFileBytes(fileName));
}
