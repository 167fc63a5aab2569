// Test driver: parses standard input and prints the class tree the grammar
// built, with every link spelled out, instead of writing the exchange file.
// Records that the set-up made before the parse are marked "initial".
#include <cstdio>
#include <string>

#include "driver/driver.h"
#include "model/model.h"
#include "writer/output.h"
#include "writer/writer.h"

int yyparse();

namespace {

PropertyNode *initial_property;
TableNode *initial_table;
ColumnNode *initial_column;
TdNode *initial_td;

std::string shown(const char *text)
{
    if (text == nullptr)
        return "null";
    std::string quoted = "[";
    for (; *text != '\0'; ++text)
        quoted += *text == '\n' ? std::string("\\n") : std::string(1, *text);
    return quoted + "]";
}

const char *initial(const void *node, const void *first)
{
    return node == first ? " initial" : "";
}

void line(int depth, const std::string &text)
{
    out("%s%s\n", std::string(2 * depth, ' ').c_str(), text.c_str());
}

void table_dump(const TableNode *table, int depth)
{
    line(depth, "table " + shown(table->code) + initial(table, initial_table));
    for (const ColumnNode *column = table->columns; column != nullptr; column = column->next) {
        if (column->next == nullptr) {
            line(depth + 1, std::string("column tail") + (column->tds ? " with values" : ""));
            break;
        }
        std::string values;
        for (const TdNode *td = column->tds; td != nullptr; td = td->next)
            values += td->next ? " " + shown(td->text) + initial(td, initial_td)
                               : std::string(td->text ? " tail " + shown(td->text) : " tail");
        line(depth + 1, std::string("column") + initial(column, initial_column) + values);
    }
}

void class_dump(const ClassNode *node, int depth)
{
    for (; node != nullptr; node = node->next_sibling) {
        std::string parent = node->parent == class_first ? "root" : shown(node->parent->code);
        line(depth, "class " + shown(node->code) + " name " + shown(node->name) + " level " +
                        std::to_string(node->level) + " parent " + parent);
        for (const PropertyNode *p = node->properties; p != nullptr; p = p->next)
            line(depth + 1, p->next ? "property " + shown(p->code) + " name " + shown(p->name) +
                                          " type " + shown(p->type) + initial(p, initial_property)
                                    : std::string(p->code || p->name || p->type ? "property tail filled" : "property tail"));
        if (node->table != nullptr)
            table_dump(node->table, depth + 1);
        class_dump(node->first_child, depth + 1);
    }
}

bool fresh()
{
    return property_first == property_now && property_now->next == nullptr && property_now->code == nullptr &&
           table_now->code == nullptr && table_now->columns == nullptr &&
           column_first == column_now && column_now->next == nullptr && column_now->tds == nullptr &&
           td_first == td_now && td_now->next == nullptr && td_now->text == nullptr;
}

} // namespace

int main()
{
    model_init();
    initial_property = property_first;
    initial_table = table_now;
    initial_column = column_first;
    initial_td = td_first;
    int result = yyparse();
    out("yyparse %d\n", result);
    out("supplier %s\n", shown(supplier_bsu).c_str());
    class_dump(class_first->first_child, 0);
    out("level %d, pending records %s\n", level, fresh() ? "fresh" : "in use");
    stop_finished(conversion_warnings_report);
}
