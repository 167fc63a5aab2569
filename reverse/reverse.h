// The way back: what the driver runs to read an ISO 10303-21 exchange file
// of dictionary entities into the model and write it as a dictionary in the
// tag language.
#ifndef DICT2STEP_REVERSE_H
#define DICT2STEP_REVERSE_H

// Reads the exchange file on standard input into the model and checks that
// it makes a dictionary that the tag language can hold. A file that does
// not is reported, a line for each fault, and the run stops with status 1
// before anything is written.
void exchange_file_read();

// Writes the model read back as a dictionary in the tag language.
void dictionary_out();

// The warnings once the dictionary is written: what the exchange file held
// that no dictionary holds, and a nesting too deep to convert.
void read_back_report();

#endif
