#pragma once
#include <cstddef>
#include <string>

// Text in one of the platform's code pages (document_encoding.h names them) as UTF-8: the one
// step of reading a document that needs the platform's converters. On Windows every code page
// the platform has is converted; the portable build used for the host tests knows Windows-1252
// alone, and takes it for the ANSI code page. Appends to out; false, with out as it was, when
// the code page cannot be converted here.
bool CodePageToUtf8(int codePage, const char* text, std::size_t size, std::string& out);
