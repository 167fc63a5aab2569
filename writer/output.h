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

// For writers that fill the buffer themselves (the string-literal encoder):
// out_reserve makes room for size bytes at the end of the output, flushing
// what is buffered first when it lacks that room, and returns where they go;
// the writer fills them and hands the end of what it wrote to out_commit.
// size may be up to out_reserve_most, which a literal of the longest token
// takes.
constexpr std::size_t out_reserve_most = std::size_t(1) << 18;
char *out_reserve(std::size_t size);
void out_commit(char *end);

#endif
