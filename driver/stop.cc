// Parse-error reporting, the lines on standard error and the places in the
// input they name, the ways of stopping and the final check of standard
// output.
#include "driver/driver.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "reader/reader.h"
#include "writer/literal.h"
#include "writer/output.h"
#include "writer/writer.h"

const char *input_name;

namespace {

// Problems of a kind written out in full; the rest are only counted.
constexpr int problems_shown = 10;

bool error_reported;                   // the input had an error: status 1

// How many problems of each kind were met, and how the line that counts the
// rest says it, for one and for more.
struct Problems {
    int count;
    const char *one_more;
    const char *more;
};

Problems problems[problem_kinds] = {
    {0, "1 more value is not a number", "%d more values are not numbers"},
    {0, "1 more problem in the exchange file", "%d more problems in the exchange file"},
};

// "dict2step: ", the place of line when there is one, the formatted text
// and a line end on standard error.
void report_list(int line, const char *format, va_list arguments)
{
    std::fputs("dict2step: ", stderr);
    if (line > 0 && input_name != nullptr) {
        std::fputs(message_name(input_name).c_str(), stderr);
        std::fprintf(stderr, ":%d: ", line);
    }
    else if (line > 0)
        std::fprintf(stderr, "line %d: ", line);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
}

// The count of the problems of each kind that were not written out, once.
void report_problems_left()
{
    for (Problems &kind : problems) {
        if (kind.count > problems_shown) {
            int rest = kind.count - problems_shown;
            if (rest == 1)
                report("%s", kind.one_more);
            else
                report(kind.more, rest);
            kind.count = problems_shown;
        }
    }
}

// Flushes the output and makes sure standard output took all of it.
[[noreturn]] void stop_with(int status)
{
    report_problems_left();
    int error = out_flush();
    if (error == 0 && close(STDOUT_FILENO) != 0 && errno != EBADF)
        error = errno;
    if (error != 0)
        stop_output_failed(error);
    std::exit(status);
}

// The scanner's own message, and the place where it stopped.
void report_scanner_stop(const char *message, int line)
{
    std::fprintf(stderr, "%s\n", message);
    if (input_name != nullptr)
        report_at(line, "stopped here");
    else
        report("stopped at line %d", line);
}

// The start of a text met at a syntax error, as messages quote it: its
// first line (or, when that is empty, its first bytes), at most 30 bytes of it.
std::string quoted_start(const char *text)
{
    constexpr std::size_t most = 30;
    std::size_t line = std::strcspn(text, "\n");
    return message_quote(text, line > 0 && line < most ? line : most);
}

} // namespace

void report(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    report_list(0, format, arguments);
    va_end(arguments);
}

void report_at(int line, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    report_list(line, format, arguments);
    va_end(arguments);
}

void report_file_error(const char *name, int error)
{
    std::fputs("dict2step: ", stderr);
    std::fputs(message_name(name).c_str(), stderr);
    std::fprintf(stderr, ": %s\n", std::strerror(error));
}

void report_hint(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::fputs("dict2step: hint: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
}

void report_problem(ProblemKind kind, int line, const char *format, ...)
{
    error_reported = true;
    if (++problems[kind].count > problems_shown)
        return;
    va_list arguments;
    va_start(arguments, format);
    report_list(line, format, arguments);
    va_end(arguments);
}

bool input_error_reported()
{
    return error_reported;
}

// The message keeps its place on standard output, ahead of the exchange
// file; standard error says where it was met, what the parser met there and
// what it would have taken, and explains the error when it is one of the
// tag language's traps.
int yyerror(const char *message)
{
    error_reported = true;
    out("%s\n", message);
    if (std::strcmp(message, "syntax error") != 0) {
        report_at(last_token_line(), "%s", message);
        return 0;
    }
    SyntaxError error;
    syntax_error_describe(&error);
    std::string text = std::string(message) + ", unexpected " + error.met;
    if (error.text != nullptr)
        text += " " + quoted_start(error.text);
    if (error.expected[0] != '\0')
        text += std::string(", expecting ") + error.expected;
    if (error.open_class != nullptr)
        text += " (class " + message_quote(error.open_class->code) + " opened on line " +
                std::to_string(error.open_class->line) + ")";
    report_at(error.line, "%s", text.c_str());
    if (input_kind_hint() != nullptr)
        report_hint("%s", input_kind_hint());
    else if (error.hint != nullptr)
        report_hint("%s", error.hint);
    return 0;
}

void conversion_warnings_report()
{
    ignored_text_report();
    rules_report();
}

// The warnings come last, once the output is written.
void stop_finished(void (*warnings_report)())
{
    report_problems_left();
    int error = out_flush();
    if (error != 0)
        stop_output_failed(error);
    warnings_report();
    stop_with(error_reported ? 1 : 0);
}

void stop_command_line(int status)
{
    stop_with(status);
}

void stop_conversion_failed()
{
    stop_with(1);
}

void stop_scanner_failed(const char *message, int line, const char *hint)
{
    report_scanner_stop(message, line);
    if (input_kind_hint() != nullptr)
        report_hint("%s", input_kind_hint());
    else if (hint != nullptr)
        report_hint("%s", hint);
    stop_with(2);
}

// Standard input keeps the scanner's two lines; a file named on the command
// line also says why it could not be read, as a file that cannot be opened.
void stop_input_failed(int line, int error)
{
    report_scanner_stop("input in flex scanner failed", line);
    if (input_name != nullptr)
        report_file_error(input_name, error);
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
