// The property entities: a block of eight per property, in the order that
// writer.h gives with their offsets from the PROPERTY_BSU.
#include <cstring>
#include <strings.h>
#include <vector>

#include "driver/driver.h"
#include "writer/literal.h"
#include "writer/output.h"
#include "writer/writer.h"

namespace {

const DataType data_types[] = {
    {type_string, "#%d=STRING_TYPE('A..25');\n", "#%d=STRING_VARIABLE();\n",
     "#%d=STRING_COLUMN((", true, "), 'A..15');\n", false, nullptr},
    {type_real, "#%d=REAL_TYPE('NR2..3.3');\n", "#%d=REAL_NUMERIC_VARIABLE();\n",
     "#%d=REAL_COLUMN((", false, "), 'NR2..3.3');\n", true,
     "table %s of class %s, column %d, row %d: %s is not a REAL number"},
    {type_integer, "#%d=INT_TYPE('NR1..3');\n", "#%d=INT_NUMERIC_VARIABLE();\n",
     "#%d=INTEGER_COLUMN((", false, "), 'NR1..3');\n", false,
     "table %s of class %s, column %d, row %d: %s is not an INTEGER number"},
};

} // namespace

// The readers make a valid type the model's keyword itself, so any other
// text is none of them.
const DataType *find_data_type(const char *keyword)
{
    for (const DataType &type : data_types)
        if (keyword == type.keyword)
            return &type;
    return nullptr;
}

namespace {

// The data type that text means when written in another case, or with
// blanks or line ends around it; null when it is none of them.
const DataType *meant_data_type(const char *text)
{
    std::size_t start = std::strspn(text, " \t\r\n");
    std::size_t length = std::strlen(text + start);
    while (length > 0 && std::strchr(" \t\r\n", text[start + length - 1]) != nullptr)
        --length;
    for (const DataType &type : data_types)
        if (length == std::strlen(type.keyword) && strncasecmp(text + start, type.keyword, length) == 0)
            return &type;
    return nullptr;
}

// Says why the property's type is unknown, and what to write instead.
[[noreturn]] void unknown_type_stop(const ClassNode *owner)
{
    out("#%d=UNKNOWN_TYPE();\n", element_number_now++);
    report_at(model_line(property_now->type, property_now->line), "property %s of class %s: unknown data type %s",
              message_quote(property_now->code).c_str(), message_quote(owner->code).c_str(),
              message_quote(property_now->type).c_str());
    if (const DataType *meant = meant_data_type(property_now->type))
        report_hint("write <PTYPE>%s</PTYPE>: a data type is written in capitals, with no blank or line break "
                    "around it", meant->keyword);
    else
        report_hint("the data types are STRING, REAL and INTEGER, written in capitals");
    stop_conversion_failed();
}

} // namespace

void property_out(ClassNode *owner)
{
    static std::vector<char> name_literal;  // the property's name, encoded for both entities that hold it
    if (owner->properties == nullptr)
        return;
    for (property_now = owner->properties; property_now->next != nullptr; property_now = property_now->next) {
        int n = element_number_now++;
        property_now->instance_number = n;
        out("#%d=PROPERTY_BSU(%q, '001', #%d);\n", n, property_now->code, owner->instance_number);
        const char *name = item_names_out(property_now->name, &name_literal);
        const DataType *type = find_data_type(property_now->type);
        if (type == nullptr)
            unknown_type_stop(owner);
        out(type->type_line, element_number_now++);
        out(type->variable_line, element_number_now++);
        out("#%d=SELF_PROPERTY_VALUE_SEMANTICS(#%d, $);\n", element_number_now++, n);
        out("#%d=ENVIRONMENT(#%d,#%d);\n", element_number_now++, n + property_variable_offset, n + property_semantics_offset);
        out("#%d=NON_DEPENDENT_P_DET(#%d, #%d, '001', #%d, TEXT(%s), $, $, $, $, (), $, $, #%d, $);\n",
            element_number_now++, n, dates_number, n + property_names_offset, name, n + property_type_offset);
        out("#%d=OPT_OR_MAND_PROPERTY_BSU(#%d, .F., .T.);\n", element_number_now++, n);
    }
}
