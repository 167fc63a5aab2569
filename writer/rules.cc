// The schema's rules on the codes and names that the exchange file carries:
// a code holds no '.', '-' or blank and has at most 14 characters (18 for the
// supplier's); a preferred name has at most 30; two classes with one code are
// one class to a reader, and so are two properties of a class. And the names
// and text cells that begin or end with blanks or line breaks, which element
// text keeps, unseen by most who wrote them. The input may break these rules;
// the file is written all the same, and each kind of breach is reported
// once, with its count and its first case, when the file is done.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "writer/literal.h"
#include "writer/writer.h"

namespace {

constexpr std::size_t code_characters = 14;     // a class, property or table code
constexpr std::size_t supplier_characters = 18; // the supplier's code
constexpr std::size_t name_characters = 30;     // a preferred name

// Where a breach was met: the code of a supplier, class, property or table,
// the class that a property or table belongs to, a table's cell, and the
// input line of the opening tag (of a cell, its <TD>).
struct Case {
    const char *kind = nullptr;        // "supplier", "class", "property" or "table"
    const char *code = nullptr;
    const char *owner = nullptr;       // the class's code, for a property or table
    int line = 0;
    int column = 0;                    // for a cell, its column and row, counted from 1; else 0
    int row = 0;
};

// One kind of breach: how many, and the first in the input.
struct Breach {
    long count = 0;
    Case first;
};

Breach forbidden_characters;
Breach too_long;
Breach long_names;
Breach repeated_classes;
Breach repeated_properties;
Breach padded_names;
Breach padded_cells;

// The classes are written in another order than the input's, so the first
// case is the one on the lowest line.
void count(Breach *breach, const Case &found)
{
    if (breach->count++ == 0 || found.line < breach->first.line)
        breach->first = found;
}

// Repeated codes. Looking each class's code up in a set as it is written
// would cost a cache miss a class; instead the hashes of the codes are kept
// in a list, sorted once at the end, and only when two hashes are equal are
// the classes looked at again, to find which codes really repeat.
std::vector<std::uint64_t> class_hashes;

// FNV-1a: codes are short.
std::uint64_t code_hash(const char *code)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(code); *c != '\0'; ++c)
        hash = (hash ^ *c) * 0x100000001b3u;
    return hash;
}

// By code, and by line within a code.
template <typename Node> bool code_before(const Node *one, const Node *other)
{
    int order = std::strcmp(one->code, other->code);
    return order < 0 || (order == 0 && one->line < other->line);
}

// Counts as repeated every node of nodes whose code one on an earlier line
// has: sorted by code and line, each run of one code but its head repeats.
// A property's case names owner.
template <typename Node>
void count_repeats(std::vector<const Node *> *nodes, Breach *breach, const char *kind, const char *owner)
{
    std::sort(nodes->begin(), nodes->end(), code_before<Node>);
    for (std::size_t i = 1; i < nodes->size(); ++i)
        if (std::strcmp((*nodes)[i - 1]->code, (*nodes)[i]->code) == 0)
            count(breach, {kind, (*nodes)[i]->code, owner, (*nodes)[i]->line});
}

// The classes below first whose codes' hashes are among hashes (sorted).
void classes_with_hashes(const ClassNode *first, const std::vector<std::uint64_t> &hashes,
                         std::vector<const ClassNode *> *found)
{
    for (const ClassNode *node = first; node != nullptr; node = node->next_sibling) {
        if (node->code != nullptr && std::binary_search(hashes.begin(), hashes.end(), code_hash(node->code)))
            found->push_back(node);
        classes_with_hashes(node->first_child, hashes, found);
    }
}

void count_repeated_classes()
{
    std::sort(class_hashes.begin(), class_hashes.end());
    std::vector<std::uint64_t> shared;
    for (std::size_t i = 1; i < class_hashes.size(); ++i)
        if (class_hashes[i] == class_hashes[i - 1] && (shared.empty() || shared.back() != class_hashes[i]))
            shared.push_back(class_hashes[i]);
    if (shared.empty())
        return;
    std::vector<const ClassNode *> classes;
    classes_with_hashes(class_first->first_child, shared, &classes);
    count_repeats(&classes, &repeated_classes, "class", nullptr);
}

