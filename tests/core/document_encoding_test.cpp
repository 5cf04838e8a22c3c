#include "app/document_encoding.h"

#include <gtest/gtest.h>

namespace {

struct EncodingCase {
    const char* document;
    bool utf8;
};

class DocumentEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(DocumentEncoding, OnlyADeclaredUtf8DocumentIsConverted)
{
    EXPECT_EQ(IsUtf8Document(GetParam().document), GetParam().utf8) << GetParam().document;
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, DocumentEncoding,
    testing::Values(EncodingCase{"\xEF\xBB\xBF<rss>", true},
                    EncodingCase{"<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss>", true},
                    EncodingCase{"<?xml version='1.0' encoding='utf-8'?>", true},
                    EncodingCase{"\r\n  <?xml version=\"1.0\" ENCODING = \"Utf-8\" ?>", true},
                    EncodingCase{"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><rss>", false},
                    EncodingCase{"<?xml version=\"1.0\"?><rss>", false},  // no declared encoding: left alone
                    EncodingCase{"<rss><title>encoding=\"utf-8\"</title>", false},
                    EncodingCase{"<?xml version=\"1.0\" encoding=\"utf-8\"", false},  // unterminated
                    EncodingCase{"<?xml encoding=\"utf-16\"?>", false}, EncodingCase{"", false},
                    EncodingCase{"\xEF\xBB", false}));

}  // namespace
