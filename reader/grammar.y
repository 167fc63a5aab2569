%{
// The dictionary grammar. Its actions build the model while the document is
// read: a class exists from the '>' of its opening tag, and properties, tables,
// columns and cell values are collected in the pending open-tail chains of the
// model and handed to their owner when the owner's part ends.
#include <cstdio>
#include <cstring>

#include "driver/driver.h"
#include "model/model.h"
#include "reader/dropped.h"
#include "reader/reader.h"
#include "reader/scanner.h"

// Parse stack entries; a deeper document is reported as "yacc stack overflow".
#define YYMAXDEPTH 500

int yylex();

static char *unquote(char *quoted);
static char *name_kept(char *text);
static void place_class(int line);
static void close_class(int line);
static void set_type(char *text, int line);
static void close_property();
static void hand_over_properties();
static void close_value(char *text, int line);
static void close_column(int line);
static void hand_over_columns();
static void close_table();
%}

%expect 0
%expect-rr 0

/* A text's or quoted value's copy; for every other token, the line where it begins. */
%union {
    char *text;
    int line;
}

%token <line> SUPPLIER_LIBRARY_START SUPPLIER_LIBRARY_END CLASS_START CLASS_END
%token <line> PROPERTY_START PROPERTY_END TABLE_START TABLE_END
%token <text> QUOTED_STRING
%token <line> TAG_CLOSE CNAME_START CNAME_END PNAME_START PNAME_END PTYPE_START PTYPE_END
%token <line> COLUMN_START COLUMN_END TD_START TD_END
%token <text> TEXT

%%

supplier_library : supplier_head class_list SUPPLIER_LIBRARY_END
                 ;

supplier_head    : SUPPLIER_LIBRARY_START bsu_value TAG_CLOSE  { supplier_bsu = bsu_now; supplier_line = $1; }
                 ;

class_list       : class_list class_element
                 | class_element
                 ;

bsu_value        : QUOTED_STRING                             { bsu_now = unquote($1); }
                 ;

class_element    : class_head class_name property_part table_part subclass_part CLASS_END
                                                             { close_class($6); }
                 ;

class_head       : CLASS_START bsu_value TAG_CLOSE           { place_class($1); }
                 ;

class_name       : CNAME_START TEXT CNAME_END                { class_now->name = name_kept($2); }
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

property_head    : PROPERTY_START bsu_value TAG_CLOSE        { property_now->code = bsu_now; property_now->line = $1; }
                 ;

property_name    : PNAME_START TEXT PNAME_END                { property_now->name = name_kept($2); }
                 ;

property_type    : PTYPE_START TEXT PTYPE_END                { set_type($2, $1); }
                 ;

table_element    : table_head column_list TABLE_END          { hand_over_columns(); }
                 ;

table_head       : TABLE_START bsu_value TAG_CLOSE           { table_now->code = bsu_now; table_now->line = $1; }
                 ;

column_list      : column_list column_element
                 | column_element
                 ;

column_element   : COLUMN_START td_list COLUMN_END           { close_column($1); }
                 ;

td_list          : td_list td_element
                 | td_element
                 ;

td_element       : TD_START TEXT TD_END                      { close_value($2, $1); }
                 ;

%%

// The code inside a quoted value: the scanner's copy without its opening
// quote and its closing quote or newline. Each value gets its own copy, so
// the records that take a code may share it. A copy cut short by a NUL byte
// right after the opening quote is the empty code. The code moves to the end
// of its copy, and the two bytes in front go back to the arena.
static char *unquote(char *quoted)
{
    std::size_t length = std::strlen(quoted);
    if (length < 2)
        return quoted + length;
    quoted[length - 1] = '\0';
    if (!model_give_back(quoted, 2))
        return quoted + 1;
    std::memmove(quoted + 2, quoted + 1, length - 1);
    return quoted + 2;
}

// A name has no use for the byte in front that the scanner leaves for the
// line of a cell.
static char *name_kept(char *text)
{
    model_give_back(text - 1, 1);
    return text;
}

