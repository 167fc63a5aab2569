// The property entities: eight per property, numbered N to N+7 from its
// PROPERTY_BSU. The table writer and the second class pass count on the eight.
#include <cstring>

#include "driver/driver.h"
#include "writer/output.h"
#include "writer/writer.h"

namespace {

const DataType data_types[] = {
    {"STRING", "#%d=STRING_TYPE('A..25');\n", "#%d=STRING_VARIABLE();\n",
     "#%d=STRING_COLUMN((", true, "), 'A..15');\n", false, nullptr},
    {"REAL", "#%d=REAL_TYPE('NR..3.3');\n", "#%d=REAL_NUMERIC_VARIABLE();\n",
     "#%d=REAL_COLUMN((", false, "), 'NR..3.3');\n", true,
     "table '%s' of class '%s', column %d, row %d: '%s' is not a REAL number"},
    {"INTEGER", "#%d=INT_TYPE('NR..3.3');\n", "#%d=INT_NUMERIC_VARIABLE();\n",
     "#%d=INTEGER_COLUMN((", false, "), 'NR..3');\n", false,
     "table '%s' of class '%s', column %d, row %d: '%s' is not an INTEGER number"},
};

} // namespace

const DataType *find_data_type(const char *keyword)
{
    for (const DataType &type : data_types)
        if (keyword != nullptr && std::strcmp(keyword, type.keyword) == 0)
            return &type;
    return nullptr;
}

void property_out(ClassNode *owner)
{
    if (owner->properties == nullptr)
        return;
    for (property_now = owner->properties; property_now->next != nullptr; property_now = property_now->next) {
        int n = element_number_now++;
        property_now->instance_number = n;
        out("#%d=PROPERTY_BSU(%q, '001', #%d);\n", n, property_now->code, owner->instance_number);
        out("#%d=ITEM_NAMES(LABEL(%q), $, %q, $, $);\n", element_number_now++, property_now->name, property_now->name);
        const DataType *type = find_data_type(property_now->type);
        if (type == nullptr) {
            out("#%d=UNKNOWN_TYPE();\n", element_number_now++);
            report("property '%s' of class '%s': unknown data type '%s'",
                   property_now->code, owner->code, property_now->type);
            stop_conversion_failed();
        }
        out(type->type_line, element_number_now++);
        out(type->variable_line, element_number_now++);
        // n+2 is the data type, n+3 the variable, n+4 the value semantics.
        out("#%d=SELF_PROPERTY_VALUE_SEMANTICS(#%d, $);\n", element_number_now++, n);
        out("#%d=ENVIRONMENT(#%d,#%d);\n", element_number_now++, n + 3, n + 4);
        out("#%d=NON_DEPENDENT_P_DET(#%d, #2, '001', #%d, TEXT(%q), $, $, $, $, (), $, $, #%d, $);\n",
            element_number_now++, n, n + 1, property_now->name, n + 2);
        // n+7: the table writer's item class extension refers to it.
        out("#%d=OPT_OR_MAND_PROPERTY_BSU(#%d, .F., .T.);\n", element_number_now++, n);
    }
}
