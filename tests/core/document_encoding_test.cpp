#include "app/document_encoding.h"
#include "app/utf8_document.h"
#include "rtl/utf8.h"

#include <gtest/gtest.h>

#include <cctype>
#include <utility>

namespace {

struct DecisionCase {
    const char* Name;
    std::string Document;
    const char* HttpCharset;
    int CodePage;
    std::size_t MarkLength;
};

const std::string kDecl1251 = "<?xml version=\"1.0\" encoding=\"windows-1251\"?><rss>";
const std::string kUtf16Le("<\0?\0x\0m\0l\0", 10);

class DocumentEncoding : public testing::TestWithParam<DecisionCase> {};

TEST_P(DocumentEncoding, MarkThenHttpThenDeclarationThenTheBytes)
{
    const DecisionCase& c = GetParam();
    TDocumentEncoding e = DecideEncoding(c.Document, c.HttpCharset);
    EXPECT_EQ(e.CodePage, c.CodePage) << c.Name;
    EXPECT_EQ(e.MarkLength, c.MarkLength) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, DocumentEncoding,
    testing::Values(
        DecisionCase{"utf8 mark beats everything", "\xEF\xBB\xBF" + kDecl1251, "koi8-r", 65001, 3},
        DecisionCase{"utf16le mark", "\xFF\xFE" + kUtf16Le, "", 1200, 2},
        DecisionCase{"utf16be mark", "\xFE\xFF\0<", "iso-8859-2", 1201, 2},
        DecisionCase{"http beats the declaration", kDecl1251, "ISO-8859-2", 28592, 0},
        DecisionCase{"unknown http name is passed over", kDecl1251, "x-unheard-of", 1251, 0},
        DecisionCase{"declaration, single quotes, any case", "<?xml version='1.0' ENCODING = 'KOI8-R' ?>", "",
                     20866, 0},
        DecisionCase{"declaration after blanks", "\r\n <?xml version=\"1.0\" encoding=\"Shift_JIS\"?>", "", 932,
                     0},
        DecisionCase{"encoding outside the declaration counts not", "<rss encoding=\"koi8-r\">\xE9", "", 0, 0},
        DecisionCase{"undeclared valid utf8", "<?xml version=\"1.0\"?><t>G\xC3\xB6z</t>", "", 65001, 0},
        DecisionCase{"undeclared other bytes are ansi", "<t>G\xF6z</t>", "", 0, 0},
        DecisionCase{"declared utf8 that is not falls back to ansi",
                     "<?xml version=\"1.0\" encoding=\"utf-8\"?><t>G\xF6z</t>", "", 0, 0},
        DecisionCase{"single-byte document naming utf16", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><t>\xC3\xB6",
                     "", 65001, 0},
        DecisionCase{"utf16 without a mark, by its bytes", kUtf16Le, "", 1200, 0},
        DecisionCase{"utf16 without a mark, http says latin1", kUtf16Le, "iso-8859-1", 1200, 0},
        DecisionCase{"empty", "", "", 65001, 0}),
    [](const testing::TestParamInfo<DecisionCase>& info) {
        std::string n;
        for (const char* p = info.param.Name; *p; ++p)
            n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return n;
    });

TEST(DocumentEncodingNames, AliasesOfEveryFamilyNameTheirCodePage)
{
    const std::pair<const char*, int> names[] = {{"UTF-8", 65001},
                                                 {"utf8", 65001},
                                                 {"Latin1", 1252},
                                                 {"US-ASCII", 1252},
                                                 {"iso-8859-2", 28592},
                                                 {"ISO_8859-5", 28595},
                                                 {"iso-8859-15", 28605},
                                                 {"windows-1250", 1250},
                                                 {"Windows-1258", 1258},
                                                 {"windows1252", 1252},
                                                 {"iso-8859-8-i", 38598},
                                                 {"CP1251", 1251},
                                                 {"x-cp1250", 1250},
                                                 {"win-1251", 1251},
                                                 {"KOI8-R", 20866},
                                                 {"GB2312", 936},
                                                 {"GBK", 936},
                                                 {"Big5", 950},
                                                 {"Shift_JIS", 932},
                                                 {"EUC-JP", 20932},
                                                 {"euc-kr", 949},
                                                 {" \"utf-8\" ", 65001},
                                                 {"windows-1259", 0},
                                                 {"cp12510", 0},
                                                 {"", 0},
                                                 {"utf-7", 0}};
    for (const auto& n : names)
        EXPECT_EQ(CodePageOfCharset(n.first), n.second) << n.first;
}

TEST(DocumentEncodingNames, TheCharsetComesFromTheLastContentTypeLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=windows-1251\r\n\r\n", "windows-1251"},
        {"content-type: application/rss+xml;charset=\"ISO-8859-2\"\r\n", "ISO-8859-2"},
        {"Content-Type: text/xml; format=flowed; Charset = koi8-r ;\r\n", "koi8-r"},
        {"Content-Type: text/xml\r\nX-Charset: charset=utf-8\r\n", ""},
        {"Content-Type: text/xml; xcharset=big5\r\n", ""},
        {"Content-Type: text/html; charset=utf-8\r\nContent-Type: text/xml; charset=gbk\r\n", "gbk"},
        {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(ContentTypeCharset(c.first), c.second) << c.first;
}

TEST(DocumentEncodingBytes, Utf8ValidityFollowsTheStandard)
{
    EXPECT_TRUE(rtl::IsValidUtf8("plain \xC3\xA4 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xFF"})
        EXPECT_FALSE(rtl::IsValidUtf8(bad)) << bad;
}

TEST(DocumentEncodingBytes, Utf16BecomesUtf8InBothOrders)
{
    const std::string le("A\0\xE4\0\xAC\x20\x3D\xD8\x00\xDE\x00\xD8x\0", 14);
    EXPECT_EQ(Utf16ToUtf8(le, false), "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBDx");
    EXPECT_EQ(Utf16ToUtf8(std::string("\0A\x04\x10z", 5), true), "A\xD0\x90"); // odd last byte dropped
}

TEST(DocumentEncodingBytes, EveryLineEndBecomesCrLf)
{
    // Returned, and written into a buffer that held text before; IsCrLfOnly tells what needs none.
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb\r\nc\rd\n\ne\r", "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n"},
        {"\r\r\n", "\r\n\r\n"},
        {"none", "none"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"\nx\r\n", "\r\nx\r\n"},
        {"x\r\ny\r", "x\r\ny\r\n"},
        {"x\r\n\n", "x\r\n\r\n"},
    };
    std::string out = "left over";
    for (const auto& c : cases) {
        EXPECT_EQ(ToCrLf(c.first), c.second) << c.first;
        ToCrLf(c.first, out);
        EXPECT_EQ(out, c.second) << c.first;
        EXPECT_EQ(IsCrLfOnly(c.first), c.first == c.second) << c.first;
    }
}

} // namespace

