// The encoding of stored texts as string literals of the exchange file, and
// the character counting that limits on codes and names are measured in.
#include "writer/literal.h"

#include <cstring>

#include "writer/output.h"

namespace {

// The length of the character at c when it is one that a string literal
// must encode: a control character (1 to 31, 127) or a well-formed UTF-8
// sequence (shortest form, no surrogates, at most U+10FFFF); its code point
// goes to *code. 0 for a printable ASCII byte, the terminating NUL, or a
// byte that begins no well-formed sequence (a stray byte).
inline int character_at(const unsigned char *c, unsigned *code = nullptr)
{
    unsigned lead = c[0];
    unsigned value;
    int length;
    if (lead < 0x20 || lead == 0x7F) {
        value = lead;
        length = lead != 0;
    } else if (lead < 0xC2 || lead > 0xF4) {
        return 0;
    } else if (lead < 0xE0) {
        if ((c[1] & 0xC0) != 0x80)
            return 0;
        value = (lead & 0x1F) << 6 | (c[1] & 0x3F);
        length = 2;
    } else {
        // The second byte's range excludes overlong forms (E0, F0),
        // surrogates (ED) and code points past U+10FFFF (F4).
        unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (c[1] < low || c[1] > high || (c[2] & 0xC0) != 0x80)
            return 0;
        if (lead < 0xF0) {
            value = (lead & 0x0F) << 12 | (c[1] & 0x3F) << 6 | (c[2] & 0x3F);
            length = 3;
        } else {
            if ((c[3] & 0xC0) != 0x80)
                return 0;
            value = (lead & 0x07) << 18 | (c[1] & 0x3F) << 12 | (c[2] & 0x3F) << 6 | (c[3] & 0x3F);
            length = 4;
        }
    }
    if (code != nullptr)
        *code = value;
    return length;
}

// The bytes of the character at c as a reader counts it: a stray byte and a
// printable one are one byte each; 0 at the end of the text.
inline int character_length(const unsigned char *c)
{
    int length = character_at(c);
    return length != 0 ? length : *c != '\0';
}

constexpr char hex_digits[] = "0123456789ABCDEF";

// A byte that is no part of a character, written as \X\ and its two hex
// digits: the byte read as ISO 8859-1.
inline char *stray_byte_out(char *next, unsigned byte)
{
    std::memcpy(next, "\\X\\", 3);
    next[3] = hex_digits[byte >> 4];
    next[4] = hex_digits[byte & 0xF];
    return next + 5;
}

// Writes the run of characters at c that a string literal must encode as one
// group: \X2\ and four hex digits per character when all of them lie below
// U+10000, else \X4\ and eight, then \X0\. The run ends before limit.
// Returns the end of the run.
const unsigned char *group_out(char **at, const unsigned char *c, const unsigned char *limit)
{
    bool wide = false;
    const unsigned char *end = c;
    unsigned code = 0;
    for (int length; end < limit && (length = character_at(end, &code)) != 0; end += length)
        wide = wide || code >= 0x10000;
    int digits = wide ? 8 : 4;
    char *next = *at;
    std::memcpy(next, wide ? "\\X4\\" : "\\X2\\", 4);
    next += 4;
    while (c < end) {
        c += character_at(c, &code);
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
            *next++ = hex_digits[(code >> shift) & 0xF];
    }
    std::memcpy(next, "\\X0\\", 4);
    *at = next + 4;
    return end;
}

} // namespace

char *literal_put(char *next, const char *text, std::size_t length)
{
    *next++ = '\'';
    const unsigned char *c = reinterpret_cast<const unsigned char *>(text);
    const unsigned char *end = c + length;
    while (c < end) {
        unsigned char byte = *c;
        if (byte - 0x20u < 0x5Fu) {
            if (byte == '\'' || byte == '\\')
                *next++ = char(byte);
            *next++ = char(byte);
            ++c;
        } else if (character_at(c) == 0) {
            next = stray_byte_out(next, byte);
            ++c;
        } else {
            c = group_out(&next, c, end);
        }
    }
    *next++ = '\'';
    return next;
}

std::size_t out_quoted(const char *text)
{
    std::size_t length = text != nullptr ? std::strlen(text) : 0;
    out_commit(literal_put(out_reserve(literal_most(length)), text, length));
    return length;
}

std::string message_quote(const char *text, std::size_t most)
{
    std::string shown = "'";
    const unsigned char *c = reinterpret_cast<const unsigned char *>(text != nullptr ? text : "");
    const unsigned char *end = c + text_cut(reinterpret_cast<const char *>(c), std::size_t(-1), most);
    while (c < end) {
        unsigned char byte = *c;
        unsigned code = 0;
        int length = byte >= 0x80 ? character_at(c, &code) : 1;
        if (byte == '\'' || byte == '\\') {
            shown += '\\';
            shown += char(byte);
        } else if (byte == '\n') {
            shown += "\\n";
        } else if (byte == '\t') {
            shown += "\\t";
        } else if (byte == '\r') {
            shown += "\\r";
        } else if (byte - 0x20u < 0x5Fu || code >= 0xA0) {
            shown.append(reinterpret_cast<const char *>(c), std::size_t(length));
        } else {
            // A control character (a C1 one takes two bytes), DEL, or a byte
            // that begins no character.
            length = length != 0 ? length : 1;
            for (int i = 0; i < length; ++i) {
                shown += "\\x";
                shown += hex_digits[c[i] >> 4];
                shown += hex_digits[c[i] & 0xF];
            }
        }
        c += length;
    }
    return shown + "'";
}

// A text of no more bytes than characters is not longer, whatever it holds.
bool text_longer_than(const char *text, std::size_t characters)
{
    if (strnlen(text, characters + 1) <= characters)
        return false;
    return text[text_cut(text, characters, std::size_t(-1))] != '\0';
}

// A start of printable ASCII, nearly all there is in codes and names, is
// counted a byte a character.
std::size_t text_cut(const char *text, std::size_t characters, std::size_t bytes)
{
    const unsigned char *c = reinterpret_cast<const unsigned char *>(text);
    std::size_t most = characters < bytes ? characters : bytes;
    std::size_t ascii = 0;
    while (ascii < most && c[ascii] - 0x20u < 0x5Fu)
        ++ascii;
    characters -= ascii;
    bytes -= ascii;
    std::size_t cut = ascii;
    for (; characters > 0; --characters) {
        int length = character_length(c + cut);
        if (length == 0 || std::size_t(length) > bytes)
            break;
        cut += std::size_t(length);
        bytes -= std::size_t(length);
    }
    return cut;
}
