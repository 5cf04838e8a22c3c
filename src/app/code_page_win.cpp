#include "app/code_page.h"

#include "rtl/wide.h"

bool CodePageToUtf8(int codePage, const char* text, std::size_t size, std::string& out)
{
    return rtl::CodePageToUtf8(static_cast<unsigned>(codePage), text, size, out);
}