// Puts the class whose opening tag, begun on the given line, has just been
// read into the tree. Its level says where: one deeper than the class opened
// before it makes it that class's first child; otherwise it follows the
// ancestor-or-self of that class at its own level.
static void place_class(int line)
{
    ClassNode *previous = class_now;
    class_temp = model_new<ClassNode>();
    ++class_count;
    class_temp->level = ++level;
    class_temp->line = line;
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

// The innermost class still open: the class opened last, or the ancestor of
// it at the level of the classes open.
static ClassNode *innermost_open_class()
{
    ClassNode *open = class_now;
    while (open->level > level)
        open = open->parent;
    return level > 0 ? open : nullptr;
}

// A </CLASS> on the given line closes the innermost class open.
static void close_class(int line)
{
    innermost_open_class()->end_line = line;
    --level;
}

// The property in the tail is complete: a new empty tail follows it.
// A type that is a keyword is the model's keyword, and the copy goes back;
// any other keeps the line of its <PTYPE>, for the report on it.
static void set_type(char *text, int line)
{
    property_now->type = model_type_keyword(text);
    if (property_now->type != nullptr) {
        model_give_back(text - 1, 1 + std::strlen(text) + 1);
    } else {
        property_now->type = text;
        model_line_set(text, property_now->line, line);
    }
}

static PropertyNode *property_last;    // the last property filled in the pending chain

static void close_property()
{
    property_last = property_now;
    property_temp = model_new<PropertyNode>();
    property_now->next = property_temp;
    property_now = property_temp;
}

// The class's property part has ended: the class takes the chain, and a new
// one starts for the next class with properties. The chain's empty tail,
// still fresh, is that new one; the chain ends with the empty record that
// ends them all instead. A class saves a record so, and most have properties.
static void hand_over_properties()
{
    class_now->properties = property_first;
    property_last->next = &property_chain_end;
    property_first = property_now;
}

// A cell's line is kept as the lines from the cell above it; the first
// cell of a column stands on its <COLUMN>'s line, as nothing may come
// between the two.
static void close_value(char *text, int line)
{
    static int line_above;             // the line of the cell above
    td_now->text = text;
    model_line_set(text, td_now == td_first ? line : line_above, line);
    line_above = line;
    td_temp = model_new<TdNode>();
    td_now->next = td_temp;
    td_now = td_temp;
}

// The column takes the value chain; a new empty column tail and a new value
// chain follow.
static void close_column(int line)
{
    column_now->tds = td_first;
    column_now->line = line;
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

// The tokens as they stand in a document, for the messages.
static const char *token_name(int token)
{
    static const char *const names[] = {
        "'<SUPPLIER_LIBRARY BSU='", "'</SUPPLIER_LIBRARY>'", "'<CLASS BSU='", "'</CLASS>'",
        "'<PROPERTY BSU='", "'</PROPERTY>'", "'<TABLE BSU='", "'</TABLE>'", "quoted value", "'>'",
        "'<CNAME>'", "'</CNAME>'", "'<PNAME>'", "'</PNAME>'", "'<PTYPE>'", "'</PTYPE>'",
        "'<COLUMN>'", "'</COLUMN>'", "'<TD>'", "'</TD>'", "text",
    };
    static_assert(sizeof names / sizeof *names == TEXT - SUPPLIER_LIBRARY_START + 1, "a name for each token");
    return token == 0 ? "end of input" : names[token - SUPPLIER_LIBRARY_START];
}

// The parser's view of the token stream: each token with the line where it
// begins (in yylval, for a token without text), the token before it, and the
// last markup opener that started no comment.
static int token_before;               // the token read before the last
static int token_read;                 // the token read last
static int opener_line;                // the last stray "<!" or "<?", or 0
static char opener;                    // its second character
static bool opener_just_met;           // between the token before and the last

// A token read after dropped text, or the next one after that: a stray
// opener is always dropped text too.
static void token_after_dropped_text()
{
    opener_just_met = stray_opener_line != 0;
    if (opener_just_met) {
        opener_line = stray_opener_line;
        opener = stray_opener;
        stray_opener_line = 0;
    }
    dropped_text_closed(token_read == 0);
}

int yylex()
{
    token_before = token_read;
    token_read = scan_token();
    if (dropped_text.line != 0)
        token_after_dropped_text();
    if (token_read != TEXT && token_read != QUOTED_STRING)
        yylval.line = yylineno;
    return token_read;
}

// Nothing is matched after the last token until the parser asks for the
// next, so the scanner's line of its last match is that token's.
int last_token_line()
{
    return token_read == 0 ? yylineno : match_line();
}

// Whether the parser's action table at index (yysindex for shifts, yyrindex
// for reductions) holds an action on token in state.
static bool takes(const YYINT *index, int state, int token)
{
    int at = index[state];
    if (at == 0)
        return false;
    at += token;
    return at >= 0 && at <= YYTABLESIZE && yycheck[at] == token;
}

// The tokens the parser has an action for in the state where it met the
// error, from its own tables, as "'A' or 'B' or 'C'"; left empty when there
// are more than four, which would say little.
static void expected_describe(char *expected, std::size_t size)
{
    constexpr int most = 4;
    int state = *yystack.s_mark;
    int tokens[most];
    int count = 0;
    for (int token = 0; token <= TEXT; token = token == 0 ? SUPPLIER_LIBRARY_START : token + 1) {
        // The whole document read, the parser takes only the end of input,
        // which its tables leave to its code.
        bool taken = state == YYFINAL ? token == 0 : takes(yysindex, state, token) || takes(yyrindex, state, token);
        if (!taken)
            continue;
        if (count == most)
            return;
        tokens[count++] = token;
    }
    std::size_t length = 0;
    for (int i = 0; i < count; ++i) {
        const char *separator = i == 0 ? "" : " or ";
        length += std::snprintf(expected + length, size - length, "%s%s", separator, token_name(tokens[i]));
    }
}

// A comment or declaration over several lines is read as markup: its '<!'
// is dropped, and what follows it breaks the grammar at once, or its final
// '>' does, however much markup lies between.
void syntax_error_describe(SyntaxError *error)
{
    error->line = last_token_line();
    error->met = token_name(token_read);
    if (token_read == TEXT || token_read == QUOTED_STRING)
        error->text = yylval.text;
    expected_describe(error->expected, sizeof error->expected);
    if (token_read == 0)
        error->open_class = innermost_open_class();
    const char *tag_hint = unknown_tag_hint(token_read == TEXT ? yylval.text : nullptr, error->expected,
                                            error->hint_text, sizeof error->hint_text);
    if (token_read == QUOTED_STRING && token_before == QUOTED_STRING) {
        error->hint = "an opening tag holds one code, its BSU, in double quotes: a code ends at the next "
                      "double quote, so it can hold none, and the tag takes no other attribute";
    } else if (token_read == TEXT && token_before == COLUMN_START && tag_hint == nullptr) {
        error->hint = "nothing may stand between <COLUMN> and its first <TD>, not even a line break: "
                      "write <COLUMN><TD>";
    } else if (opener_line != 0 && (opener_just_met || token_read == TAG_CLOSE)) {
        std::snprintf(error->hint_text, sizeof error->hint_text, opener == '!'
            ? "the '<!' on line %d starts no comment or declaration: one must end with '>' on the line "
              "where it starts, with something in between, or what follows is read as markup"
            : "the '<?' on line %d starts no processing instruction: one must end with '?>' on the line "
              "where it starts, with something in between, or what follows is read as markup", opener_line);
        error->hint = error->hint_text;
    } else if (tag_hint != nullptr) {
        error->hint = tag_hint;
    } else if (token_before == QUOTED_STRING && single_quoted_line != 0) {
        std::snprintf(error->hint_text, sizeof error->hint_text,
                      "codes are written in double quotes: the code in single quotes on line %d runs on to the "
                      "next double quote or the end of its line, '>' and all", single_quoted_line);
        error->hint = error->hint_text;
    } else if (token_before == TAG_CLOSE && self_closed_line != 0) {
        std::snprintf(error->hint_text, sizeof error->hint_text,
                      "tags do not close themselves: the '/>' on line %d is read as '>', so the element it opens "
                      "is still open; write its content and its end tag", self_closed_line);
        error->hint = error->hint_text;
    }
}
