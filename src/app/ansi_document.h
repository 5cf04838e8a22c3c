#pragma once
#include <string>

#include "app/document_buffers.h"

// A document's bytes as the program's 8-bit text: its character set decided (document_encoding.h)
// and converted to the ANSI code page, the byte-order mark dropped. A character the code page
// lacks becomes the platform's closest letter, else "?". httpCharset is the Content-Type's
// charset, "" when there was none (a file on disk).
std::string DocumentToAnsi(const std::string& bytes, const std::string& httpCharset = std::string());

// A downloaded document as the parser reads it and the Text page shows it: in the ANSI code
// page, with CR LF line ends, ending at a zero byte as the page's field would end it. The text is
// built in a buffer taken from `buffers` (kept from earlier documents), and a buffer used only on
// the way is given back to them.
std::string DisplayDocument(const std::string& bytes, const std::string& httpCharset, TDocumentBuffers& buffers);
