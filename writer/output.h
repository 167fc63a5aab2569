// The exchange file's output: one large buffer in front of standard output,
// with the formatting that every entity line shares. Error lines that belong
// on standard output go through it as well, so they keep their place.
#ifndef DICT2STEP_OUTPUT_H
#define DICT2STEP_OUTPUT_H

// Appends format to the output. Conversions: %d an int in decimal; %s a stored
// text as it stands; %q a stored text as a quoted string literal (see
// out_quoted). Nothing else is special. The format must be a string literal
// of at most 480 bytes and 8 conversions: it is split into pieces on its first
// use and known by its address after that; any other conversion aborts then.
void out(const char *format, ...);

// Writes text between apostrophes as a string literal of the exchange file
// that holds only the bytes 0x20 to 0x7E: those stand as they are, with each
// apostrophe and each backslash doubled. A run of other characters (control
// characters and well-formed UTF-8) becomes one \X2\...\X0\ group, four hex
// digits a character, or \X4\...\X0\ with eight when one of them lies past
// U+FFFF; a byte that begins no well-formed character becomes \X\ and its two
// hex digits. A null text is written as the empty string.
void out_quoted(const char *text);

// Writes the references #first, #first+step, ... (count of them, at least
// one), separated by ", ".
void out_references(int first, int step, int count);

// Hands everything buffered to standard output. Returns 0, or the errno of
// the write that failed.
int out_flush();

#endif
