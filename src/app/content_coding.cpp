#include "app/content_coding.h"

#include <zlib.h>

#include <climits>
#include <vector>

#include "rtl/text.h"

const char* const kAcceptedCodings = "gzip, deflate";

namespace {

constexpr int kGzipWindow = 16 + MAX_WBITS;
constexpr int kZlibWindow = MAX_WBITS;
constexpr int kRawWindow = -MAX_WBITS;

std::string Trimmed(const std::string& s)
{
    std::size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// A zlib stream starts with a method byte of 8 (deflate) and a check making both bytes a
// multiple of 31; raw deflate data rarely passes that test by chance, and then fails to inflate.
bool HasZlibHeader(const std::string& body)
{
    if (body.size() < 2)
        return false;
    unsigned cmf = static_cast<unsigned char>(body[0]), flg = static_cast<unsigned char>(body[1]);
    return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && ((cmf << 8) | flg) % 31 == 0;
}

TDecodeStatus Inflate(const std::string& in, int windowBits, std::string& out, std::size_t limit)
{
    out.clear();
    if (in.size() > UINT_MAX)
        return TDecodeStatus::TooLarge;
    z_stream zs = {};
    if (inflateInit2(&zs, windowBits) != Z_OK)
        return TDecodeStatus::Corrupt;
    std::vector<unsigned char> chunk(std::size_t(1) << 16);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    TDecodeStatus status = TDecodeStatus::Corrupt;
    for (;;) {
        zs.next_out = chunk.data();
        zs.avail_out = static_cast<uInt>(chunk.size());
        int rc = inflate(&zs, Z_NO_FLUSH);
        std::size_t produced = chunk.size() - zs.avail_out;
        if (produced > limit - out.size()) {
            status = TDecodeStatus::TooLarge;
            break;
        }
        out.append(reinterpret_cast<const char*>(chunk.data()), produced);
        if (rc == Z_STREAM_END) {
            // Concatenated gzip members make one body; zero bytes after the end are padding, and
            // anything else there means the body was not what it claimed to be.
            if (windowBits == kGzipWindow && zs.avail_in >= 2 && zs.next_in[0] == 0x1F && zs.next_in[1] == 0x8B &&
                inflateReset(&zs) == Z_OK)
                continue;
            const Bytef* rest = zs.next_in;
            const Bytef* end = rest + zs.avail_in;
            while (rest != end && *rest == 0)
                ++rest;
            if (rest == end)
                status = TDecodeStatus::Ok;
            break;
        }
        // Z_BUF_ERROR with room to write means the input ended before the stream did.
        if (rc != Z_OK)
            break;
    }
    inflateEnd(&zs);
    if (status != TDecodeStatus::Ok)
        out.clear();
    return status;
}

} // namespace

std::string HeaderValue(const TStringList& headers, const std::string& name)
{
    const std::string wanted = rtl::LowerCase(name);
    for (const std::string& line : headers) {
        std::size_t colon = line.find(':');
        // A field name has no blanks: that keeps the status line ("HTTP/1.1 200 OK") out.
        if (colon == std::string::npos || line.find_first_of(" \t") < colon)
            continue;
        if (rtl::LowerCase(line.substr(0, colon)) == wanted)
            return Trimmed(line.substr(colon + 1));
    }
    return std::string();
}

TDecodeStatus DecodeContent(const std::string& codings, const std::string& body, std::string& out,
                            std::size_t limit)
{
    std::vector<std::string> list;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = codings.find(',', start);
        std::string c = rtl::LowerCase(Trimmed(codings.substr(start, comma - start)));
        if (!c.empty() && c != "identity")
            list.push_back(c);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    out.clear();
    if (list.empty()) {
        if (body.size() > limit)
            return TDecodeStatus::TooLarge;
        out = body;
        return TDecodeStatus::Ok;
    }
    // The last coding named was applied last: undo it first.
    std::string current = body;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        int window;
        if (*it == "gzip" || *it == "x-gzip")
            window = kGzipWindow;
        else if (*it == "deflate")
            window = HasZlibHeader(current) ? kZlibWindow : kRawWindow;
        else
            return TDecodeStatus::UnknownCoding;
        std::string next;
        TDecodeStatus s = Inflate(current, window, next, limit);
        // A stream that looked wrapped but was raw deflate after all.
        if (s == TDecodeStatus::Corrupt && window == kZlibWindow)
            s = Inflate(current, kRawWindow, next, limit);
        if (s != TDecodeStatus::Ok)
            return s;
        current.swap(next);
    }
    out.swap(current);
    return TDecodeStatus::Ok;
}

std::string DecodeFailureText(TDecodeStatus status, const std::string& codings)
{
    switch (status) {
    case TDecodeStatus::Ok:
        return std::string();
    case TDecodeStatus::TooLarge:
        return "Dokument entpackt größer als " + std::to_string(kMaxDecodedSize >> 20) + " MB";
    case TDecodeStatus::UnknownCoding:
        return "unbekannte Kodierung \"" + codings.substr(0, 40) + "\"";
    case TDecodeStatus::Corrupt:
        break;
    }
    return "komprimierte Daten beschädigt (" + codings.substr(0, 40) + ")";
}
