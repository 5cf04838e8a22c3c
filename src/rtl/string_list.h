#pragma once
#include <string>
#include <vector>

// An ordered list of lines of text. Text joins the lines with CR LF (each line terminated);
// writing Text splits at CR LF, LF or a lone CR.
class TStringList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& Strings(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    void SetStrings(int index, const std::string& v) { FItems.at(static_cast<std::size_t>(index)) = v; }
    int Add(const std::string& s);
    void Insert(int index, const std::string& s);
    void Delete(int index);
    void Clear() { FItems.clear(); }
    std::string Text() const;
    void SetText(const std::string& text);
    // Throws EInOutError naming the file when it cannot be opened or read.
    void LoadFromFile(const std::string& fileName);

    std::vector<std::string>::const_iterator begin() const { return FItems.begin(); }
    std::vector<std::string>::const_iterator end() const { return FItems.end(); }

private:
    std::vector<std::string> FItems;
};

// Whole-file helpers shared by the string list and other readers.
std::string ReadFileBytes(const std::string& fileName);
void WriteFileBytes(const std::string& fileName, const std::string& bytes);
std::vector<std::string> SplitLines(const std::string& text);
