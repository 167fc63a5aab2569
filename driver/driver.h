// The ways the program stops, and what it reports on standard error. This is
// the leaf interface for stopping and reporting: the model, the reader and
// the writers below the driver call it (and its stops flush their output),
// and every exit from the program's own code passes through one of these, so
// standard output is always flushed and checked before the process ends.
#ifndef DICT2STEP_DRIVER_H
#define DICT2STEP_DRIVER_H

// The exchange file is complete: status 0, or 1 when an error was reported.
[[noreturn]] void stop_finished();

// A writer met a model it cannot write; its messages are already out: status 1.
[[noreturn]] void stop_conversion_failed();

// The scanner cannot go on at the given input line: its message and the line
// on standard error, status 2.
[[noreturn]] void stop_scanner_failed(const char *message, int line);

// Memory ran out: one line on standard error, status 2.
[[noreturn]] void stop_out_of_memory();

// Standard output could not be written: one line on standard error, status 2.
[[noreturn]] void stop_output_failed(int error);

// Writes "dict2step: ", the formatted text and a newline on standard error.
void report(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Reports, as report does, a table cell that is not a number of its column's
// type. The first few are written; the rest are counted in one line at the
// end. Either way the run ends with status 1.
void report_bad_number(const char *format, ...);

// Called by the parser with the text of a parse error.
int yyerror(const char *message);

#endif
