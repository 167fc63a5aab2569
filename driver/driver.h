// The ways the program stops, and the parse-error report. Every exit from the
// program's own code passes through one of these, so standard output is
// always flushed and checked before the process ends.
#ifndef DICT2STEP_DRIVER_H
#define DICT2STEP_DRIVER_H

// The exchange file is complete: status 0, or 1 when the parse reported an error.
[[noreturn]] void stop_finished();

// A writer met a model it cannot write; its message is already out: status 1.
[[noreturn]] void stop_conversion_failed();

// The scanner cannot go on: message on standard error, status 2.
[[noreturn]] void stop_scanner_failed(const char *message);

// Standard output could not be written: one line on standard error, status 2.
[[noreturn]] void stop_output_failed(int error);

// Called by the parser with the text of a parse error.
int yyerror(const char *message);

#endif
