#include "rtl/string_list.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "rtl/exceptions.h"
#ifdef _WIN32
#include <windows.h>

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

#ifdef _WIN32
namespace {
struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

// The platform's own file calls, not the C library's: its streams cost a few more calls a file,
// and the feed store reads and writes thousands of small files in one go (an import, a start).
FileHandle OpenHandle(const std::string& fileName, DWORD access, DWORD disposition)
{
    HANDLE h = CreateFileW(rtl::Utf8ToWide(fileName).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return FileHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}
} // namespace

std::string ReadFileBytes(const std::string& fileName, std::size_t maxBytes)
{
    FileHandle f = OpenHandle(fileName, GENERIC_READ, OPEN_EXISTING);
    if (!f)
        throw EInOutError("Datei kann nicht geöffnet werden: " + fileName, static_cast<int>(GetLastError()));
    std::string data;
    LARGE_INTEGER size;
    if (GetFileSizeEx(f.get(), &size) && size.QuadPart > 0)
        data.reserve(
            static_cast<std::size_t>(std::min<ULONGLONG>(size.QuadPart, std::min<ULONGLONG>(maxBytes, 1u << 30))));
    char buf[65536];
    DWORD got = 0;
    while (data.size() < maxBytes) {
        const DWORD want = static_cast<DWORD>(std::min(sizeof buf, maxBytes - data.size()));
        if (!ReadFile(f.get(), buf, want, &got, nullptr))
            throw EInOutError("Datei kann nicht gelesen werden: " + fileName, static_cast<int>(GetLastError()));
        if (got == 0)
            break;
        data.append(buf, got);
    }
    return data;
}

void WriteFileBytes(const std::string& fileName, const std::string& bytes)
{
    FileHandle f = OpenHandle(fileName, GENERIC_WRITE, CREATE_ALWAYS);
    if (!f)
        throw EInOutError("Datei kann nicht erstellt werden: " + fileName, static_cast<int>(GetLastError()));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(f.get(), bytes.data() + done, want, &written, nullptr) || written == 0)
            throw EInOutError("Datei kann nicht geschrieben werden: " + fileName,
                              static_cast<int>(GetLastError()));
        done += written;
    }
}
#else
namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
} // namespace

std::string ReadFileBytes(const std::string& fileName, std::size_t maxBytes)
{
    FilePtr f(std::fopen(fileName.c_str(), "rb"));
    if (!f)
        throw EInOutError("Datei kann nicht geöffnet werden: " + fileName, errno);
    std::string data;
    char buf[65536];
    std::size_t got;
    while (data.size() < maxBytes &&
           (got = std::fread(buf, 1, std::min(sizeof buf, maxBytes - data.size()), f.get())) > 0)
        data.append(buf, got);
    if (std::ferror(f.get()))
        throw EInOutError("Datei kann nicht gelesen werden: " + fileName, errno);
    return data;
}

void WriteFileBytes(const std::string& fileName, const std::string& bytes)
{
    FilePtr f(std::fopen(fileName.c_str(), "wb"));
    if (!f)
        throw EInOutError("Datei kann nicht erstellt werden: " + fileName, errno);
    if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() || std::fflush(f.get()) != 0)
        throw EInOutError("Datei kann nicht geschrieben werden: " + fileName, errno);
}
#endif

std::string ReadFileBytes(const std::string& fileName)
{
    return ReadFileBytes(fileName, static_cast<std::size_t>(-1));
}

void TStringList::LoadFromFile(const std::string& fileName)
{
    SetText(ReadFileBytes(fileName));
}