// The whole road of a download to the text the parser reads: UTF-8 taken as it is, broken bytes
// as U+FFFD, UTF-16 and Windows-1252 (declared, or bytes that are no UTF-8) converted, CR LF
// lines, ending at a zero byte.
TEST(DocumentText, EveryDocumentBecomesUtf8InCrLfLines)
{
    const struct {
        std::string Bytes, Charset, Text;
    } cases[] = {
        {"<t>\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8 \xF0\x9F\x9A\x80</t>\n", "",
         "<t>\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8 \xF0\x9F\x9A\x80</t>\r\n"},
        {"\xEF\xBB\xBF<t>Caf\xE9 \xE2\x82</t>", "", "<t>Caf\xEF\xBF\xBD \xEF\xBF\xBD</t>"},
        {std::string("\xFF\xFE<\0\x1D\x04\r\0\n\0", 10), "", "<\xD0\x9D\r\n"},
        {std::string("\xFE\xFF\0<\xD8\x3D\xDE\x80", 8), "", "<\xF0\x9F\x9A\x80"},
        {"<t>M\xFCller \x96 \x80</t>\r", "", "<t>M\xC3\xBCller \xE2\x80\x93 \xE2\x82\xAC</t>\r\n"},
        {"<t>\xC3\xA4</t>", "windows-1252", "<t>\xC3\x83\xC2\xA4</t>"}, // the server's word counts
        {std::string("<t>a</t>\0junk", 13), "", "<t>a</t>"},
    };
    TDocumentBuffers buffers;
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayDocument(c.Bytes, c.Charset, buffers), c.Text) << c.Bytes;
        EXPECT_TRUE(rtl::IsValidUtf8(DocumentToUtf8(c.Bytes, c.Charset))) << c.Bytes;
    }
}
