// The ways the program stops, and what it reports on standard error. This is
// the leaf interface for stopping and reporting: the model, the reader and
// the writers below the driver call it (and its stops flush their output),
// and every exit from the program's own code passes through one of these, so
// standard output is always flushed and checked before the process ends.
#ifndef DICT2STEP_DRIVER_H
#define DICT2STEP_DRIVER_H

// The dictionary file named on the command line, or null when standard
// input is read: messages name a place in it as FILE:N, else as line N.
extern const char *input_name;

// The command line was answered (help, version) or refused: what was
// written is flushed, and the run ends with the given status.
[[noreturn]] void stop_command_line(int status);

// The output is complete: it is flushed, the warnings that follow it are
// reported, and the run ends with status 0, or 1 when an error was reported.
[[noreturn]] void stop_finished(void (*warnings_report)());

// The warnings that follow an exchange file converted from a dictionary:
// the text that the tag language ignored, and the breaches of the schema's
// rules.
void conversion_warnings_report();

// A writer met a model it cannot write, or an exchange file read back cannot
// be a dictionary; the messages are already out: status 1.
[[noreturn]] void stop_conversion_failed();

// The scanner cannot go on at the given input line: its message, the line,
// and a hint that explains it (or null) on standard error, status 2.
[[noreturn]] void stop_scanner_failed(const char *message, int line, const char *hint);

// The input could not be read at the given line, for the errno given: the
// scanner's message, the line, and the reason for a file named, status 2.
[[noreturn]] void stop_input_failed(int line, int error);

// Memory ran out: one line on standard error, status 2.
[[noreturn]] void stop_out_of_memory();

// Standard output could not be written: one line on standard error, status 2.
[[noreturn]] void stop_output_failed(int error);

// Writes "dict2step: ", the formatted text and a newline on standard error.
void report(const char *format, ...) __attribute__((format(printf, 1, 2)));

// As report, with the place of the given input line in front of the text:
// "FILE:N: " or "line N: ".
void report_at(int line, const char *format, ...) __attribute__((format(printf, 2, 3)));

// "dict2step: FILE: REASON" for a file that cannot be read, with the
// reason for the errno given.
void report_file_error(const char *name, int error);

// A line that explains the error reported just before: "dict2step: hint: "
// and the formatted text.
void report_hint(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The kinds of error that an input may have many of: a table cell that is
// not a number of its column's type, and a fault of an exchange file read
// back into a dictionary.
enum ProblemKind { bad_number_problem, exchange_file_problem, problem_kinds };

// Reports, as report_at does, an error of one of those kinds. The first ten
// of a kind are written; the rest are counted in one line when the run
// stops. Either way the run ends with status 1.
void report_problem(ProblemKind kind, int line, const char *format, ...) __attribute__((format(printf, 3, 4)));

// Whether an error of the input has been reported, so that the run ends
// with status 1.
bool input_error_reported();

// Called by the parser with the text of a parse error.
int yyerror(const char *message);

#endif
