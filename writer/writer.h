// The dictionary writers: the entities of every class, property and table,
// numbered by element_number_now in the order they are written. References
// between them are computed from that order, so each writer emits its
// entities in a fixed sequence with nothing in between.
#ifndef DICT2STEP_WRITER_H
#define DICT2STEP_WRITER_H

#include "model/model.h"

// First pass over the classes: identity, names, properties and table of each.
void breadth_first_bsu_out();

// Second pass, same order: one COMPONENT_CLASS per class.
void breadth_first_class_out();

// The eight entities of each property of a class, right after its names.
void property_out(ClassNode *owner);

// The table of a class, right after its properties.
void table_out(ClassNode *owner);

// What a data type keyword writes: its type and variable entities for a
// property, and the column entity for a table column of that type.
struct DataType {
    const char *keyword;               // "STRING", "REAL" or "INTEGER"
    const char *type_line;             // the property's type entity
    const char *variable_line;         // the property's variable entity
    const char *column_open;           // the column entity up to its first value
    bool quoted_values;                // cell values written as string literals
    const char *column_close;          // the column entity after its last value
    bool real_numbers;                 // cells may be REAL as well as INTEGER
    const char *not_a_number;          // the report on a cell that is no such number; null for text
};

// The data type named exactly by keyword, or null.
const DataType *find_data_type(const char *keyword);

#endif
