// The repository's feed corpus (tests/data/feeds, RSS, Atom and JSON Feed): every document read as the program
// reads a download (its character set decided from the bytes and the served Content-Type, converted, CR LF lines)
// and parsed; what the user is shown must be its .expect. The host build converts only UTF-8, UTF-16 and
// Windows-1252 and skips the other documents; under Windows every one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/document_encoding.h"
#include "app/feed_parser.h"
#include "app/utf8_document.h"
#include "expect_format.h"

namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The .expect files may end a line with a blank, after a "|" with no address.
std::string WithoutTrailingBlanks(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
        out += c;
    }
    return out;
}

bool HostConverts(const std::string& bytes, const std::string& charset)
{
#ifdef _WIN32
    (void)bytes;
    (void)charset;
    return true;
#else
    const int cp = DecideEncoding(bytes, charset).CodePage;
    return cp == kCodePageUtf8 || cp == kCodePageUtf16LE || cp == kCodePageUtf16BE || cp == kCodePageAnsi ||
           cp == kCodePageWindows1252;
#endif
}

TEST(FeedCorpus, EveryDocumentShowsWhatItsExpectFileSays)
{
    const std::filesystem::path root = std::filesystem::path(QV_SOURCE_DIR) / "tests/data/feeds";
    int documents = 0, read = 0;
    TDocumentBuffers buffers;
    for (const auto& group : std::filesystem::directory_iterator(root)) {
        for (const auto& file : std::filesystem::directory_iterator(group.path())) {
            if (file.path().extension() != ".xml" && file.path().extension() != ".json")
                continue;
            ++documents;
            std::filesystem::path headers = file.path();
            headers.replace_extension(".headers");
            const std::string bytes = ReadFile(file.path());
            const std::string charset =
                std::filesystem::exists(headers) ? ContentTypeCharset(ReadFile(headers)) : std::string();
            if (!HostConverts(bytes, charset))
                continue;
            ++read;
            const std::string doc = DisplayDocument(bytes, charset, buffers);
            feed::TBalloonNews balloon;
            const std::string url = "http://127.0.0.1:8000/" + group.path().filename().string() + "/" +
                                    file.path().filename().string();
            const feed::TParseResult r = feed::Parse(doc, 15, 80, balloon, url);
            std::filesystem::path expect = file.path();
            expect.replace_extension(".expect");
            EXPECT_EQ(WithoutTrailingBlanks(SeenAsExpect(r, balloon)), WithoutTrailingBlanks(ReadFile(expect)))
                << file.path();
        }
    }
    EXPECT_GE(documents, 40);
    EXPECT_GE(read, documents / 2);
}

} // namespace
