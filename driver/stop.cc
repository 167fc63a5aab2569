// Parse-error reporting, the ways of stopping and the final check of
// standard output.
#include "driver/driver.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "writer/output.h"

namespace {

bool parse_error_reported;             // yyerror has been called

// Flushes the output and makes sure standard output took all of it.
[[noreturn]] void stop_with(int status)
{
    int error = out_flush();
    if (error == 0 && close(STDOUT_FILENO) != 0 && errno != EBADF)
        error = errno;
    if (error != 0)
        stop_output_failed(error);
    std::exit(status);
}

} // namespace

int yyerror(const char *message)
{
    parse_error_reported = true;
    out("%s\n", message);
    return 0;
}

void stop_finished()
{
    stop_with(parse_error_reported ? 1 : 0);
}

void stop_conversion_failed()
{
    stop_with(1);
}

void stop_scanner_failed(const char *message)
{
    std::fprintf(stderr, "%s\n", message);
    stop_with(2);
}

void stop_output_failed(int error)
{
    std::fprintf(stderr, "dict2step: cannot write standard output: %s\n", std::strerror(error));
    std::exit(2);
}
