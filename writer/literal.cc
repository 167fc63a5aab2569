// The encoding of stored texts as string literals of the exchange file, the
// decoding of the literals of an exchange file read back, and the character
// counting that limits on codes and names are measured in.
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

namespace {

// Writes the character code as UTF-8 at text and returns the end.
char *utf8_out(char *text, unsigned code)
{
    if (code < 0x80) {
        *text++ = char(code);
    } else if (code < 0x800) {
        *text++ = char(0xC0 | code >> 6);
        *text++ = char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *text++ = char(0xE0 | code >> 12);
        *text++ = char(0x80 | (code >> 6 & 0x3F));
        *text++ = char(0x80 | (code & 0x3F));
    } else {
        *text++ = char(0xF0 | code >> 18);
        *text++ = char(0x80 | (code >> 12 & 0x3F));
        *text++ = char(0x80 | (code >> 6 & 0x3F));
        *text++ = char(0x80 | (code & 0x3F));
    }
    return text;
}

// The value of the count hex digits at c, before end; -1 when they are not there.
long hex_value(const char *c, const char *end, int count)
{
    if (end - c < count)
        return -1;
    long value = 0;
    for (int i = 0; i < count; ++i) {
        char digit = c[i];
        int nibble = digit >= '0' && digit <= '9' ? digit - '0'
                   : digit >= 'A' && digit <= 'F' ? digit - 'A' + 10
                   : digit >= 'a' && digit <= 'f' ? digit - 'a' + 10 : -1;
        if (nibble < 0)
            return -1;
        value = value << 4 | nibble;
    }
    return value;
}

// Whether spelling stands at c, before end.
bool spelled(const char *c, const char *end, const char *spelling)
{
    std::size_t length = std::strlen(spelling);
    return std::size_t(end - c) >= length && std::memcmp(c, spelling, length) == 0;
}

inline bool surrogate(long code)
{
    return code >= 0xD800 && code <= 0xDFFF;
}

} // namespace

// The parts of ISO 8859 that \PB\ to \PI\ choose: writer/latin_pages.cc.
extern const unsigned short latin_pages[8][95];

// A group ends at \X0\; each of its characters is decoded as it comes, so
// a fault names the group up to the digits at fault.
std::size_t literal_decode(const char *literal, std::size_t length, char *text, LiteralFault *fault)
{
    const char *c = literal;
    const char *end = literal + length;
    char *next = text;
    int page = 0;                      // \PA\ until a \P?\ says otherwise
    *fault = LiteralFault();
    while (c < end) {
        char byte = *c;
        if (byte != '\\' && byte != '\'' && byte != '\n' && byte != '\r') {
            *next++ = byte;
            ++c;
            continue;
        }
        const char *start = c;
        const char *why = nullptr;
        if (byte == '\'') {
            *next++ = byte;            // written twice
            c += 2;
        } else if (byte != '\\') {
            ++c;
        } else if (spelled(c, end, "\\\\")) {
            *next++ = byte;
            c += 2;
        } else if (spelled(c, end, "\\X\\")) {
            long code = hex_value(c + 3, end, 2);
            if (code < 0)
                why = "which is no \\X\\ and two hex digits";
            else
                next = utf8_out(next, unsigned(code));
            c += 5;
        } else if (spelled(c, end, "\\X2\\") || spelled(c, end, "\\X4\\")) {
            int digits = c[2] == '2' ? 4 : 8;
            for (c += 4; why == nullptr && !spelled(c, end, "\\X0\\"); c += digits) {
                long code = hex_value(c, end, digits);
                long low = digits == 4 && code >= 0xD800 && code <= 0xDBFF ? hex_value(c + 4, end, 4) : -1;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    c += 4;
                }
                if (code < 0)
                    why = "which is no group of hex digits ended by \\X0\\";
                else if (surrogate(code) || code > 0x10FFFF)
                    why = "which is no character";
                else
                    next = utf8_out(next, unsigned(code));
            }
            c += why == nullptr ? 4 : 0;
        } else if (spelled(c, end, "\\S\\") && end - c > 3 && c[3] >= ' ' && c[3] <= '~' &&
                   (c[3] != '\\' || spelled(c + 3, end, "\\\\"))) {
            unsigned character = static_cast<unsigned char>(c[3]);
            unsigned code = page == 0 ? character + 0x80 : latin_pages[page - 1][character - ' '];
            // An apostrophe or a backslash after \S\ is written twice, as anywhere.
            c += character == '\'' || character == '\\' ? 5 : 4;
            if (code == 0)
                why = "which is no character of its part of ISO 8859";
            else
                next = utf8_out(next, code);
        } else if (spelled(c, end, "\\P") && end - c > 3 && c[2] >= 'A' && c[2] <= 'I' && c[3] == '\\') {
            page = c[2] - 'A';
            c += 4;
        } else {
            why = "which is no escape of a string literal";
            c += end - c > 1 ? 2 : 1;
        }
        if (why != nullptr) {
            fault->why = why;
            fault->at = std::size_t(start - literal);
            fault->length = std::size_t((c < end ? c : end) - start);
            break;
        }
    }
    return std::size_t(next - text);
}

std::size_t out_quoted(const char *text)
{
    std::size_t length = text != nullptr ? std::strlen(text) : 0;
    out_commit(literal_put(out_reserve(literal_most(length)), text, length));
    return length;
}

namespace {

// The bytes from c to end as a message shows them, without the apostrophes
// around them: see message_quote. A file's name keeps its apostrophes and
// backslashes as they stand (quotes_escaped false).
std::string shown_bytes(const unsigned char *c, const unsigned char *end, bool quotes_escaped)
{
    std::string shown;
    while (c < end) {
        unsigned char byte = *c;
        unsigned code = 0;
        int length = byte >= 0x80 ? character_at(c, &code) : 1;
        if ((byte == '\'' || byte == '\\') && quotes_escaped) {
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
    return shown;
}

std::string quoted_bytes(const unsigned char *c, const unsigned char *end)
{
    return "'" + shown_bytes(c, end, true) + "'";
}

} // namespace

std::string message_name(const char *name)
{
    const unsigned char *c = reinterpret_cast<const unsigned char *>(name);
    return shown_bytes(c, c + std::strlen(name), false);
}

std::string message_quote(const char *text, std::size_t most)
{
    const unsigned char *c = reinterpret_cast<const unsigned char *>(text != nullptr ? text : "");
    return quoted_bytes(c, c + text_cut(reinterpret_cast<const char *>(c), std::size_t(-1), most));
}

// A NUL is a byte like any other here; the string's own NUL after its last
// byte ends any character that would run past it.
std::string message_quote(const std::string &text, std::size_t most)
{
    const unsigned char *c = reinterpret_cast<const unsigned char *>(text.c_str());
    std::size_t cut = 0;
    while (cut < text.size()) {
        int length = c[cut] >= 0x80 ? character_at(c + cut) : 1;
        length = length != 0 ? length : 1;
        if (cut + std::size_t(length) > most)
            break;
        cut += std::size_t(length);
    }
    return quoted_bytes(c, c + cut);
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
