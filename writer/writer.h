// The dictionary writers: the entities of every class, property and table,
// numbered by element_number_now in the order they are written. References
// between them are computed from that order, so each writer emits its
// entities in a fixed sequence with nothing in between.
#ifndef DICT2STEP_WRITER_H
#define DICT2STEP_WRITER_H

#include <vector>

#include "model/model.h"

// The supplier and the dates are the first two entities written; every class
// and property refers to them by these numbers.
constexpr int supplier_number = 1;     // SUPPLIER_BSU
constexpr int dates_number = 2;        // DATES

// A class's ITEM_NAMES comes right after its CLASS_BSU; the second class pass
// refers to it by this offset.
constexpr int class_names_offset = 1;

// Each property takes a block of eight entities, in this order, numbered by
// their offset from its PROPERTY_BSU. The property writer refers back within
// the block, and the table writer and the second class pass refer to the
// blocks of a class's properties, written one after another.
constexpr int property_names_offset = 1;       // ITEM_NAMES
constexpr int property_type_offset = 2;        // STRING_TYPE, REAL_TYPE or INT_TYPE
constexpr int property_variable_offset = 3;    // STRING_VARIABLE and the like
constexpr int property_semantics_offset = 4;   // SELF_PROPERTY_VALUE_SEMANTICS
constexpr int property_environment_offset = 5; // ENVIRONMENT
constexpr int property_definition_offset = 6;  // NON_DEPENDENT_P_DET
constexpr int property_optionality_offset = 7; // OPT_OR_MAND_PROPERTY_BSU
constexpr int property_block = 8;              // the next property's PROPERTY_BSU

// A table's column entities follow its TABLE_BSU, the first at this offset
// from it and the others one after another; then come its
// ITEM_CLASS_EXTENSION and TABLE_CONTENT.
constexpr int first_column_offset = 1;

// First pass over the classes: identity, names, properties and table of each.
void breadth_first_bsu_out();

// Second pass, same order: one COMPONENT_CLASS per class.
void breadth_first_class_out();

// The eight entities of each property of a class, right after its names.
void property_out(ClassNode *owner);

// The table of a class, right after its properties.
void table_out(ClassNode *owner);

// The ITEM_NAMES of a class or a property: its name as the preferred name, no
// synonyms, and the name cut to the short name's 15 characters. Returns the
// name's string literal, for an entity that repeats the name, from literal,
// a buffer of the caller's that grows as it must.
const char *item_names_out(const char *name, std::vector<char> *literal);

// The schema's rules on codes and names: each class is checked as it is
// written, and rules_report then says, one warning line per kind, how often
// the input broke them and where first.
void rules_check_class(const ClassNode *owner);
void rules_report();

// A blank, a tab or a line end, a carriage return included: what element
// text may hold around a name or a number, unseen.
inline bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether an element text of the given length begins or ends with one.
bool text_padded(const char *text, std::size_t length);

// A cell of a STRING column of owner's table that is padded so, with its
// place and the line of its <TD>; the table writer gives the line of the
// first such cell of each column only, and 0 for the others, which stand
// below it in the input.
void rules_padded_cell(const ClassNode *owner, int column, int row, int line);

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

// The data type of a property's type, which is one of the model's keywords
// (type_string and the like) when it is valid; null for any other.
const DataType *find_data_type(const char *keyword);

#endif
