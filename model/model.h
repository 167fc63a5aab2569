// The dictionary model: the records of one document's class tree, the
// process-wide state that the reader fills and the writers walk, and the
// arena every record and string is allocated from. Nothing is freed before
// the process exits. A dictionary read back from an exchange file fills the
// same records, and their input lines are those of the instances that made
// them.
#ifndef DICT2STEP_MODEL_H
#define DICT2STEP_MODEL_H

#include <cstddef>
#include <new>

struct PropertyNode;
struct TableNode;
struct ColumnNode;
struct TdNode;

struct ClassNode {
    char *code = nullptr;              // basic semantic unit code
    char *name = nullptr;              // class name, as read
    int level = 0;                     // nesting depth: root 0, top-level class 1
    int instance_number = 0;           // number of its CLASS_BSU; 0 for the root
    int line = 0;                      // input line of its opening tag
    int end_line = 0;                  // input line of its </CLASS>; 0 while it is open
    PropertyNode *properties = nullptr; // head of its property chain, or null
    TableNode *table = nullptr;        // its table, or null
    ClassNode *first_child = nullptr;  // first subclass
    ClassNode *parent = nullptr;       // superclass; the root for a top-level class
    ClassNode *next_sibling = nullptr; // next class with the same parent
};

struct PropertyNode {
    char *code = nullptr;              // property code
    char *name = nullptr;              // property name; null in a chain's tail
    char *type = nullptr;              // "STRING", "REAL" or "INTEGER" when valid
    PropertyNode *next = nullptr;      // next property; null in the tail
    int instance_number = 0;           // number of its PROPERTY_BSU
    int line = 0;                      // input line of its opening tag; that of its <PTYPE> is kept with its type
};

struct TableNode {
    char *code = nullptr;              // table code
    ColumnNode *columns = nullptr;     // head of its column chain
    int instance_number = 0;           // number of its TABLE_BSU
    int line = 0;                      // input line of its opening tag
};

struct ColumnNode {
    TdNode *tds = nullptr;             // head of its value chain, top to bottom
    ColumnNode *next = nullptr;        // next column; null in the tail
    int line = 0;                      // input line of its <COLUMN>
    const char *type = nullptr;        // read back from an exchange file: the data type of its column entity
};

// A cell's input line is kept with its text, to cost no more than a byte a
// cell: see model_line.
struct TdNode {
    char *text = nullptr;              // cell value, as read
    TdNode *next = nullptr;            // next value; null in the tail
};

// One entry of the writers' traversal stack of sibling chains.
struct ClassStackEntry {
    ClassNode *chain = nullptr;        // first class of a chain still to visit; null at the bottom
    ClassStackEntry *next = nullptr;   // the entry below
};

extern ClassNode *class_first;         // the root of the class tree
extern ClassNode *class_now;           // class opened last; while writing, the class written
extern ClassNode *class_temp;          // a just-allocated class
extern int level;                      // classes open while reading
extern int class_count;                // classes read

extern PropertyNode *property_first;   // head of the property chain being collected
extern PropertyNode *property_now;     // its tail; while writing, the property written
extern PropertyNode *property_temp;    // a just-allocated property
extern PropertyNode property_chain_end; // the empty tail of every property chain a class has taken

extern TableNode *table_now;           // the table being filled; while writing, the table written

extern ColumnNode *column_first;       // head of the column chain being collected
extern ColumnNode *column_now;         // its tail; while writing, the column written
extern ColumnNode *column_temp;        // a just-allocated column

extern TdNode *td_first;               // head of the value chain being collected
extern TdNode *td_now;                 // its tail; while writing, the value written
extern TdNode *td_temp;                // a just-allocated value

extern char *bsu_now;                  // the code value read last
extern char *supplier_bsu;             // the supplier's code; null until read
extern int supplier_line;              // input line of the supplier library's opening tag
extern int element_number_now;         // next entity instance number to hand out

extern ClassStackEntry *class_stack_now;  // top of the traversal stack
extern ClassStackEntry *class_stack_temp; // an entry being pushed or popped

// Arena allocation: records from the front and strings from the back of large
// blocks that are kept until exit, so a record or string costs its own size,
// with no header and no padding.
void *model_alloc(std::size_t size, std::size_t align);

// A new record with every field empty.
template <typename Node> Node *model_new()
{
    return new (model_alloc(sizeof(Node), alignof(Node))) Node();
}

// A NUL-terminated arena copy of length bytes of text, with room_before
// bytes of room in front of it.
char *model_copy(const char *text, std::size_t length, std::size_t room_before = 0);

// Gives the arena back the first bytes of the last text it copied, or all
// of it, when nothing was copied since: the room that a text turned out not
// to need, or a text that the model keeps in another form. start is where
// the copy's room begins. Any other copy stays as it is. Returns whether
// the bytes went back.
bool model_give_back(const char *start, std::size_t bytes);

// The data type keywords. A property's type that is one of them exactly is
// the keyword here rather than a copy of its own: it needs no line either,
// since only an unknown type is reported.
extern char type_string[];             // "STRING"
extern char type_real[];               // "REAL"
extern char type_integer[];            // "INTEGER"

// The keyword that text is exactly, or null.
char *model_type_keyword(const char *text);

// The input line of the tag that opens an element text (a cell's <TD>, a
// property's <PTYPE>), kept in the byte before the text, which the scanner
// leaves free in front of every element text, as the lines from an earlier
// line that the reader of the line knows: the line of the cell above (of the
// column, for its first cell), the line of the property. Steps of 255 lines
// or more are kept in a map by text.
void model_line_set(char *text, int line_before, int line);
int model_line(const char *text, int line_before);

// Visits the classes below the root in document order, going down and up
// the tree without a stack, however deep it nests: open as a class's opening
// tag would come, close as its closing tag would, each with the class's
// depth (1 for a top-level class).
void model_walk(void (*open)(const ClassNode *node, int depth), void (*close)(const ClassNode *node, int depth));

// Sets up the empty model that the reader starts from: one-node value, column
// and property chains, an empty table, the root class, no class open, and
// instance numbers starting at 1.
void model_init();

#endif
