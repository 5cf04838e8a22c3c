#pragma once
#include <string>

#include "app/document_buffers.h"

// A document's bytes as the program's text: its character set decided (document_encoding.h) and
// the text converted from it to UTF-8, the byte-order mark dropped. UTF-8 is taken as it is; bytes
// that are no text in their character set become U+FFFD (or the set's own default character).
// httpCharset is the Content-Type's charset, "" when there was none (a file on disk).
std::string DocumentToUtf8(const std::string& bytes, const std::string& httpCharset = std::string());

// A downloaded document as the parser reads it and the Text page shows it: in UTF-8, with CR LF
// line ends, ending at a zero byte as the page's field would end it. Built in buffers from buffers.
std::string DisplayDocument(const std::string& bytes, const std::string& httpCharset, TDocumentBuffers& buffers);
