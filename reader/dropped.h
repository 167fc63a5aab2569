// Text that the scanner drops between tokens: blanks and line ends, which
// the tag language skips, and anything else outside element text, which it
// ignores. What is kept of the text dropped before each token serves the
// warning on ignored text, and the hints on tags that the tag language does
// not know or that close themselves.
#ifndef DICT2STEP_DROPPED_H
#define DICT2STEP_DROPPED_H

// The text dropped before the last token, or being dropped before the next.
struct DroppedText {
    int line = 0;                      // line of its first byte that is not a blank; 0 while it has none
    int kept = 0;                      // bytes in start
    int shown = 0;                     // bytes of start up to the last one that is not a blank
    bool start_ended = false;          // its first line has ended, or start is full
    char start[40];                    // its first line, from its first byte that is not a blank
    char tag[32];                      // the last '<' dropped and the name right after it
    int tag_length = 0;                // bytes in tag; 0 when no '<' was dropped
    bool tag_open = false;             // the name may go on
    bool before_library = false;       // it began before the library's opening tag
    bool closed = false;               // a token has been read after it
};

extern DroppedText dropped_text;
extern int self_closed_line;           // line of the last '>' when a dropped '/' stood right before it, else 0
extern bool library_opened;            // the library's opening tag has been read
extern long slash_offset;              // input offset of the last '/' dropped

// The scanner's side. A byte that is neither a blank nor a line end nor
// part of markup that the tag language skips, at the given input offset and
// line; a carriage return counts as a blank.
void byte_dropped(unsigned char byte, long offset, int line);

// Blanks and tabs, and the end of a line or a comment, dropped while
// dropped_text has a line.
void blanks_dropped(const char *blanks, int length);
void dropped_start_ended();

// A text (a code, an element text) beginning on the given line holds a NUL
// byte, which ends its copy: the rest of it is lost.
void text_cut_by_nul(int line);

// A '>' right after a dropped '/', at the given line.
void tag_closed_itself(int line);

// The parser's side: a token has been read after dropped_text, or the end
// of input. Once the parser asks for one more token, it has taken that one,
// so the text is ignored: it is counted, unless it is a declaration before
// the library's opening tag, and forgotten. Text followed by a token that the
// parser rejects is not counted: the syntax error speaks of it.
void dropped_text_closed(bool at_end);

// The hint for a syntax error at a token (text: the token's text, or null)
// right after dropped_text, when a tag among it, or a '<' dropped right before
// the text, is no element of the tag language, with the elements it may have
// been meant to be (those of them in expected, the tokens the parser would
// have taken, if any): the hint goes into buffer. Null when there is none.
const char *unknown_tag_hint(const char *text, const char *expected, char *buffer, int size);

#endif
