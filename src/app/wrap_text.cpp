#include "app/wrap_text.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

// The rule is recursive: a line, a CR, then the trimmed wrap of the rest. Unrolled, the lines are
// collected first and the result is assembled from the last line up, kept reversed so that each
// step's prepending and trimming cost only what they add or remove. This keeps long texts with a
// small width linear instead of copying the remaining text once per line.
std::string WrapText(const std::string& text, int width)
{
    if (width < 1 || static_cast<std::size_t>(width) >= text.size())
        return text;
    const std::size_t w = static_cast<std::size_t>(width);

    struct TLine {
        std::size_t Begin, Length;
    };
    std::vector<TLine> lines; // lines that are followed by the trimmed wrap of the rest
    std::size_t cur = 0;      // start of the remaining text
    std::size_t lastBegin = 0, lastLength = 0;
    bool lastIsLine = false; // the innermost level is "line, CR, trimmed remainder"
    std::size_t restBegin = 0;
    for (;;) {
        const std::size_t remaining = text.size() - cur;
        if (w >= remaining) {
            restBegin = cur;
            break;
        }
        const char* window = text.data() + cur;
        std::size_t k = 0; // 1-based position of the last space among the first w characters
        for (std::size_t i = w; i >= 1; --i)
            if (window[i - 1] == ' ') {
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

    // rev holds the result reversed from index front on.
    std::string rev;
    rev.reserve(text.size() + lines.size() + 1);
    std::size_t front = 0;
    auto prepend = [&](std::size_t begin, std::size_t length) {
        rev.push_back('\r');
        for (std::size_t i = begin + length; i > begin; --i)
            rev.push_back(text[i - 1]);
    };
    auto trim = [&]() {
        while (rev.size() > front && IsBlank(rev.back()))
            rev.pop_back();
        while (front < rev.size() && IsBlank(rev[front]))
            ++front;
    };
    for (std::size_t i = text.size(); i > restBegin; --i)
        rev.push_back(text[i - 1]);
    if (lastIsLine) {
        trim();
        prepend(lastBegin, lastLength);
    }
    for (std::size_t i = lines.size(); i > 0; --i) {
        trim();
        prepend(lines[i - 1].Begin, lines[i - 1].Length);
    }
    return std::string(rev.rbegin(), rev.rend() - static_cast<std::ptrdiff_t>(front));
}
