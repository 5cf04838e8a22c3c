// The repository's feed corpus (tests/data/feeds): every document read as the program reads a
// download (its character set decided from the bytes and the served Content-Type, converted,
// CR LF lines) and parsed; what the user is shown must be its .expect. The host build converts
// only UTF-8, UTF-16 and Windows-1252 and skips the other documents; under Windows every one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/document_encoding.h"
#include "app/feed_parser.h"
#include "app/utf8_document.h"
#include "rtl/text.h"

namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// What a user sees of a parse, in the .expect form: links only when the program opens them,
// every line break as "\n".
std::string Seen(const feed::TParseResult& r, const feed::TBalloonNews& b)
{
    auto lines = [](std::string s) {
        for (std::size_t at; (at = s.find("\r\n")) != std::string::npos;)
            s.replace(at, 2, "\\n");
        for (std::size_t at; (at = s.find('\r')) != std::string::npos;)
            s.replace(at, 1, "\\n");
        return s;
    };
    auto opened = [](const std::string& link) {
        const std::string t = rtl::Trim(link);
        return feed::IsWebAddress(t) ? t : "";
    };
    std::string s = "channel: " + r.Channel.Caption + "\nchannel-link: " + opened(r.Channel.Link) +
                    "\ndescription: " + lines(r.Channel.Description) + "\nballoon-headline: " + b.Headline +
                    "\nballoon-text: " + lines(b.Text) + "\n";
    for (const feed::THeadline& h : r.Headlines)
        s += "headline: " + h.Caption + " | " + opened(h.Link) + "\n";
    return s;
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
            if (file.path().extension() != ".xml")
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
            EXPECT_EQ(WithoutTrailingBlanks(Seen(r, balloon)), WithoutTrailingBlanks(ReadFile(expect)))
                << file.path();
        }
    }
    EXPECT_GE(documents, 36);
    EXPECT_GE(read, documents / 2);
}

} // namespace
