// The schema's rules on the codes and names that the exchange file carries:
// a code holds no '.', '-' or blank and has at most 14 characters (18 for the
// supplier's); a preferred name has at most 30; two classes with one code are
// one class to a reader, and so are two properties of a class. The input may
// break them; the file is written all the same, and each kind of breach is
// reported once, with its count and its first case, when the file is done.
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
// the class that a property or table belongs to, and the input line of its
// opening tag.
struct Case {
    const char *kind = nullptr;        // "supplier", "class", "property" or "table"
    const char *code = nullptr;
    const char *owner = nullptr;       // the class's code, for a property or table
    int line = 0;
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

// The classes are written in another order than the input's, so the first
// case is the one on the lowest line.
void count(Breach *breach, const Case &found)
{
    if (breach->count++ == 0 || found.line < breach->first.line)
        breach->first = found;
}

// A set of codes, open addressing on their text; grows to keep a quarter of
// its slots free. A set that is emptied again notes its filled slots.
struct CodeSet {
    bool emptied = false;              // code_set_clear is called on it
    std::vector<const char *> slots;
    std::vector<std::size_t> used;     // the filled slots, where emptied
    std::size_t count = 0;
};

// FNV-1a: codes are short, and this keeps their hashing cheap.
std::size_t code_hash(const char *code)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(code); *c != '\0'; ++c)
        hash = (hash ^ *c) * 0x100000001b3u;
    return std::size_t(hash ^ hash >> 32);
}

// Adds code; false when the set held it already.
bool code_set_insert(CodeSet *set, const char *code)
{
    if (4 * (set->count + 1) > 3 * set->slots.size()) {
        std::vector<const char *> old(set->slots.size() < 16 ? 16 : 2 * set->slots.size(), nullptr);
        old.swap(set->slots);
        set->used.clear();
        set->count = 0;
        for (const char *kept : old)
            if (kept != nullptr)
                code_set_insert(set, kept);
    }
    std::size_t mask = set->slots.size() - 1;
    for (std::size_t slot = code_hash(code) & mask;; slot = (slot + 1) & mask) {
        if (set->slots[slot] == nullptr) {
            set->slots[slot] = code;
            ++set->count;
            if (set->emptied)
                set->used.push_back(slot);
            return true;
        }
        if (std::strcmp(set->slots[slot], code) == 0)
            return false;
    }
}

void code_set_clear(CodeSet *set)
{
    for (std::size_t slot : set->used)
        set->slots[slot] = nullptr;
    set->used.clear();
    set->count = 0;
}

CodeSet class_codes;
CodeSet property_codes = {true, {}, {}, 0}; // of the class being checked

void check_code(const Case &found, std::size_t most)
{
    if (found.code == nullptr)
        return;
    if (std::strpbrk(found.code, ".- ") != nullptr)
        count(&forbidden_characters, found);
    if (text_longer_than(found.code, most))
        count(&too_long, found);
}

void check_name(const char *name, const Case &found)
{
    if (name != nullptr && text_longer_than(name, name_characters))
        count(&long_names, found);
}

// One warning line: the text for one case, or the text for more with the count.
void breach_report(const Breach &breach, const char *one, const char *more)
{
    if (breach.count == 0)
        return;
    std::string first = std::string(breach.first.kind) + " '" + breach.first.code + "'";
    if (breach.first.owner != nullptr)
        first += std::string(" of class '") + breach.first.owner + "'";
    first += " on line " + std::to_string(breach.first.line);
    if (breach.count == 1)
        report(one, first.c_str());
    else
        report(more, breach.count, first.c_str());
}

} // namespace

void rules_check_class(const ClassNode *owner)
{
    Case found = {"class", owner->code, nullptr, owner->line};
    check_code(found, code_characters);
    check_name(owner->name, found);
    if (owner->code != nullptr && !code_set_insert(&class_codes, owner->code))
        count(&repeated_classes, found);
    if (owner->properties != nullptr) {
        for (const PropertyNode *property = owner->properties; property->next != nullptr; property = property->next) {
            found = {"property", property->code, owner->code, property->line};
            check_code(found, code_characters);
            check_name(property->name, found);
            if (property->code != nullptr && !code_set_insert(&property_codes, property->code))
                count(&repeated_properties, found);
        }
        code_set_clear(&property_codes);
    }
    if (owner->table != nullptr)
        check_code({"table", owner->table->code, owner->code, owner->table->line}, code_characters);
}

void rules_report()
{
    check_code({"supplier", supplier_bsu, nullptr, supplier_line}, supplier_characters);
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
