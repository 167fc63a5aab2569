// The table entities of a class: TABLE_BSU at T, one column entity per column
// at T+1 to T+K, then ITEM_CLASS_EXTENSION and TABLE_CONTENT.
#include <cstring>

#include "driver/driver.h"
#include "writer/literal.h"
#include "writer/output.h"
#include "writer/writer.h"

namespace {

inline bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// The end of an optional sign and one or more digits at c, or null.
const char *signed_digits_end(const char *c)
{
    if (*c == '+' || *c == '-')
        ++c;
    if (!is_digit(*c))
        return nullptr;
    while (is_digit(*c))
        ++c;
    return c;
}

// What a cell reads as, blanks, tabs and line ends around it aside: an
// exchange-file INTEGER ([+-]?[0-9]+), a REAL ([+-]?[0-9]+\.[0-9]*(E[+-]?[0-9]+)?)
// or neither. A cell is written as it was read, so anything else in a
// number column would corrupt the file: "12,5" reads as two values.
enum NumberForm { no_number, integer_number, real_number };

// *digits_end is where the digits of an integer end, and *end where a
// number's text ends.
NumberForm number_form(const char *text, const char **digits_end, const char **end)
{
    const char *c = text;
    while (is_blank(*c))
        ++c;
    if ((c = signed_digits_end(c)) == nullptr)
        return no_number;
    *digits_end = c;
    NumberForm form = integer_number;
    if (*c == '.') {
        form = real_number;
        while (is_digit(*++c)) {
        }
        if (*c == 'E' && (c = signed_digits_end(c + 1)) == nullptr)
            return no_number;
    }
    while (is_blank(*c))
        ++c;
    *end = c;
    return *c == '\0' ? form : no_number;
}

// A cell of a number column as it was read, but for a point after the
// digits of an integer in a REAL column (point, or null), and the separator
// after all but the last cell.
void number_cell_out(const char *text, std::size_t length, const char *point, bool last)
{
    char *next = out_reserve(length + 3);
    std::size_t before = point != nullptr ? std::size_t(point - text) : length;
    std::memcpy(next, text, before);
    next += before;
    if (point != nullptr) {
        *next++ = '.';
        std::memcpy(next, point, length - before);
        next += length - before;
    }
    if (!last) {
        *next++ = ',';
        *next++ = ' ';
    }
    out_commit(next);
}

// The line of a cell's <TD>: the lines are kept as steps down the column.
int cell_line(const ColumnNode *column, const TdNode *cell)
{
    int line = column->line;
    for (const TdNode *td = column->tds;; td = td->next) {
        line = model_line(td->text, line);
        if (td == cell)
            return line;
    }
}

// The column in column_now, typed by the property it stands for, at the
// column'th place of owner's table. Returns the number of its values.
int column_out(ClassNode *owner, const DataType *type, int column)
{
    int row = 0;
    int line = column_now->line;       // of the cell's <TD>, in a number column
    int padded_cells = 0;              // in a STRING column
    out(type->column_open, element_number_now++);
    for (td_now = column_now->tds; td_now->next != nullptr; td_now = td_now->next) {
        ++row;
        const char *text = td_now->text;
        bool last = td_now->next->next == nullptr;
        if (type->quoted_values) {
            // Writing the text finds its end, where a blank may stand.
            if (text_padded(text, out_quoted(text)))
                rules_padded_cell(owner, column, row, padded_cells++ == 0 ? cell_line(column_now, td_now) : 0);
            if (!last)
                out_bytes(", ", 2);
            continue;
        }
        line = model_line(text, line);
        const char *digits_end = nullptr;
        const char *end = nullptr;
        const char *point = nullptr;
        NumberForm form = number_form(text, &digits_end, &end);
        if (form == no_number || (form == real_number && !type->real_numbers)) {
            report_problem(bad_number_problem, line, type->not_a_number, message_quote(table_now->code).c_str(),
                           message_quote(owner->code).c_str(), column, row, message_quote(text).c_str());
            end = text + std::strlen(text);
        } else if (form == integer_number && type->real_numbers) {
            point = digits_end;        // 20 is an INTEGER in the exchange file; a REAL column takes 20.
        }
        number_cell_out(text, std::size_t(end - text), point, last);
    }
    out(type->column_close);
    return row;
}

} // namespace

void table_out(ClassNode *owner)
{
    if (owner->table == nullptr)
        return;
    table_now = owner->table;
    int t = element_number_now++;
    table_now->instance_number = t;
    out("#%d=TABLE_BSU(%q, '001', #%d);\n", t, table_now->code, owner->instance_number);

    // The i-th column holds values of the i-th property. Columns of unequal
    // length are written as they are, but say that a cell may be misplaced.
    int columns = 0;
    int first_rows = 0;
    int ragged_column = 0;             // the first column whose length differs
    int ragged_rows = 0;
    int ragged_line = 0;
    property_now = owner->properties;
    for (column_now = table_now->columns; column_now->next != nullptr; column_now = column_now->next) {
        ++columns;
        if (property_now == nullptr || property_now->next == nullptr) {
            out("column/property name missing\n");
            report_at(column_now->line, "table %s of class %s: column %d has no property",
                      message_quote(table_now->code).c_str(), message_quote(owner->code).c_str(), columns);
            stop_conversion_failed();
        }
        // property_out has already stopped on any other type of this class.
        int rows = column_out(owner, find_data_type(property_now->type), columns);
        if (columns == 1) {
            first_rows = rows;
        } else if (rows != first_rows && ragged_column == 0) {
            ragged_column = columns;
            ragged_rows = rows;
            ragged_line = column_now->line;
        }
        property_now = property_now->next;
    }
    if (ragged_column != 0)
        report_at(ragged_line, "warning: table %s of class %s: column %d has %d %s, column 1 has %d",
                  message_quote(table_now->code).c_str(), message_quote(owner->code).c_str(), ragged_column,
                  ragged_rows, ragged_rows == 1 ? "value" : "values", first_rows);

    // The properties were written just before the table, one block each:
    // the item class extension lists the OPT_OR_MAND_PROPERTY_BSU of those
    // that the columns stand for.
    out("#%d=ITEM_CLASS_EXTENSION(#%d, *, *, *, (), (), (), (), (), (), (), (), '001', '001', (), (",
        element_number_now++, owner->instance_number);
    out_references(owner->properties->instance_number + property_optionality_offset, property_block, columns);
    out("), (), (), .F., $, $, $, $, (), $, (), ());\n");
    out("#%d=TABLE_CONTENT(#%d, *, (", element_number_now++, t);
    out_references(t + first_column_offset, 1, columns);
    out("), '001', '1999-09-09');\n");
}