// One pass over a code, which is short and nearly always ASCII: its length
// in bytes answers for its length in characters unless it is longer than
// allowed.
void check_code(const Case &found, std::size_t most)
{
    if (found.code == nullptr)
        return;
    const char *c = found.code;
    bool forbidden = false;
    for (; *c != '\0'; ++c)
        forbidden = forbidden || *c == '.' || *c == '-' || *c == ' ';
    if (forbidden)
        count(&forbidden_characters, found);
    if (std::size_t(c - found.code) > most && text_longer_than(found.code, most))
        count(&too_long, found);
}

// A name of no more bytes than the characters allowed is short enough,
// and its length is known then.
void check_name(const char *name, const Case &found)
{
    if (name == nullptr)
        return;
    std::size_t length = strnlen(name, name_characters + 1);
    if (length > name_characters) {
        if (text_longer_than(name, name_characters))
            count(&long_names, found);
        length = std::strlen(name);
    }
    if (text_padded(name, length))
        count(&padded_names, found);
}

// One warning line: the text for one case, or the text for more with the count.
void breach_report(const Breach &breach, const char *one, const char *more)
{
    if (breach.count == 0)
        return;
    std::string first = std::string(breach.first.kind) + " " + message_quote(breach.first.code);
    if (breach.first.owner != nullptr)
        first += " of class " + message_quote(breach.first.owner);
    if (breach.first.column != 0)
        first += ", column " + std::to_string(breach.first.column) + ", row " + std::to_string(breach.first.row);
    first += " on line " + std::to_string(breach.first.line);
    if (breach.count == 1)
        report(one, first.c_str());
    else
        report(more, breach.count, first.c_str());
}

} // namespace

// Element text is never empty, but a NUL at its start makes its copy so.
bool text_padded(const char *text, std::size_t length)
{
    return length > 0 && (is_blank(text[0]) || is_blank(text[length - 1]));
}

void rules_check_class(const ClassNode *owner)
{
    Case found = {"class", owner->code, nullptr, owner->line};
    check_code(found, code_characters);
    check_name(owner->name, found);
    if (class_hashes.empty())
        class_hashes.reserve(std::size_t(class_count));
    if (owner->code != nullptr)
        class_hashes.push_back(code_hash(owner->code));
    if (owner->properties != nullptr) {
        static std::vector<const PropertyNode *> properties;
        properties.clear();
        for (const PropertyNode *property = owner->properties; property->next != nullptr; property = property->next) {
            found = {"property", property->code, owner->code, property->line};
            check_code(found, code_characters);
            check_name(property->name, found);
            if (property->code != nullptr)
                properties.push_back(property);
        }
        if (properties.size() > 1)
            count_repeats(&properties, &repeated_properties, "property", owner->code);
    }
    if (owner->table != nullptr)
        check_code({"table", owner->table->code, owner->code, owner->table->line}, code_characters);
}

void rules_padded_cell(const ClassNode *owner, int column, int row, int line)
{
    if (line == 0)
        ++padded_cells.count;
    else
        count(&padded_cells, {"table", owner->table->code, owner->code, line, column, row});
}

void rules_report()
{
    check_code({"supplier", supplier_bsu, nullptr, supplier_line}, supplier_characters);
    count_repeated_classes();
    breach_report(padded_names,
                  "warning: 1 name begins or ends with blanks or line breaks, which are part of it; the first: %s",
                  "warning: %ld names begin or end with blanks or line breaks, which are part of them; the first: %s");
    breach_report(padded_cells,
                  "warning: 1 cell of a STRING column begins or ends with blanks or line breaks, which are part of it; "
                  "the first: %s",
                  "warning: %ld cells of STRING columns begin or end with blanks or line breaks, which are part of "
                  "them; the first: %s");
    breach_report(forbidden_characters,
                  "warning: 1 code holds '.', '-' or a blank, which the schema forbids: %s",
                  "warning: %ld codes hold '.', '-' or a blank, which the schema forbids; the first: %s");
    breach_report(too_long,
                  "warning: 1 code is longer than the schema allows (14 characters, 18 for the supplier): %s",
                  "warning: %ld codes are longer than the schema allows (14 characters, 18 for the supplier); the first: %s");
    breach_report(long_names,
                  "warning: 1 name is longer than the 30 characters that the schema allows, that of %s",
                  "warning: %ld names are longer than the 30 characters that the schema allows; the first, that of %s");
    breach_report(repeated_classes,
                  "warning: 1 class has the code of another class, which a reader takes for the same class: %s",
                  "warning: %ld classes have the code of another class, which a reader takes for the same class; the first: %s");
    breach_report(repeated_properties,
                  "warning: 1 property has the code of another property of its class: %s",
                  "warning: %ld properties have the code of another property of their class; the first: %s");
}
