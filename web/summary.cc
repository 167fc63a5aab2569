// The page's view of the model: however the run ends through exit, the
// counts and the class tree go as JSON into /summary.json of the module's
// memory file system, where the page's worker reads them. Linked only into
// the WebAssembly build; the program's own output is not touched.
#include <cstdio>
#include <cstdlib>

#include "model/model.h"

namespace {

struct Counts {
    long classes = 0;
    long properties = 0;
    long tables = 0;
    long cells = 0;
};

// A JSON string of the stored bytes. Bytes from 0x80 up go as they are: the
// page decodes the whole file as UTF-8, so a name that is not UTF-8 shows its
// stray bytes as replacement characters and nothing else is lost.
void string_out(std::FILE *file, const char *text)
{
    if (text == nullptr) {
        std::fputs("null", file);
        return;
    }
    std::putc('"', file);
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\')
            std::fprintf(file, "\\%c", *c);
        else if (*c < 0x20)
            std::fprintf(file, "\\u%04x", *c);
        else
            std::putc(*c, file);
    }
    std::putc('"', file);
}

// Chains end in an empty tail node, so a node with a successor holds an item.
// A property is [code, name, type, line of its opening tag].
void properties_out(std::FILE *file, const PropertyNode *property, Counts *counts)
{
    std::fputs("[", file);
    for (const char *separator = ""; property != nullptr && property->next != nullptr; property = property->next) {
        std::fputs(separator, file);
        std::fputs("[", file);
        string_out(file, property->code);
        std::fputs(",", file);
        string_out(file, property->name);
        std::fputs(",", file);
        string_out(file, property->type);
        std::fprintf(file, ",%d]", property->line);
        ++counts->properties;
        separator = ",";
    }
    std::fputs("]", file);
}

// A table as its code, its number of columns and its longest column.
void table_summary_out(std::FILE *file, const TableNode *table, Counts *counts)
{
    if (table == nullptr) {
        std::fputs("null", file);
        return;
    }
    long columns = 0;
    long rows = 0;
    for (const ColumnNode *column = table->columns; column != nullptr && column->next != nullptr; column = column->next) {
        long values = 0;
        for (const TdNode *td = column->tds; td != nullptr && td->next != nullptr; td = td->next)
            ++values;
        if (values > rows)
            rows = values;
        counts->cells += values;
        ++columns;
    }
    ++counts->tables;
    std::fputs("{\"code\":", file);
    string_out(file, table->code);
    std::fprintf(file, ",\"columns\":%ld,\"rows\":%ld}", columns, rows);
}

std::FILE *summary_file;                // while the summary is written
Counts summary_counts;

// A class with the lines of its opening and closing tags (null for a class
// never closed), its properties and its table, up to its subclasses; a
// comma in front of all but the first of a chain.
void class_open_out(const ClassNode *node, int)
{
    std::FILE *file = summary_file;
    if (node != node->parent->first_child)
        std::fputs(",", file);
    std::fputs("{\"code\":", file);
    string_out(file, node->code);
    std::fputs(",\"name\":", file);
    string_out(file, node->name);
    std::fprintf(file, ",\"line\":%d,\"end\":", node->line);
    if (node->end_line > 0)
        std::fprintf(file, "%d", node->end_line);
    else
        std::fputs("null", file);
    std::fputs(",\"properties\":", file);
    properties_out(file, node->properties, &summary_counts);
    std::fputs(",\"table\":", file);
    table_summary_out(file, node->table, &summary_counts);
    std::fputs(",\"children\":[", file);
    ++summary_counts.classes;
}

void class_close_out(const ClassNode *, int)
{
    std::fputs("]}", summary_file);
}

void summary_out()
{
    std::FILE *file = std::fopen("/summary.json", "w");
    if (file == nullptr)
        return;
    summary_file = file;
    Counts &counts = summary_counts;
    // The tree is walked without a stack: one read back from an exchange
    // file may nest far deeper than a dictionary that converts.
    std::fputs("{\"tree\":[", file);
    if (class_first != nullptr)
        model_walk(class_open_out, class_close_out);
    std::fputs("]", file);
    // Numbering starts at #1, so the highest number written is the count.
    long entities = element_number_now - 1;
    std::fprintf(file, ",\"classes\":%ld,\"properties\":%ld,\"tables\":%ld,\"cells\":%ld,\"entities\":%ld}\n",
                 counts.classes, counts.properties, counts.tables, counts.cells, entities);
    std::fclose(file);
}

// Registered before main runs, so it runs after everything main registers.
const int summary_registered = std::atexit(summary_out);

} // namespace
