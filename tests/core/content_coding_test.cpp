#include "app/content_coding.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

// Compresses with zlib's deflate: windowBits picks the wrapper (15 zlib, 31 gzip, -15 raw).
std::string Compress(const std::string& data, int windowBits)
{
    z_stream zs = {};
    EXPECT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&zs, static_cast<uLong>(data.size())) + 32, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

const std::string kFeed = "<?xml version=\"1.0\"?>\r\n<rss><channel><title>Kan\xE4l</title>" +
                          std::string(3000, 'x') + std::string(1, '\0') + "</channel></rss>\r\n";

struct DecodeCase {
    const char* name;
    const char* codings;
    std::string body;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.name;
}

class DecodeContentTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeContentTest, EveryOfferedCodingGivesBackTheDocument)
{
    std::string out;
    ASSERT_EQ(DecodeContent(GetParam().codings, GetParam().body, out), TDecodeStatus::Ok);
    EXPECT_EQ(out, kFeed);
}

INSTANTIATE_TEST_SUITE_P(
    Codings, DecodeContentTest,
    testing::Values(DecodeCase{"none", "", kFeed}, DecodeCase{"identity", " Identity ", kFeed},
                    DecodeCase{"gzip", "gzip", Compress(kFeed, 31)},
                    DecodeCase{"xgzip", "X-GZIP", Compress(kFeed, 31)},
                    DecodeCase{"zlibDeflate", "deflate", Compress(kFeed, 15)},
                    DecodeCase{"rawDeflate", "deflate", Compress(kFeed, -15)},
                    DecodeCase{"stacked", "deflate, gzip", Compress(Compress(kFeed, -15), 31)},
                    DecodeCase{"gzipMembers", "gzip",
                               Compress(kFeed.substr(0, 100), 31) + Compress(kFeed.substr(100), 31)},
                    DecodeCase{"trailingPadding", "gzip", Compress(kFeed, 31) + std::string(8, '\0')}),
    [](const testing::TestParamInfo<DecodeCase>& i) { return std::string(i.param.name); });

TEST(DecodeContent, DamagedOrForeignBodiesFailAndLeaveNothing)
{
    const std::string gz = Compress(kFeed, 31), zl = Compress(kFeed, 15);
    std::string flipped = gz;
    flipped[gz.size() / 2] = static_cast<char>(flipped[gz.size() / 2] ^ 0x55);
    std::string badCheck = zl;
    badCheck[zl.size() - 1] = static_cast<char>(badCheck[zl.size() - 1] ^ 1);
    const struct {
        const char* codings;
        std::string body;
        TDecodeStatus status;
    } cases[] = {
        {"gzip", gz.substr(0, gz.size() - 9), TDecodeStatus::Corrupt}, // cut off
        {"gzip", flipped, TDecodeStatus::Corrupt},
        {"deflate", badCheck, TDecodeStatus::Corrupt}, // Adler-32 of the zlib wrapper
        {"gzip", gz + "junk", TDecodeStatus::Corrupt},
        {"gzip", "", TDecodeStatus::Corrupt},
        {"gzip", kFeed, TDecodeStatus::Corrupt}, // plain text declared compressed
        {"deflate", kFeed, TDecodeStatus::Corrupt},
        {"br", gz, TDecodeStatus::UnknownCoding},
        {"gzip, compress", gz, TDecodeStatus::UnknownCoding},
    };
    for (const auto& c : cases) {
        std::string out = "previous";
        EXPECT_EQ(DecodeContent(c.codings, c.body, out), c.status) << c.codings << " " << c.body.size();
        EXPECT_TRUE(out.empty()) << c.codings;
    }
}

TEST(DecodeContent, ABodyThatUnpacksBeyondTheLimitIsRefused)
{
    // 64 MB and one byte of zeros shrink to some 64 KB.
    const std::string zeros(kMaxDecodedSize + 1, '\0');
    std::string out;
    EXPECT_EQ(DecodeContent("gzip", Compress(zeros, 31), out), TDecodeStatus::TooLarge);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(DecodeContent("deflate", Compress(kFeed, 15), out, kFeed.size()), TDecodeStatus::Ok);
    EXPECT_EQ(DecodeContent("deflate", Compress(kFeed, 15), out, kFeed.size() - 1), TDecodeStatus::TooLarge);
}

TEST(DecodeContent, FailuresAreNamedForTheTooltip)
{
    EXPECT_EQ(DecodeFailureText(TDecodeStatus::Corrupt, "gzip"), "komprimierte Daten beschädigt (gzip)");
    EXPECT_EQ(DecodeFailureText(TDecodeStatus::UnknownCoding, "br"), "unbekannte Kodierung \"br\"");
    EXPECT_EQ(DecodeFailureText(TDecodeStatus::TooLarge, "gzip"), "Dokument entpackt größer als 64 MB");
    EXPECT_LT(DecodeFailureText(TDecodeStatus::Corrupt, std::string(500, 'x')).size(), 80u);
}

TEST(HeaderValue, FindsANameInAnyCaseAndSkipsTheStatusLine)
{
    TStringList h;
    for (const char* line : {"HTTP/1.1 200 OK: fine", "content-type: text/xml", "Content-Encoding:  gzip ",
                             "ETag: \"a:b\"", "no colon here"})
        h.Add(line);
    EXPECT_EQ(HeaderValue(h, "Content-Encoding"), "gzip");
    EXPECT_EQ(HeaderValue(h, "CONTENT-TYPE"), "text/xml");
    EXPECT_EQ(HeaderValue(h, "ETag"), "\"a:b\"");
    EXPECT_EQ(HeaderValue(h, "Last-Modified"), "");
    EXPECT_EQ(HeaderValue(h, "HTTP/1.1 200 OK"), "");
}

} // namespace
