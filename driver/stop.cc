// Parse-error reporting, the lines on standard error, the ways of stopping
// and the final check of standard output.
#include "driver/driver.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "reader/reader.h"
#include "writer/output.h"
#include "writer/writer.h"

namespace {

// Bad numbers written out in full; the rest are only counted.
constexpr int bad_numbers_shown = 10;

bool error_reported;                   // the input had an error: status 1
int bad_numbers;                       // cells that were not numbers

// "dict2step: ", the formatted text and a line end on standard error.
void report_list(const char *format, va_list arguments)
{
    std::fputs("dict2step: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
}

// The count of the bad numbers that were not written out, once.
void report_bad_numbers_left()
{
    if (bad_numbers > bad_numbers_shown) {
        int rest = bad_numbers - bad_numbers_shown;
        if (rest == 1)
            report("1 more value is not a number");
        else
            report("%d more values are not numbers", rest);
        bad_numbers = bad_numbers_shown;
    }
}

// Flushes the output and makes sure standard output took all of it.
[[noreturn]] void stop_with(int status)
{
    report_bad_numbers_left();
    int error = out_flush();
    if (error == 0 && close(STDOUT_FILENO) != 0 && errno != EBADF)
        error = errno;
    if (error != 0)
        stop_output_failed(error);
    std::exit(status);
}

} // namespace

void report(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    report_list(format, arguments);
    va_end(arguments);
}

void report_bad_number(const char *format, ...)
{
    error_reported = true;
    if (++bad_numbers > bad_numbers_shown)
        return;
    va_list arguments;
    va_start(arguments, format);
    report_list(format, arguments);
    va_end(arguments);
}

// The message keeps its place on standard output, ahead of the exchange
// file; standard error says where it was met.
int yyerror(const char *message)
{
    error_reported = true;
    out("%s\n", message);
    const char *met = std::strcmp(message, "syntax error") == 0 ? parse_error_token() : nullptr;
    if (met != nullptr)
        report("line %d: %s, unexpected %s", yylineno, message, met);
    else
        report("line %d: %s", yylineno, message);
    return 0;
}

// The warnings on the schema's rules come last, once the file is complete.
void stop_finished()
{
    report_bad_numbers_left();
    rules_report();
    stop_with(error_reported ? 1 : 0);
}

void stop_conversion_failed()
{
    stop_with(1);
}

void stop_scanner_failed(const char *message, int line)
{
    std::fprintf(stderr, "%s\n", message);
    report("stopped at line %d", line);
    stop_with(2);
}

void stop_out_of_memory()
{
    report("out of memory");
    stop_with(2);
}

void stop_output_failed(int error)
{
    report("cannot write standard output: %s", std::strerror(error));
    std::exit(2);
}
