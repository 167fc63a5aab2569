// What the markup reader offers the driver: the parse that builds the model
// from standard input, and where in the input it has got to.
#ifndef DICT2STEP_READER_H
#define DICT2STEP_READER_H

// Reads the whole dictionary into the model; 1 after a parse error.
int yyparse();

// The line of the input the scanner has reached, counted from 1.
extern int yylineno;

// At a syntax error, the token the parser met, as a user would name it, or
// null when there is none.
const char *parse_error_token();

#endif
