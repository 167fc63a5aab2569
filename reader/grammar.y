%{
// The dictionary grammar. Its actions build the model while the document is
// read: a class exists from the '>' of its opening tag, and properties, tables,
// columns and cell values are collected in the pending open-tail chains of the
// model and handed to their owner when the owner's part ends.
#include <cstring>

#include "driver/driver.h"
#include "model/model.h"
#include "reader/reader.h"

// Parse stack entries; a deeper document is reported as "yacc stack overflow".
#define YYMAXDEPTH 500

int yylex();

static char *unquote(char *quoted);
static void place_class();
static void close_property();
static void hand_over_properties();
static void close_value(char *text);
static void close_column();
static void hand_over_columns();
static void close_table();
%}

%expect 0
%expect-rr 0

%union {
    char *text;
}

%token SUPPLIER_LIBRARY_START SUPPLIER_LIBRARY_END CLASS_START CLASS_END
%token PROPERTY_START PROPERTY_END TABLE_START TABLE_END
%token <text> QUOTED_STRING
%token TAG_CLOSE CNAME_START CNAME_END PNAME_START PNAME_END PTYPE_START PTYPE_END
%token COLUMN_START COLUMN_END TD_START TD_END
%token <text> TEXT

%%

supplier_library : supplier_head class_list SUPPLIER_LIBRARY_END
                 ;

supplier_head    : SUPPLIER_LIBRARY_START bsu_value TAG_CLOSE  { supplier_bsu = bsu_now; }
                 ;

class_list       : class_list class_element
                 | class_element
                 ;

bsu_value        : QUOTED_STRING                             { bsu_now = unquote($1); }
                 ;

class_element    : class_head class_name property_part table_part subclass_part CLASS_END
                                                             { --level; }
                 ;

class_head       : CLASS_START bsu_value TAG_CLOSE           { place_class(); }
                 ;

class_name       : CNAME_START TEXT CNAME_END                { class_now->name = $2; }
                 ;

property_part    : /* empty */
                 | property_list                             { hand_over_properties(); }
                 ;

table_part       : /* empty */
                 | table_element                             { close_table(); }
                 ;

subclass_part    : /* empty */
                 | class_list
                 ;

property_list    : property_list property_element
                 | property_element
                 ;

property_element : property_head property_name property_type PROPERTY_END
                                                             { close_property(); }
                 ;

property_head    : PROPERTY_START bsu_value TAG_CLOSE        { property_now->code = bsu_now; }
                 ;

property_name    : PNAME_START TEXT PNAME_END                { property_now->name = $2; }
                 ;

property_type    : PTYPE_START TEXT PTYPE_END                { property_now->type = $2; }
                 ;

table_element    : table_head column_list TABLE_END          { hand_over_columns(); }
                 ;

table_head       : TABLE_START bsu_value TAG_CLOSE           { table_now->code = bsu_now; }
                 ;

column_list      : column_list column_element
                 | column_element
                 ;

column_element   : COLUMN_START td_list COLUMN_END           { close_column(); }
                 ;

td_list          : td_list td_element
                 | td_element
                 ;

td_element       : TD_START TEXT TD_END                      { close_value($2); }
                 ;

%%

// The code inside a quoted value: the scanner's copy without its opening
// quote and its closing quote or newline. Each value gets its own copy, so the
// records that take a code may share it. A copy cut short by a NUL byte right
// after the opening quote is the empty code.
static char *unquote(char *quoted)
{
    std::size_t length = std::strlen(quoted);
    if (length < 2)
        return quoted + length;
    quoted[length - 1] = '\0';
    return quoted + 1;
}

// Puts the class whose opening tag has just been read into the tree. Its
// level says where: one deeper than the class opened before it makes it that
// class's first child; otherwise it follows the ancestor-or-self of that class
// at its own level.
static void place_class()
{
    ClassNode *previous = class_now;
    class_temp = model_new<ClassNode>();
    class_temp->level = ++level;
    if (level > previous->level) {
        class_temp->parent = previous;
        previous->first_child = class_temp;
    } else {
        while (previous->level > level)
            previous = previous->parent;
        class_temp->parent = previous->parent;
        previous->next_sibling = class_temp;
    }
    class_now = class_temp;
    class_now->code = bsu_now;
}

// The property in the tail is complete: a new empty tail follows it.
static void close_property()
{
    property_temp = model_new<PropertyNode>();
    property_now->next = property_temp;
    property_now = property_temp;
}

// The class's property part has ended: the class takes the chain, and a new
// one starts for the next class with properties.
static void hand_over_properties()
{
    class_now->properties = property_first;
    property_first = property_now = model_new<PropertyNode>();
}

static void close_value(char *text)
{
    td_now->text = text;
    td_temp = model_new<TdNode>();
    td_now->next = td_temp;
    td_now = td_temp;
}

// The column takes the value chain; a new empty column tail and a new value
// chain follow.
static void close_column()
{
    column_now->tds = td_first;
    column_temp = model_new<ColumnNode>();
    column_now->next = column_temp;
    column_now = column_temp;
    td_first = td_now = model_new<TdNode>();
}

// The table takes the column chain; a new one starts for the next table.
static void hand_over_columns()
{
    table_now->columns = column_first;
    column_first = column_now = model_new<ColumnNode>();
}

// The class takes the finished table; the next table read fills a new one.
static void close_table()
{
    class_now->table = table_now;
    table_now = model_new<TableNode>();
}

// The token the parser met at a syntax error, as it stands in a document.
const char *parse_error_token()
{
    static const char *const tokens[] = {
        "'<SUPPLIER_LIBRARY BSU='", "'</SUPPLIER_LIBRARY>'", "'<CLASS BSU='", "'</CLASS>'",
        "'<PROPERTY BSU='", "'</PROPERTY>'", "'<TABLE BSU='", "'</TABLE>'", "quoted value", "'>'",
        "'<CNAME>'", "'</CNAME>'", "'<PNAME>'", "'</PNAME>'", "'<PTYPE>'", "'</PTYPE>'",
        "'<COLUMN>'", "'</COLUMN>'", "'<TD>'", "'</TD>'", "text",
    };
    static_assert(sizeof tokens / sizeof *tokens == TEXT - SUPPLIER_LIBRARY_START + 1, "a name for each token");
    if (yychar == 0)
        return "end of input";
    if (yychar >= SUPPLIER_LIBRARY_START && yychar <= TEXT)
        return tokens[yychar - SUPPLIER_LIBRARY_START];
    return nullptr;
}
