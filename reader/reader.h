// What the markup reader offers the driver: the parse that builds the model
// from standard input, and where in the input it has got to.
#ifndef DICT2STEP_READER_H
#define DICT2STEP_READER_H

// Reads the whole dictionary into the model; 1 after a parse error.
int yyparse();

// The line of the input the scanner has reached, counted from 1.
extern int yylineno;

// For a syntax error, what the parser met instead of what it expected:
// ", unexpected " and the token, or "" when there is nothing to say.
const char *parse_error_detail();

#endif
