// The output buffer and its formatting. Formatting by hand rather than
// through printf keeps the cost of an entity line near that of copying it.
#include "writer/output.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <unistd.h>

#include "driver/driver.h"

namespace {

constexpr int out_buffer_size = 1 << 18;

char out_buffer[out_buffer_size];
int out_used;                          // bytes waiting in out_buffer

// Makes room for at least need bytes, flushing when the buffer is too full.
inline void out_reserve(int need)
{
    if (out_used + need > out_buffer_size) {
        int error = out_flush();
        if (error != 0)
            stop_output_failed(error);
    }
}

void out_bytes(const char *bytes, std::size_t length)
{
    while (length > 0) {
        out_reserve(1);
        std::size_t room = out_buffer_size - out_used;
        std::size_t part = length < room ? length : room;
        std::memcpy(out_buffer + out_used, bytes, part);
        out_used += int(part);
        bytes += part;
        length -= part;
    }
}

void out_number(int number)
{
    char digits[12];
    char *end = digits + sizeof digits;
    char *start = end;
    unsigned value = number < 0 ? 0u - unsigned(number) : unsigned(number);
    do {
        *--start = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (number < 0)
        *--start = '-';
    out_bytes(start, std::size_t(end - start));
}

} // namespace

void out(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    for (;;) {
        const char *percent = std::strchr(format, '%');
        if (percent == nullptr) {
            out_bytes(format, std::strlen(format));
            break;
        }
        out_bytes(format, std::size_t(percent - format));
        const char *text;
        switch (percent[1]) {
        case 'd':
            out_number(va_arg(arguments, int));
            break;
        case 's':
            text = va_arg(arguments, const char *);
            if (text != nullptr)
                out_bytes(text, std::strlen(text));
            break;
        case 'q':
            out_quoted(va_arg(arguments, const char *));
            break;
        }
        format = percent + 2;
    }
    va_end(arguments);
}

void out_quoted(const char *text)
{
    out_reserve(1);
    out_buffer[out_used++] = '\'';
    if (text != nullptr) {
        for (; *text != '\0'; ++text) {
            out_reserve(2);
            if (*text == '\'' || *text == '\\')
                out_buffer[out_used++] = *text;
            out_buffer[out_used++] = *text;
        }
    }
    out_reserve(1);
    out_buffer[out_used++] = '\'';
}

void out_references(int first, int step, int count)
{
    for (int i = 0; i < count; ++i)
        out(i + 1 < count ? "#%d, " : "#%d", first + i * step);
}

int out_flush()
{
    const char *next = out_buffer;
    while (out_used > 0) {
        ssize_t written = write(STDOUT_FILENO, next, std::size_t(out_used));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            out_used = 0;
            return errno;
        }
        next += written;
        out_used -= int(written);
    }
    return 0;
}
