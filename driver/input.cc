// The reads of the input that both scanners make.
#include "driver/input.h"

#include <cerrno>

#include "driver/driver.h"

// A read interrupted by a signal is made again.
int input_read(std::FILE *in, char *buffer, int size, bool interactive, int line)
{
    int n = 0;
    if (interactive) {
        int c = '*';
        for (; n < size && (c = std::getc(in)) != EOF && c != '\n'; ++n)
            buffer[n] = char(c);
        if (c == '\n')
            buffer[n++] = char(c);
        if (c == EOF && std::ferror(in))
            stop_input_failed(line, errno);
        return n;
    }
    errno = 0;
    while ((n = int(std::fread(buffer, 1, std::size_t(size), in))) == 0 && std::ferror(in)) {
        if (errno != EINTR)
            stop_input_failed(line, errno);
        errno = 0;
        std::clearerr(in);
    }
    return n;
}
