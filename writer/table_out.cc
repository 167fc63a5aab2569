// The table entities of a class: TABLE_BSU at T, one column entity per column
// at T+1 to T+K, then ITEM_CLASS_EXTENSION and TABLE_CONTENT.
#include "driver/driver.h"
#include "writer/output.h"
#include "writer/writer.h"

namespace {

// The column in column_now, typed by the property it stands for.
void column_out(const DataType *type)
{
    const char *value = type->quoted_values ? "%q, " : "%s, ";
    const char *last_value = type->quoted_values ? "%q" : "%s";
    out(type->column_open, element_number_now++);
    for (td_now = column_now->tds; td_now->next != nullptr; td_now = td_now->next)
        out(td_now->next->next != nullptr ? value : last_value, td_now->text);
    out(type->column_close);
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

    // The i-th column holds values of the i-th property.
    int columns = 0;
    property_now = owner->properties;
    for (column_now = table_now->columns; column_now->next != nullptr; column_now = column_now->next) {
        if (property_now == nullptr || property_now->next == nullptr) {
            out("column/property name missing\n");
            stop_conversion_failed();
        }
        // property_out has already stopped on any other type of this class.
        column_out(find_data_type(property_now->type));
        ++columns;
        property_now = property_now->next;
    }

    // The properties were written just before the table, eight entities
    // each: the j-th one's OPT_OR_MAND_PROPERTY_BSU is its PROPERTY_BSU + 7.
    out("#%d=ITEM_CLASS_EXTENSION(#%d, *, *, *, (), (), (), (), (), (), (), (), '001', '001', (), (",
        element_number_now++, owner->instance_number);
    out_references(owner->properties->instance_number + 7, 8, columns);
    out("), (), (), .F., $, $, $, $, (), $, (), ());\n");
    out("#%d=TABLE_CONTENT(#%d, *, (", element_number_now++, t);
    out_references(t + 1, 1, columns);
    out("), '001', '1999-09-09');\n");
}
