#include "rtl/ini_stream.h"

#include <windows.h>

#include <algorithm>

#include "rtl/exceptions.h"
#include "rtl/ini_values.h"
#include "rtl/wide.h"

namespace rtl {

namespace {

enum TIniForm { ifAnsi, ifUtf8, ifUtf16Le, ifUtf16Be };

const std::size_t kChunk = 64 * 1024;
// Only the start of a longer line is looked at: enough for any key and value the program reads.
const std::size_t kLineHead = 64 * 1024;
const std::size_t kMaxValue = 2047;

std::size_t UnitSize(TIniForm f)
{
    return f == ifUtf16Le || f == ifUtf16Be ? 2 : 1;
}

// The file read line by line through a fixed buffer; a line's start up to kLineHead bytes is
// handed out, the rest of it passed on or dropped.
class TLineReader {
public:
    explicit TLineReader(const std::string& fileName)
    {
        FFile = CreateFileW(Utf8ToWide(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (FFile == INVALID_HANDLE_VALUE)
            return;
        Fill();
        const std::string start = FBuffer.substr(0, 3);
        if (start.compare(0, 2, "\xFF\xFE") == 0)
            FForm = ifUtf16Le, FAt = 2;
        else if (start.compare(0, 2, "\xFE\xFF") == 0)
            FForm = ifUtf16Be, FAt = 2;
        else if (start == "\xEF\xBB\xBF")
            FForm = ifUtf8, FAt = 3;
    }
    ~TLineReader() { Close(); }
    void Close()
    {
        if (FFile != INVALID_HANDLE_VALUE)
            CloseHandle(FFile);
        FFile = INVALID_HANDLE_VALUE;
    }
    TLineReader(const TLineReader&) = delete;
    TLineReader& operator=(const TLineReader&) = delete;

    bool Ok() const { return FFile != INVALID_HANDLE_VALUE && !FFailed; }
    TIniForm Form() const { return FForm; }

    // The next line's start, its end of line included when it fits; false at the end of the file.
    bool Head(std::string& head)
    {
        head.clear();
        FLineOpen = false;
        const std::size_t unit = UnitSize(FForm);
        for (;;) {
            if (FAt + unit > FBuffer.size() && !Fill())
                return !head.empty();
            while (FAt + unit <= FBuffer.size()) {
                const bool newline = IsNewline(FAt);
                head.append(FBuffer, FAt, unit);
                FAt += unit;
                if (newline)
                    return true;
                if (head.size() >= kLineHead) {
                    FLineOpen = true;
                    return true;
                }
            }
        }
    }
    // The rest of a line longer than its start, up to and with its end of line, to sink (or dropped).
    template <class Sink> void Rest(Sink&& sink)
    {
        const std::size_t unit = UnitSize(FForm);
        while (FLineOpen) {
            if (FAt + unit > FBuffer.size() && !Fill())
                break;
            const std::size_t from = FAt;
            while (FAt + unit <= FBuffer.size()) {
                const bool newline = IsNewline(FAt);
                FAt += unit;
                if (newline) {
                    FLineOpen = false;
                    break;
                }
            }
            sink(FBuffer.data() + from, FAt - from);
        }
        FLineOpen = false;
    }

private:
    bool IsNewline(std::size_t at) const
    {
        switch (FForm) {
        case ifUtf16Le:
            return FBuffer[at] == '\n' && FBuffer[at + 1] == '\0';
        case ifUtf16Be:
            return FBuffer[at] == '\0' && FBuffer[at + 1] == '\n';
        default:
            return FBuffer[at] == '\n';
        }
    }
    // Keeps an odd byte left over and appends the next piece of the file; false at its end.
    bool Fill()
    {
        FBuffer.erase(0, FAt);
        FAt = 0;
        const std::size_t kept = FBuffer.size();
        FBuffer.resize(kept + kChunk);
        DWORD got = 0;
        if (!ReadFile(FFile, &FBuffer[kept], static_cast<DWORD>(kChunk), &got, nullptr)) {
            FFailed = true;
            got = 0;
        }
        FBuffer.resize(kept + got);
        return got > 0;
    }

    HANDLE FFile = INVALID_HANDLE_VALUE;
    TIniForm FForm = ifAnsi;
    std::string FBuffer;
    std::size_t FAt = 0;
    bool FLineOpen = false;
    bool FFailed = false;
};

std::wstring ToWide(const std::string& bytes, TIniForm form)
{
    std::wstring out;
    if (form == ifUtf16Le || form == ifUtf16Be) {
        out.reserve(bytes.size() / 2);
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const unsigned a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
            out.push_back(static_cast<wchar_t>(form == ifUtf16Le ? a | (b << 8) : (a << 8) | b));
        }
        return out;
    }
    if (form == ifUtf8)
        return Utf8ToWide(bytes);
    return AnsiToWide(bytes);
}

// The text in the form, or false when the ANSI code page has no place for a character of it (a
// best-fit letter or a "?" would come back as another character).
bool FromWide(const std::wstring& text, TIniForm form, std::string& out)
{
    out.clear();
    if (form == ifUtf16Le || form == ifUtf16Be) {
        for (wchar_t c : text) {
            const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>((c >> 8) & 0xFF);
            out.push_back(form == ifUtf16Le ? lo : hi);
            out.push_back(form == ifUtf16Le ? hi : lo);
        }
        return true;
    }
    if (form == ifUtf8) {
        out = WideToUtf8(text.data(), text.size());
        return true;
    }
    return WideToAnsi(text, out);
}

// A line's text for parsing: UTF-8, without its end of line.
std::string LineText(const std::string& head, TIniForm form)
{
    std::wstring text = ToWide(head, form);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return WideToUtf8(text.data(), text.size());
}

std::string CutValue(const std::string& utf8)
{
    std::wstring v = Utf8ToWide(utf8);
    if (v.size() <= kMaxValue)
        return utf8;
    v.resize(kMaxValue);
    return WideToUtf8(v.data(), v.size());
}

// The sections asked for, each with its keys' positions in the caller's list.
struct TWanted {
    std::string Section;
    std::vector<std::size_t> Keys;
    bool Seen = false;  // its first occurrence has begun
    bool Ended = false; // ... and ended
};

std::vector<TWanted> Group(const std::vector<TIniKey>& keys)
{
    std::vector<TWanted> out;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        auto it = std::find_if(out.begin(), out.end(),
                               [&](const TWanted& w) { return SameIniName(w.Section, keys[i].Section); });
        if (it == out.end()) {
            out.push_back(TWanted{keys[i].Section, {}, false, false});
            it = out.end() - 1;
        }
        it->Keys.push_back(i);
    }
    return out;
}

// Follows the sections line by line: the wanted section whose first occurrence a line is in.
class TSectionTracker {
public:
    explicit TSectionTracker(std::vector<TWanted>& wanted) : FWanted(wanted) {}
    // Takes a section line; the wanted section it begins, or nullptr.
    TWanted* Enter(const std::string& name)
    {
        if (FCurrent)
            FCurrent->Ended = true;
        FCurrent = nullptr;
        for (TWanted& w : FWanted)
            if (!w.Seen && SameIniName(w.Section, name)) {
                w.Seen = true;
                FCurrent = &w;
            }
        return FCurrent;
    }
    TWanted* Current() const { return FCurrent; }
    bool AllEnded() const
    {
        return std::all_of(FWanted.begin(), FWanted.end(), [](const TWanted& w) { return w.Ended; });
    }

private:
    std::vector<TWanted>& FWanted;
    TWanted* FCurrent = nullptr;
};

// The output file, written through a buffer; remembers a failure for the end.
class TWriter {
public:
    explicit TWriter(const std::string& fileName)
    {
        FFile = CreateFileW(Utf8ToWide(fileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        FOk = FFile != INVALID_HANDLE_VALUE;
    }
    ~TWriter() { Close(); }
    TWriter(const TWriter&) = delete;
    TWriter& operator=(const TWriter&) = delete;
    // Follows whether everything written in this UTF-16 form has a place in the ANSI code page.
    void TrackAnsiFit(TIniForm form) { FTrack = form; }
    bool FitsAnsi() const { return FFits; }
    void Write(const char* data, std::size_t n)
    {
        std::string ansi;
        if (FFits && (FTrack == ifUtf16Le || FTrack == ifUtf16Be) &&
            !FromWide(ToWide(std::string(data, n), FTrack), ifAnsi, ansi))
            FFits = false;
        FBuffer.append(data, n);
        if (FBuffer.size() >= kChunk)
            Flush();
    }
    void Write(const std::string& s) { Write(s.data(), s.size()); }
    bool Close()
    {
        if (FFile != INVALID_HANDLE_VALUE) {
            Flush();
            if (!CloseHandle(FFile))
                FOk = false;
            FFile = INVALID_HANDLE_VALUE;
        }
        return FOk;
    }

private:
    void Flush()
    {
        DWORD written = 0;
        if (FOk && !FBuffer.empty() &&
            (!WriteFile(FFile, FBuffer.data(), static_cast<DWORD>(FBuffer.size()), &written, nullptr) ||
             written != FBuffer.size()))
            FOk = false;
        FBuffer.clear();
    }
    HANDLE FFile = INVALID_HANDLE_VALUE;
    std::string FBuffer;
    bool FOk = false;
    TIniForm FTrack = ifAnsi;
    bool FFits = true;
};

// Bytes of the input form in the output form: an 8-bit file that becomes UTF-16 LE, or a UTF-16
// one that becomes 8-bit. A character cut by the end of a piece waits for the next piece.
class TPassThrough {
public:
    TPassThrough(TIniForm in, TIniForm out, TWriter& writer) : FIn(in), FOut(out), FWriter(writer) {}
    void operator()(const char* data, std::size_t n)
    {
        if (FIn == FOut) {
            FWriter.Write(data, n);
            return;
        }
        FCarry.append(data, n);
        std::size_t whole = 0;
        if (FIn != ifAnsi)
            whole = FCarry.size() - FCarry.size() % 2;
        while (FIn == ifAnsi && whole < FCarry.size()) {
            const std::size_t step = IsDBCSLeadByte(static_cast<BYTE>(FCarry[whole])) ? 2 : 1;
            if (whole + step > FCarry.size())
                break;
            whole += step;
        }
        std::string bytes;
        FromWide(ToWide(FCarry.substr(0, whole), FIn), FOut, bytes);
        FWriter.Write(bytes);
        FCarry.erase(0, whole);
    }
    void Finish()
    {
        std::string bytes;
        FromWide(ToWide(FCarry, FIn), FOut, bytes);
        FWriter.Write(bytes);
        FCarry.clear();
    }

private:
    TIniForm FIn, FOut;
    TWriter& FWriter;
    std::string FCarry;
};

// Copies a UTF-16 file as 8-bit text, a piece at a time; false when either file fails.
bool CopyAsAnsi(const std::string& from, const std::string& to)
{
    TLineReader reader(from);
    TWriter writer(to);
    TPassThrough pass(reader.Form(), ifAnsi, writer);
    std::string head;
    while (reader.Ok() && reader.Head(head)) {
        pass(head.data(), head.size());
        reader.Rest(pass);
    }
    pass.Finish();
    return reader.Ok() && writer.Close();
}

[[noreturn]] void WriteFailed(const std::string& fileName)
{
    throw EIniFileException(FormatMessage1("Unable to write to %s", fileName));
}

} // namespace

bool IsLargeIniFile(const std::string& fileName)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(Utf8ToWide(fileName).c_str(), GetFileExInfoStandard, &data))
        return false;
    const unsigned long long size =
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && size > kLargeIniBytes;
}

std::vector<std::pair<bool, std::string>> ScanIniFile(const std::string& fileName,
                                                      const std::vector<TIniKey>& keys)
{
    std::vector<std::pair<bool, std::string>> values(keys.size());
    TLineReader reader(fileName);
    if (!reader.Ok())
        return values;
    std::vector<TWanted> wanted = Group(keys);
    TSectionTracker sections(wanted);
    std::size_t missing = keys.size();
    std::string head;
    while (missing > 0 && !sections.AllEnded() && reader.Head(head)) {
        reader.Rest([](const char*, std::size_t) {});
        const TIniLine line = ParseIniLine(LineText(head, reader.Form()));
        if (line.Kind == TIniLine::ilSection) {
            sections.Enter(line.Name);
        } else if (line.Kind == TIniLine::ilKey && sections.Current()) {
            for (std::size_t i : sections.Current()->Keys)
                if (!values[i].first && SameIniName(keys[i].Key, line.Name)) {
                    values[i] = {true, CutValue(line.Value)};
                    --missing;
                }
        }
    }
    return values;
}

void RewriteIniFile(const std::string& fileName, const std::vector<std::pair<TIniKey, std::string>>& values)
{
    std::vector<TIniKey> keys;
    for (const auto& v : values)
        keys.push_back(v.first);
    TLineReader reader(fileName);
    if (!reader.Ok())
        WriteFailed(fileName);
    TIniForm form = reader.Form();
    std::vector<std::wstring> wideValues;
    std::string bytes;
    for (const auto& v : values) {
        wideValues.push_back(Utf8ToWide(v.first.Key + "=" + v.second + "\r\n"));
        if (!FromWide(Utf8ToWide(v.first.Section) + wideValues.back(), form, bytes))
            form = ifUtf16Le;
    }
    auto encoded = [&](const std::wstring& text) {
        std::string out;
        FromWide(text, form, out);
        return out;
    };

    const std::string temporary = fileName + ".new";
    {
        TWriter writer(temporary);
        TPassThrough pass(reader.Form(), form, writer);
        if (form == ifUtf16Le)
            writer.Write("\xFF\xFE", 2);
        else if (form == ifUtf16Be)
            writer.Write("\xFE\xFF", 2);
        else if (form == ifUtf8)
            writer.Write("\xEF\xBB\xBF", 3);
        writer.TrackAnsiFit(form);
        std::vector<TWanted> wanted = Group(keys);
        TSectionTracker sections(wanted);
        std::vector<bool> written(values.size(), false);
        // The keys a section lacks go at its end, before the next section's line.
        auto closeSection = [&] {
            if (TWanted* w = sections.Current())
                for (std::size_t i : w->Keys)
                    if (!written[i]) {
                        writer.Write(encoded(wideValues[i]));
                        written[i] = true;
                    }
        };
        std::string head;
        bool endsWithNewline = true;
        while (reader.Head(head)) {
            const TIniLine line = ParseIniLine(LineText(head, reader.Form()));
            std::size_t replaced = values.size();
            if (line.Kind == TIniLine::ilSection) {
                closeSection();
                sections.Enter(line.Name);
            } else if (line.Kind == TIniLine::ilKey && sections.Current()) {
                for (std::size_t i : sections.Current()->Keys)
                    if (!written[i] && SameIniName(keys[i].Key, line.Name))
                        replaced = i;
            }
            if (replaced < values.size()) {
                reader.Rest([](const char*, std::size_t) {});
                writer.Write(encoded(wideValues[replaced]));
                written[replaced] = true;
                endsWithNewline = true;
            } else {
                const std::size_t unit = UnitSize(reader.Form());
                std::string last = head.substr(head.size() - std::min(head.size(), unit));
                pass(head.data(), head.size());
                reader.Rest([&](const char* data, std::size_t n) {
                    pass(data, n);
                    if (n >= unit)
                        last.assign(data + n - unit, unit);
                });
                pass.Finish();
                const std::wstring lastChar = ToWide(last, reader.Form());
                endsWithNewline = lastChar == L"\n";
            }
        }
        if (!endsWithNewline)
            writer.Write(encoded(L"\r\n"));
        closeSection();
        for (const TWanted& w : wanted) {
            if (w.Seen)
                continue;
            writer.Write(encoded(L"[" + Utf8ToWide(w.Section) + L"]\r\n"));
            for (std::size_t i : w.Keys)
                writer.Write(encoded(wideValues[i]));
        }
        const bool read = reader.Ok();
        // The old file is let go before the new one is renamed over it.
        reader.Close();
        if (!read || !writer.Close()) {
            DeleteFileW(Utf8ToWide(temporary).c_str());
            WriteFailed(fileName);
        }
        // A UTF-16 file whose every character fits the 8-bit form goes back to it.
        if ((form == ifUtf16Le || form == ifUtf16Be) && writer.FitsAnsi()) {
            const std::string ansi = fileName + ".ansi";
            // When this fails the UTF-16 form stays; it reads the same.
            if (!CopyAsAnsi(temporary, ansi) ||
                !MoveFileExW(Utf8ToWide(ansi).c_str(), Utf8ToWide(temporary).c_str(), MOVEFILE_REPLACE_EXISTING))
                DeleteFileW(Utf8ToWide(ansi).c_str());
        }
    }
    if (!MoveFileExW(Utf8ToWide(temporary).c_str(), Utf8ToWide(fileName).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(Utf8ToWide(temporary).c_str());
        WriteFailed(fileName);
    }
}

} // namespace rtl
