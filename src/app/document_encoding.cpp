#include "app/document_encoding.h"

#include "rtl/text.h"

bool IsUtf8Document(const std::string& document)
{
    if (document.size() >= 3 && static_cast<unsigned char>(document[0]) == 0xEF &&
        static_cast<unsigned char>(document[1]) == 0xBB && static_cast<unsigned char>(document[2]) == 0xBF)
        return true;
    // The declaration must open the document (after blanks at most) and ends at its "?>".
    std::size_t start = 0;
    while (start < document.size() && static_cast<unsigned char>(document[start]) <= ' ')
        ++start;
    if (document.compare(start, 5, "<?xml") != 0)
        return false;
    std::size_t end = document.find("?>", start);
    if (end == std::string::npos)
        return false;
    std::string decl = rtl::LowerCase(document.substr(start, end - start));
    std::size_t at = decl.find("encoding");
    if (at == std::string::npos)
        return false;
    at += 8;
    while (at < decl.size() && (decl[at] == ' ' || decl[at] == '\t' || decl[at] == '\r' || decl[at] == '\n'))
        ++at;
    if (at >= decl.size() || decl[at] != '=')
        return false;
    ++at;
    while (at < decl.size() && (decl[at] == ' ' || decl[at] == '\t' || decl[at] == '\r' || decl[at] == '\n'))
        ++at;
    if (at >= decl.size() || (decl[at] != '"' && decl[at] != '\''))
        return false;
    char quote = decl[at++];
    std::size_t close = decl.find(quote, at);
    if (close == std::string::npos)
        return false;
    std::string name = decl.substr(at, close - at);
    return name == "utf-8" || name == "utf8";
}
