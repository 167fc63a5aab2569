// String literals of the exchange file: how a stored text is encoded between
// apostrophes, how a literal read back is decoded, and how many characters a
// reader decodes from a text.
#ifndef DICT2STEP_LITERAL_H
#define DICT2STEP_LITERAL_H

#include <cstddef>
#include <string>

// Writes text between apostrophes as a string literal of the exchange file
// that holds only the bytes 0x20 to 0x7E: those stand as they are, with each
// apostrophe and each backslash doubled. A run of other characters (control
// characters and well-formed UTF-8) becomes one \X2\...\X0\ group, four hex
// digits a character, or \X4\...\X0\ with eight when one of them lies past
// U+FFFF; a byte that begins no well-formed character becomes \X\ and its two
// hex digits. A null text is written as the empty string. Returns the
// length of text.
std::size_t out_quoted(const char *text);

// The most bytes the literal of a text of length bytes takes: a control
// character alone between printable ones takes a group of its own.
constexpr std::size_t literal_most(std::size_t length)
{
    return 12 * length + 2;
}

// Writes the literal of text, of length bytes, as out_quoted does, at next,
// which has room for literal_most(length) bytes, and returns its end.
char *literal_put(char *next, const char *text, std::size_t length);

// Why a string literal read back cannot be decoded, and where.
struct LiteralFault {
    const char *why = nullptr;         // "which is no character" and the like; null when it decodes
    std::size_t at = 0;                // the spelling at fault, as an offset into the literal
    std::size_t length = 0;            // and its length
};

// Decodes the length bytes between the apostrophes of a string literal into
// UTF-8 at text, which has room for length bytes (a text decoded is never
// longer than its literal), and returns the length of the text. Undoes
// out_quoted, and reads every other spelling of implementation level 2: ''
// and \\, \X\HH (a character of ISO 8859-1), \X2\...\X0\ (four hex digits a
// character; a UTF-16 surrogate pair is taken as the one character it
// encodes), \X4\...\X0\ (eight), and \S\ and a character, 0x80 more, in
// the part of ISO 8859 that the last \P?\ of the literal chose (\PA\ for
// 8859-1, the default, to \PI\ for 8859-9). Line breaks only wrap the line
// and are dropped; any other byte stands for itself. A spelling that is none
// of these, or a code that is no character, sets *fault.
std::size_t literal_decode(const char *literal, std::size_t length, char *text, LiteralFault *fault);

// A text of the input (a token, a code, a name, a value) as a message shows
// it: between apostrophes, UTF-8 as it stands, \n, \t and \r for those
// characters, \' and \\ for an apostrophe and a backslash, and any other
// control character (C1 ones included), DEL and a byte that begins no UTF-8
// character as \xHH; so no byte of the input can drive the terminal. At most
// the first most bytes of text are shown, cut at a character's end. A null
// text is shown as ''.
std::string message_quote(const char *text, std::size_t most = std::size_t(-1));

// The same for a text that may hold NULs, which are shown as \x00.
std::string message_quote(const std::string &text, std::size_t most = std::size_t(-1));

// A file's name as messages show it: as message_quote shows a text, but
// without apostrophes around it, and with an apostrophe or a backslash as it
// stands, as the name is written.
std::string message_name(const char *name);

// Characters are counted as a reader decodes them from text's literal: each
// printable ASCII byte, control character, UTF-8 character and stray byte is
// one.

// Whether text has more than the given number of characters.
bool text_longer_than(const char *text, std::size_t characters);

// The bytes of the longest start of text with at most characters characters
// and at most bytes bytes that ends at a character's end.
std::size_t text_cut(const char *text, std::size_t characters, std::size_t bytes);

#endif
