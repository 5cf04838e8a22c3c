#include "app/opml_charsets_win.h"

#include <windows.h>

#include <climits>

#include "app/document_encoding.h"

opml::TCharsetDecoder PlatformCharsetDecoder()
{
    return [](std::string_view bytes, int codePage, std::string& utf8) {
        utf8.clear();
        if (bytes.empty())
            return true;
        if (bytes.size() > INT_MAX)
            return false;
        const UINT cp = codePage == kCodePageAnsi ? CP_ACP : static_cast<UINT>(codePage);
        const int n = static_cast<int>(bytes.size());
        const int wide = MultiByteToWideChar(cp, 0, bytes.data(), n, nullptr, 0);
        if (wide <= 0)
            return false;
        std::wstring w(static_cast<std::size_t>(wide), L'\0');
        MultiByteToWideChar(cp, 0, bytes.data(), n, &w[0], wide);
        const int length = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
        if (length <= 0)
            return false;
        utf8.resize(static_cast<std::size_t>(length));
        WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &utf8[0], length, nullptr, nullptr);
        return true;
    };
}
