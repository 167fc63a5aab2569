// The writer of the tag language: the model read back from an exchange file
// as a dictionary, in a fixed layout that dict2step converts to the same
// exchange file again. Two blanks indent each level, a property takes one
// line, a column one line with its cells one blank apart. Which texts the
// tag language can hold is decided here, with the reader's rules in view.
#include <cstring>
#include <string>

#include "model/model.h"
#include "reverse/entities.h"
#include "reverse/reverse.h"
#include "writer/output.h"

namespace {

// The longest element text and the longest quoted code, with its quotes,
// that the reader of the tag language takes: one token each.
constexpr std::size_t longest_text = 8191;
constexpr std::size_t longest_code = longest_text - 2;

// Indentation stops growing here; far deeper trees do not convert anyway.
constexpr int deepest_indented = 128;

void indent_out(int level)
{
    static const std::string blanks(2 * deepest_indented, ' ');
    out_bytes(blanks.data(), std::size_t(2 * (level < deepest_indented ? level : deepest_indented)));
}

// A property on a line of its own.
void property_line_out(const PropertyNode *property, int level)
{
    indent_out(level);
    out("<PROPERTY BSU=\"%s\"><PNAME>%s</PNAME><PTYPE>%s</PTYPE></PROPERTY>\n", property->code, property->name,
        property->type);
}

// A table, one line for each column; nothing may stand between <COLUMN>
// and its first <TD>.
void table_out(const TableNode *table, int level)
{
    indent_out(level);
    out("<TABLE BSU=\"%s\">\n", table->code);
    for (const ColumnNode *column = table->columns; column->next != nullptr; column = column->next) {
        indent_out(level + 1);
        out("<COLUMN>");
        for (const TdNode *td = column->tds; td->next != nullptr; td = td->next)
            out(td->next->next != nullptr ? "<TD>%s</TD> " : "<TD>%s</TD>", td->text);
        out("</COLUMN>\n");
    }
    indent_out(level);
    out("</TABLE>\n");
}

// A class's opening tag, name, properties and table, at its level; its
// subclasses and its closing tag follow.
void class_head_out(const ClassNode *owner, int level)
{
    indent_out(level - 1);
    out("<CLASS BSU=\"%s\">\n", owner->code);
    indent_out(level);
    out("<CNAME>%s</CNAME>\n", owner->name);
    if (owner->properties != nullptr)
        for (const PropertyNode *property = owner->properties; property->next != nullptr; property = property->next)
            property_line_out(property, level);
    if (owner->table != nullptr)
        table_out(owner->table, level);
}

} // namespace

// What the reader of the tag language would make of each text: an element
// text is a run of bytes other than '<', and a run that is exactly '>' or
// that begins with a quote may be read as a tag's end or a quoted code
// instead; a code runs from its double quote to the next double quote or
// line break; a NUL ends any text the reader copies.
const char *tag_text_fault(const char *text, std::size_t length, bool element_text)
{
    if (std::memchr(text, '\0', length) != nullptr)
        return "holds a NUL character, which no text of a dictionary can hold: remove it";
    if (!element_text) {
        if (std::memchr(text, '"', length) != nullptr)
            return "holds a double quote, which would end the code in the dictionary: remove it";
        if (std::memchr(text, '\n', length) != nullptr)
            return "holds a line break, which would end the code in the dictionary: remove it";
        if (length > longest_code)
            return "is longer than the 8189 bytes of a code in the dictionary: shorten it";
        return nullptr;
    }
    if (length == 0)
        return "is empty, and a name or value in the dictionary has one character at least: write one";
    if (std::memchr(text, '<', length) != nullptr)
        return "holds '<', which would begin a tag in the dictionary: write it another way";
    if (text[0] == '"' || text[0] == '\'')
        return "begins with a quote, which the dictionary's reader takes for the start of a code: begin it another way";
    if (length == 1 && text[0] == '>')
        return "is '>' alone, which the dictionary's reader takes for the end of a tag: write it another way";
    if (length > longest_text)
        return "is longer than the 8191 bytes of a text in the dictionary: shorten it";
    return nullptr;
}

namespace {

void class_close_out(const ClassNode *, int level)
{
    indent_out(level - 1);
    out("</CLASS>\n");
}

} // namespace

// The classes in document order: each class, then its subclasses, then its
// closing tag.
void dictionary_out()
{
    out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out("<SUPPLIER_LIBRARY BSU=\"%s\">\n", supplier_bsu);
    model_walk(class_head_out, class_close_out);
    out("</SUPPLIER_LIBRARY>\n");
}
