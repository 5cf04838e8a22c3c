#include "app/wrap_text.h"

#include <vector>

#include "rtl/utf8.h"

// The rule is recursive: a line, a CR, then the trimmed wrap of the rest. Unrolled, the lines are
// collected first and the result is assembled from the last line up, kept reversed so that each
// step's prepending and trimming cost only what they add or remove. This keeps long texts with a
// small width linear instead of copying the remaining text once per line. Everything counts
// characters, numbered from 0; their bytes are looked up only to test them and to write them out.
std::string WrapText(const std::string& text, int width)
{
    if (width < 1 || static_cast<std::size_t>(width) >= text.size())
        return text;             // no text has more characters than bytes
    std::vector<std::size_t> at; // where each character starts, then the end of the text
    at.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); i = rtl::NextCharacter(text, i))
        at.push_back(i);
    const std::size_t count = at.size();
    at.push_back(text.size());
    const std::size_t w = static_cast<std::size_t>(width);
    if (w >= count)
        return text;
    auto isSpace = [&](std::size_t c) { return at[c + 1] - at[c] == 1 && text[at[c]] == ' '; };

    struct TLine {
        std::size_t Begin, Length;
    };
    std::vector<TLine> lines; // lines that are followed by the trimmed wrap of the rest
    std::size_t cur = 0;      // start of the remaining text
    std::size_t lastBegin = 0, lastLength = 0;
    bool lastIsLine = false; // the innermost level is "line, CR, trimmed remainder"
    std::size_t restBegin = 0;
    for (;;) {
        const std::size_t remaining = count - cur;
        if (w >= remaining) {
            restBegin = cur;
            break;
        }
        std::size_t k = 0; // 1-based position of the last space among the first w characters
        for (std::size_t i = w; i >= 1; --i)
            if (isSpace(cur + i - 1)) {
                k = i;
                break;
            }
        if (k == 0) {
            lines.push_back({cur, w});
            cur += w;
            continue;
        }
        if (remaining - k + 1 > w) {
            lines.push_back({cur, k});
            cur += k;
            continue;
        }
        lastIsLine = true;
        lastBegin = cur;
        lastLength = k;
        restBegin = cur + k - 1;
        break;
    }

    // rev holds the result's characters reversed from index front on; kBreak is a line's CR.
    constexpr std::size_t kBreak = static_cast<std::size_t>(-1);
    auto isBlank = [&](std::size_t c) {
        if (c == kBreak)
            return true;
        for (std::size_t i = at[c]; i < at[c + 1]; ++i)
            if (static_cast<unsigned char>(text[i]) > ' ')
                return false;
        return true;
    };
    std::vector<std::size_t> rev;
    rev.reserve(count + lines.size() + 1);
    std::size_t front = 0;
    auto prepend = [&](std::size_t begin, std::size_t length) {
        rev.push_back(kBreak);
        for (std::size_t i = begin + length; i > begin; --i)
            rev.push_back(i - 1);
    };
    auto trim = [&]() {
        while (rev.size() > front && isBlank(rev.back()))
            rev.pop_back();
        while (front < rev.size() && isBlank(rev[front]))
            ++front;
    };
    for (std::size_t i = count; i > restBegin; --i)
        rev.push_back(i - 1);
    if (lastIsLine) {
        trim();
        prepend(lastBegin, lastLength);
    }
    for (std::size_t i = lines.size(); i > 0; --i) {
        trim();
        prepend(lines[i - 1].Begin, lines[i - 1].Length);
    }
    std::string out;
    out.reserve(text.size() + lines.size() + 1);
    for (std::size_t i = rev.size(); i > front; --i) {
        const std::size_t c = rev[i - 1];
        if (c == kBreak)
            out += '\r';
        else
            out.append(text, at[c], at[c + 1] - at[c]);
    }
    return out;
}
