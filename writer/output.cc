// The output buffer and its formatting. Formatting by hand rather than
// through printf keeps the cost of an entity line near that of copying it.
#include "writer/output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "driver/driver.h"
#include "writer/literal.h"

namespace {

// Flushed when it cannot take what comes next. Behind its end lies room for
// what one call of out writes besides its texts (the literal parts of its
// format, its numbers, and the spill of the 32-byte copies below), so those
// go in without a check once out_format_room is free; texts check as they
// go.
constexpr std::size_t out_buffer_size = out_reserve_most;
constexpr std::size_t out_format_room = 4096;

char out_buffer[out_buffer_size + out_format_room];
char *out_next = out_buffer;                                  // first free byte
char *const out_full = out_buffer + out_buffer_size;          // out flushes once out_next reaches this
char *const out_end = out_buffer + sizeof out_buffer;

// Flushes when out_next has reached out_full.
void out_make_room()
{
    if (out_next >= out_full) {
        int error = out_flush();
        if (error != 0)
            stop_output_failed(error);
    }
}

} // namespace

namespace {

// A format split once into the literal pieces around its conversions, so
// that out copies each piece whole instead of testing every byte for '%'.
// Pieces are copied 32 bytes at a time from text, whose tail leaves room for
// that; the bytes stored past a piece are overwritten by what follows it.
constexpr int piece_copy = 32;
constexpr int max_conversions = 8;
constexpr int max_format_length = 480;

struct FormatPieces {
    const char *format = nullptr;      // the format split here; null in a free slot
    int conversions = 0;               // the number of its conversions
    unsigned short length[max_conversions + 1] = {}; // literal bytes before each conversion, and after the last
    char conversion[max_conversions] = {}; // the letter after each '%'
    char text[max_format_length + piece_copy] = {}; // the format, and room for the last copy
};

// Every format is a string literal of the program, so its address names it;
// there are a few dozen.
constexpr int format_slots = 128;
FormatPieces format_table[format_slots];

void format_split(FormatPieces *pieces, const char *format)
{
    std::size_t length = std::strlen(format);
    if (length > max_format_length)
        std::abort();                  // a format of the program's own outgrew the table
    pieces->format = format;
    std::memcpy(pieces->text, format, length);
    int count = 0;
    const char *start = format;
    for (const char *c = format; *c != '\0'; ++c) {
        if (*c != '%')
            continue;
        if (count == max_conversions || (c[1] != 'd' && c[1] != 's' && c[1] != 'q'))
            std::abort();              // likewise, or a conversion out cannot write
        pieces->length[count] = (unsigned short)(c - start);
        pieces->conversion[count++] = c[1];
        start = ++c + 1;
    }
    pieces->length[count] = (unsigned short)(format + length - start);
    pieces->conversions = count;
}

// The pieces of format, split on its first use.
const FormatPieces *format_pieces(const char *format)
{
    std::size_t slot = (std::uintptr_t(format) >> 3) % format_slots;
    for (int probe = 0; probe < format_slots; ++probe) {
        FormatPieces *pieces = &format_table[slot];
        if (pieces->format == nullptr)
            format_split(pieces, format);
        if (pieces->format == format)
            return pieces;
        slot = (slot + 1) % format_slots;
    }
    std::abort();                      // more formats than slots
}

// The decimal digits of 0 to 9999, four each, with leading zeros.
struct DigitQuads {
    char digits[10000][4];
};

constexpr DigitQuads digit_quads_made()
{
    DigitQuads quads{};
    for (int i = 0; i < 10000; ++i) {
        quads.digits[i][0] = char('0' + i / 1000);
        quads.digits[i][1] = char('0' + i / 100 % 10);
        quads.digits[i][2] = char('0' + i / 10 % 10);
        quads.digits[i][3] = char('0' + i % 10);
    }
    return quads;
}

constexpr DigitQuads digit_quads = digit_quads_made();

inline int digits_below_10000(unsigned value)
{
    return value < 10 ? 1 : value < 100 ? 2 : value < 1000 ? 3 : 4;
}

// Writes number in decimal at next and returns the end of its digits. Copies
// four bytes of a quad even for fewer digits: what lies past them is
// overwritten by what follows.
inline char *out_number(char *next, int number)
{
    unsigned value = unsigned(number);
    if (number < 0) {
        *next++ = '-';
        value = 0u - value;
    }
    if (value >= 100000000) {
        char *end = next + (value >= 1000000000 ? 10 : 9);
        char *digit = end;
        do {
            *--digit = char('0' + value % 10);
            value /= 10;
        } while (value != 0);
        return end;
    }
    unsigned high = value / 10000;
    unsigned low = value % 10000;
    if (high == 0) {
        int digits = digits_below_10000(low);
        std::memcpy(next, digit_quads.digits[low] + 4 - digits, 4);
        return next + digits;
    }
    int digits = digits_below_10000(high);
    std::memcpy(next, digit_quads.digits[high] + 4 - digits, 4);
    std::memcpy(next + digits, digit_quads.digits[low], 4);
    return next + digits + 4;
}

// A %s (as it stands) or %q (quoted) conversion of text at next; returns
// where the output goes on.
char *out_text(char *next, char conversion, const char *text)
{
    out_next = next;
    if (conversion == 'q')
        out_quoted(text);
    else if (text != nullptr)
        out_bytes(text, std::strlen(text));
    out_make_room();
    return out_next;
}

} // namespace

char *out_reserve(std::size_t size)
{
    if (size > out_reserve_most)
        std::abort();                  // a writer asked for more than the buffer holds
    if (size > std::size_t(out_end - out_next)) {
        int error = out_flush();
        if (error != 0)
            stop_output_failed(error);
    }
    return out_next;
}

void out_commit(char *end)
{
    out_next = end;
}

// out_next may stand in the slack when this starts, so room is made first.
void out_bytes(const char *bytes, std::size_t length)
{
    for (;;) {
        out_make_room();
        std::size_t room = std::size_t(out_full - out_next);
        std::size_t part = length < room ? length : room;
        std::memcpy(out_next, bytes, part);
        out_next += part;
        if (part == length)
            return;
        bytes += part;
        length -= part;
    }
}

// Works on a local copy of out_next: a store through out_next could change
// out_next itself, which would cost a reload per byte.
void out(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    out_make_room();
    char *next = out_next;
    const FormatPieces *pieces = format_pieces(format);
    const char *from = pieces->text;
    for (int i = 0;; ++i) {
        const char *piece_end = from + pieces->length[i];
        char *to = next;
        do {
            std::memcpy(to, from, piece_copy);
            to += piece_copy;
            from += piece_copy;
        } while (from < piece_end);
        next += pieces->length[i];
        if (i == pieces->conversions)
            break;
        from = piece_end + 2;
        char conversion = pieces->conversion[i];
        if (conversion == 'd')
            next = out_number(next, va_arg(arguments, int));
        else
            next = out_text(next, conversion, va_arg(arguments, const char *));
    }
    out_next = next;
    va_end(arguments);
}

void out_references(int first, int step, int count)
{
    for (int i = 0; i < count; ++i)
        out(i + 1 < count ? "#%d, " : "#%d", first + i * step);
}

int out_flush()
{
    const char *next = out_buffer;
    std::size_t used = std::size_t(out_next - out_buffer);
    out_next = out_buffer;
    while (used > 0) {
        ssize_t written = write(STDOUT_FILENO, next, used);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        next += written;
        used -= std::size_t(written);
    }
    return 0;
}
