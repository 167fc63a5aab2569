// The tokens of an exchange file, as its scanner hands them to the reader.
// The scanner has its own prefix, p21, so that it shares no state with the
// scanner of the tag language.
#ifndef DICT2STEP_REVERSE_SCANNER_H
#define DICT2STEP_REVERSE_SCANNER_H

enum ExchangeToken {
    p21_end_of_input = 0,
    p21_file_start,                    // ISO-10303-21
    p21_file_end,                      // END-ISO-10303-21
    p21_header,                        // HEADER
    p21_data,                          // DATA
    p21_endsec,                        // ENDSEC
    p21_keyword,                       // the name of an entity or a type; a user-defined one begins with '!'
    p21_instance,                      // #N
    p21_integer,
    p21_real,
    p21_string,                        // with its apostrophes
    p21_enumeration,                   // .NAME.
    p21_binary,                        // "HEX"
    p21_unset,                         // $
    p21_derived,                       // *
    p21_open,                          // (
    p21_close,                         // )
    p21_comma,                         // with the blanks after it
    p21_semicolon,                     // with the blanks and line breaks after it
    p21_equals,
    p21_open_string,                   // a string not closed before a NUL or the end of the input
    p21_open_comment,                  // a comment not closed before the end of the input
    p21_stray                          // a character or run that begins no token
};

// The next token; its text in p21text, p21leng bytes long, until the next call.
int p21lex();
extern char *p21text;
extern int p21leng;

// The line the scanner has reached: that of the token just read, for one
// that holds no line break.
extern int p21lineno;

// The line where the last comment began.
extern int p21_comment_line;

#endif
