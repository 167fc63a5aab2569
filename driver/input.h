// The input that both scanners read, standard input or the file named in its
// place: a line at a time from a terminal, so that each line is scanned once
// it is complete, and in blocks otherwise, as flex reads by default.
#ifndef DICT2STEP_INPUT_H
#define DICT2STEP_INPUT_H

#include <cstdio>

// Reads at most size bytes of in into buffer, up to and including a line end
// when interactive; returns how many, 0 at the end of the input. A read that
// fails stops the run, naming the input line reached.
int input_read(std::FILE *in, char *buffer, int size, bool interactive, int line);

#endif
