#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The program's text is UTF-8. What the user counts as one character is an extended grapheme
// cluster of Unicode: a letter with its combining marks, a Hangul syllable of jamo, an emoji with
// its skin tone or a whole joined emoji sequence, a flag of two regional indicators, CR LF. Every
// length the user sees is counted in those, and every cut falls between two of them.
//
// Bytes that are no well-formed UTF-8 count as U+FFFD, one for each maximal ill-formed part, as
// converters replace them; nothing here fails.
namespace rtl {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends the code point's UTF-8 bytes; a surrogate or a value beyond U+10FFFF appends U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// The code point whose bytes start at text[at] (at < size), and in length how many bytes it
// takes: 1 to 4, or the length of the ill-formed part it stands for, decoded as U+FFFD.
char32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t& length);

bool IsValidUtf8(std::string_view text);
// Whether every byte is below 0x80: text that reads the same in every code page.
inline bool IsAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Appends text with every ill-formed part replaced by U+FFFD.
void AppendValidUtf8(std::string& out, std::string_view text);

// Where the character that starts at byte at ends (at < size).
std::size_t NextCharacter(std::string_view text, std::size_t at);
// at itself when a code point begins there (or at is the end); else the end of the code point at
// sits inside. A piece taken at a count of bytes then never begins with half a character.
inline std::size_t CodePointStart(std::string_view text, std::size_t at)
{
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        ++at;
    return at;
}

// Number of characters in text.
std::size_t CharacterCount(std::string_view text);

// Bytes taken by the first count characters of text; the whole text when it has no more. The
// second form also gives how many characters that prefix holds (count, or fewer at the end).
std::size_t CharacterPrefix(std::string_view text, std::size_t count);
std::size_t CharacterPrefix(std::string_view text, std::size_t count, std::size_t& chars);

// The length of text in UTF-16 code units, as the platform's wide calls take it (ill-formed parts
// count as the one U+FFFD each becomes).
std::size_t Utf16Length(std::string_view text);

// The longest address a browser, the shell or WinInet is handed, in UTF-16 code units: what
// browsers take in their address bar. A feed can name a longer one to crash the shell.
inline constexpr std::size_t kMaxAddressLength = 2083;

// The code point's simple case folding (its lower-case form as a rule); itself when it has none.
char32_t FoldCase(char32_t codePoint);

} // namespace rtl
