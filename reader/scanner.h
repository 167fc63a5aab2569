// What the grammar needs of the scanner besides its tokens: the scanner's
// own entry, the line where each match begins, and the markup openers that
// started no comment, which explain many a syntax error.
#ifndef DICT2STEP_SCANNER_H
#define DICT2STEP_SCANNER_H

// The next token; its text, if any, in yylval.text. The parser calls yylex,
// which the grammar builds on this.
int scan_token();

// The line where the last match began; for a token without text, which
// holds no line end, that is yylineno.
int match_line();

// A "<!" or "<?" met since the last token that started no comment,
// declaration or processing instruction, because its end is not on its
// line: the line it stands on, or 0; and its second character.
extern int stray_opener_line;
extern char stray_opener;

// The line of the last quoted value when it began with a single quote, else
// 0: a code written so runs on to the end of its line.
extern int single_quoted_line;

#endif
