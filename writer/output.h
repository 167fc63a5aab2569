// The exchange file's output: one large buffer in front of standard output,
// with the formatting that every entity line shares. Error lines that belong
// on standard output go through it as well, so they keep their place.
#ifndef DICT2STEP_OUTPUT_H
#define DICT2STEP_OUTPUT_H

#include <cstddef>

// Appends format to the output. Conversions: %d an int in decimal; %s a stored
// text as it stands; %q a stored text as a quoted string literal (see
// out_quoted in writer/literal.h). Nothing else is special. The format must be
// a string literal of at most 480 bytes and 8 conversions: it is split into
// pieces on its first use and known by its address after that; any other
// conversion aborts then.
void out(const char *format, ...);

// Appends length bytes as they stand.
void out_bytes(const char *bytes, std::size_t length);

// Writes the references #first, #first+step, ... (count of them, at least
// one), separated by ", ".
void out_references(int first, int step, int count);

// Hands everything buffered to standard output. Returns 0, or the errno of
// the write that failed.
int out_flush();

// For writers that fill the buffer byte by byte (the string-literal encoder):
// out_next is where the next byte goes, and out_format_room bytes of room lie
// behind out_full. Such a writer works on a copy of out_next, moves it on
// through out_room_at, which flushes once it has passed out_full, and stores
// it back into out_next when it is done.
constexpr int out_format_room = 4096;
extern char *out_next;                 // first free byte of the buffer
extern char *const out_full;           // the buffer is flushed once out_next reaches this

// Flushes when out_next has reached out_full.
void out_make_room();

// Flushes when next has reached out_full; returns where the output goes on.
inline char *out_room_at(char *next)
{
    if (next >= out_full) {
        out_next = next;
        out_make_room();
        next = out_next;
    }
    return next;
}

#endif
