// What the markup reader offers the driver: the parse that builds the model
// from standard input, where in the input it has got to, and what a syntax
// error met there.
#ifndef DICT2STEP_READER_H
#define DICT2STEP_READER_H

#include "model/model.h"

// Reads the whole dictionary into the model; 1 after a parse error.
int yyparse();

// The line of the input the scanner has reached, counted from 1.
extern int yylineno;

// A syntax error as the user needs to hear of it.
struct SyntaxError {
    int line = 0;                      // where the token met begins; at the end of input, yylineno
    const char *met = nullptr;         // the token met, as it stands in a document ("'</CLASS>'", "text")
    const char *text = nullptr;        // a text or quoted value met, as read; else null
    char expected[160] = {};           // the tokens the parser could take there ("'A' or 'B'"); empty for more than four
    const ClassNode *open_class = nullptr; // at the end of input, the innermost class still open
    const char *hint = nullptr;        // a trap of the tag language that explains the error, or null
    char hint_text[400] = {};          // the hint, when it is made for this error
};

// Describes the syntax error the parser has just met.
void syntax_error_describe(SyntaxError *error);

// The line where the token the parser read last begins; the end of input
// counts as the line yylineno has reached.
int last_token_line();

// The warning on the texts that the tag language ignored, after the exchange
// file: their count and the first.
void ignored_text_report();

// Why the input cannot be read as the tag language at all: it is UTF-16 or
// UTF-32 text rather than UTF-8 or ASCII, or an exchange file. Null when it
// looks like none of them.
const char *input_kind_hint();

#endif
