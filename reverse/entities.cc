// What the instances of an exchange file make of the model: a CLASS_BSU a
// class, a PROPERTY_BSU a property, a TABLE_BSU a table, a column entity a
// column with its cells, an ITEM_NAMES a name; and the links between them,
// which COMPONENT_CLASS (a class's name, superclass and properties),
// NON_DEPENDENT_P_DET (a property's name and type), TABLE_BSU (a table's
// class) and TABLE_CONTENT (a table's columns) make. A link waits until the
// instances it refers to have been read; once the file is read, every record
// must have its place in the dictionary.
#include "reverse/entities.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

#include "driver/driver.h"
#include "reverse/instances.h"
#include "reverse/reverse.h"
#include "writer/literal.h"

const EntityForm entity_forms[entity_count] = {
    {"SUPPLIER_BSU", "s-", "code"},
    {"DATES", "---", ""},
    {"CLASS_BSU", "s--", "code"},
    {"ITEM_NAMES", "ny---", "preferred_name synonymous_names"},
    {"COMPONENT_CLASS", "c--i----CP-----", "identified_by names its_superclass described_by"},
    {"PROPERTY_BSU", "s--", "code"},
    {"STRING_TYPE", "-", ""},
    {"REAL_TYPE", "-", ""},
    {"INT_TYPE", "-", ""},
    {"STRING_VARIABLE", "", ""},
    {"REAL_NUMERIC_VARIABLE", "", ""},
    {"INT_NUMERIC_VARIABLE", "", ""},
    {"SELF_PROPERTY_VALUE_SEMANTICS", "--", ""},
    {"ENVIRONMENT", "--", ""},
    {"NON_DEPENDENT_P_DET", "p--i--------t-", "identified_by names domain"},
    {"OPT_OR_MAND_PROPERTY_BSU", "---", ""},
    {"TABLE_BSU", "s-c", "code name_scope"},
    {"STRING_COLUMN", "v-", "values"},
    {"REAL_COLUMN", "v-", "values"},
    {"INTEGER_COLUMN", "v-", "values"},
    {"ITEM_CLASS_EXTENSION", "---------------------------", ""},
    {"TABLE_CONTENT", "b-L--", "dictionary_definition content"},
};

// Names are looked up by their length first: no more than three names
// share a length.
int entity_named(const char *name, std::size_t length)
{
    constexpr std::size_t longest = 32;
    static signed char by_length[longest][4];
    static bool made;
    if (!made) {
        std::memset(by_length, -1, sizeof by_length);
        for (int entity = 0; entity < entity_count; ++entity) {
            signed char *slot = by_length[std::strlen(entity_forms[entity].name)];
            while (*slot >= 0)
                ++slot;
            *slot = (signed char)entity;
        }
        made = true;
    }
    if (length >= longest)
        return -1;
    for (const signed char *slot = by_length[length]; *slot >= 0; ++slot)
        if (std::memcmp(entity_forms[*slot].name, name, length) == 0)
            return *slot;
    return -1;
}

namespace {

// The letters of the forms that refer to another instance; the references
// of an instance are handed over in this order of its letters.
constexpr char reference_letters[] = "cCiptb";

// The data types of the type entities and of the column entities, each in
// the order of the entities: the model's keywords, as the reader of the tag
// language keeps them.
char *const type_keywords[] = {type_string, type_real, type_integer};

// A link that waits for instances read later.
struct Deferred {
    std::uint64_t number;
    int line;
    Entity entity;
    std::uint64_t references[3];
    int reference_count;
    std::size_t list_first;            // its list, in deferred_lists
    std::size_t list_count;
};

std::vector<Deferred> deferred;
std::vector<std::uint64_t> deferred_lists;

// What the exchange file held that a dictionary does not: the instances of
// other entities by entity, the names with synonyms, the deepest class.
std::map<std::string, long> skipped;
long synonym_sets;
std::uint64_t first_synonyms;          // the ITEM_NAMES of the first
int first_synonyms_line;
const ClassNode *deepest;

// The deepest nesting that dict2step converts: a chain of classes that hold
// nothing but their names. Classes with properties or tables take more of
// its parser's stack, so that a tree of any shape is converted 98 deep.
constexpr int deepest_converted = 124;

std::string formatted(const char *format, va_list arguments)
{
    va_list again;
    va_copy(again, arguments);
    int length = std::vsnprintf(nullptr, 0, format, arguments);
    std::string text(std::size_t(length > 0 ? length : 0), '\0');
    std::vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);
    return text;
}

// The entity of an instance in messages, by its kind and its record: the
// record of an instance of another entity is the name of that entity.
const char *kind_described(unsigned char kind, const void *record)
{
    if (kind == instance_other)
        return static_cast<const char *>(record);
    return entity_forms[kind - instance_of_entity].name;
}

const char *article(const char *name)
{
    return std::strchr("AEIOU", name[0]) != nullptr ? "an " : "a ";
}

// Whether the instance of kind may stand where letter is.
bool kind_fits(char letter, unsigned char kind)
{
    int entity = kind - instance_of_entity;
    switch (letter) {
    case 'c': case 'C': return entity == class_bsu_entity;
    case 'i': return entity == item_names_entity;
    case 'p': case 'P': return entity == property_bsu_entity;
    case 't': return entity == string_type_entity || entity == real_type_entity || entity == int_type_entity;
    case 'b': return entity == table_bsu_entity;
    default: return entity == string_column_entity || entity == real_column_entity || entity == integer_column_entity;
    }
}

} // namespace

const char *reference_expected(char letter)
{
    switch (letter) {
    case 'c': case 'C': return "a CLASS_BSU";
    case 'i': return "an ITEM_NAMES";
    case 'p': case 'P': return "a PROPERTY_BSU";
    case 't': return "a STRING_TYPE, REAL_TYPE or INT_TYPE";
    case 'b': return "a TABLE_BSU";
    default: return "a STRING_COLUMN, REAL_COLUMN or INTEGER_COLUMN";
    }
}

namespace {

// The attribute of the form that holds the instance's reference number
// index (or, for index -1, its list), 1 for the first; found once for each
// entity, since links look for them on every instance.
int reference_attribute(const EntityForm &form, int index)
{
    static signed char attributes[entity_count][4];
    static bool found;
    if (!found) {
        for (int entity = 0; entity < entity_count; ++entity) {
            int references = 0;
            for (int at = 0; entity_forms[entity].attributes[at] != '\0'; ++at) {
                char letter = entity_forms[entity].attributes[at];
                if (letter == 'P' || letter == 'L')
                    attributes[entity][3] = (signed char)(at + 1);
                else if (std::strchr(reference_letters, letter) != nullptr)
                    attributes[entity][references++] = (signed char)(at + 1);
            }
        }
        found = true;
    }
    return attributes[&form - entity_forms][index < 0 ? 3 : index];
}

// The record of the instance that the reference number refers to, where the
// letter of the attribute allows its kind; else null, and the fault is
// reported, unless the instance referred to was reported already.
void *referred(const InstanceRead *instance, std::uint64_t number, int attribute, unsigned char *kind = nullptr)
{
    const EntityForm &form = entity_forms[instance->entity];
    char letter = form.attributes[attribute - 1];
    void *record = nullptr;
    unsigned char found = instance_find(number, &record);
    if (kind != nullptr)
        *kind = found;
    if (found == instance_faulty)
        return nullptr;
    if (found == instance_absent)
        instance_problem(instance->number, form.name, instance->line, "%s refers to #%llu, which is not in the file",
                         attribute_described(form, attribute).c_str(), (unsigned long long)number);
    else if (!kind_fits(letter, found))
        instance_problem(instance->number, form.name, instance->line, "%s refers to #%llu, which is %s%s, not %s",
                         attribute_described(form, attribute).c_str(), (unsigned long long)number,
                         article(kind_described(found, record)), kind_described(found, record),
                         reference_expected(letter));
    else
        return record;
    return nullptr;
}

// A chain of the records that the instance's list refers to, linked
// through their next fields and ended by tail, the empty record that ends
// every chain of its kind, as the reader of the tag language ends the
// property chains of its classes. A record with a next is in a chain
// already, and rule says why it cannot be in two. Returns the head, or null
// for an empty list; a record at fault is left out of the chain, which the
// run's failure makes no matter, so that the others are not reported as lost.
template <typename Node>
Node *chain_linked(const InstanceRead *instance, Node *tail, const char *rule)
{
    const EntityForm &form = entity_forms[instance->entity];
    int attribute = reference_attribute(form, -1);
    Node *head = nullptr;
    Node *last = nullptr;
    for (std::uint64_t number : instance->list) {
        Node *node = static_cast<Node *>(referred(instance, number, attribute));
        if (node == nullptr)
            continue;
        if (node->next != nullptr || node == last) {
            instance_problem(instance->number, form.name, instance->line, "%s lists #%llu, which is listed already: %s",
                             attribute_described(form, attribute).c_str(), (unsigned long long)number, rule);
            continue;
        }
        (last != nullptr ? last->next : head) = node;
        last = node;
    }
    if (last != nullptr)
        last->next = tail;
    return head;
}

// COMPONENT_CLASS: a class's name, its superclass and its properties.
void class_link(const InstanceRead *instance)
{
    const EntityForm &form = entity_forms[instance->entity];
    auto *owner = static_cast<ClassNode *>(referred(instance, instance->references[0], reference_attribute(form, 0)));
    auto *name = static_cast<char *>(referred(instance, instance->references[1], reference_attribute(form, 1)));
    ClassNode *superclass = class_first;
    if (instance->references[2] != no_instance)
        superclass = static_cast<ClassNode *>(referred(instance, instance->references[2], reference_attribute(form, 2)));
    if (owner == nullptr || name == nullptr || superclass == nullptr)
        return;
    if (owner->parent != nullptr) {
        instance_problem(instance->number, form.name, instance->line,
                         "class %s has another COMPONENT_CLASS: a class has one", message_quote(owner->code).c_str());
        return;
    }
    owner->name = name;
    owner->parent = superclass;
    owner->properties = chain_linked(instance, &property_chain_end, "a property belongs to one class");
}

// NON_DEPENDENT_P_DET: a property's name and data type.
void property_link(const InstanceRead *instance)
{
    const EntityForm &form = entity_forms[instance->entity];
    auto *property = static_cast<PropertyNode *>(referred(instance, instance->references[0], reference_attribute(form, 0)));
    auto *name = static_cast<char *>(referred(instance, instance->references[1], reference_attribute(form, 1)));
    unsigned char domain = instance_absent;
    referred(instance, instance->references[2], reference_attribute(form, 2), &domain);
    if (property == nullptr || name == nullptr || !kind_fits('t', domain))
        return;
    if (property->type != nullptr) {
        instance_problem(instance->number, form.name, instance->line,
                         "property %s has another NON_DEPENDENT_P_DET: a property has one",
                         message_quote(property->code).c_str());
        return;
    }
    property->name = name;
    property->type = type_keywords[domain - instance_of_entity - string_type_entity];
}

// TABLE_BSU: the class of a table.
void table_link(const InstanceRead *instance, TableNode *table)
{
    const EntityForm &form = entity_forms[instance->entity];
    auto *owner = static_cast<ClassNode *>(referred(instance, instance->references[0], reference_attribute(form, 0)));
    if (owner == nullptr)
        return;
    if (owner->table != nullptr) {
        instance_problem(instance->number, form.name, instance->line,
                         "class %s has another table: a class has one at most", message_quote(owner->code).c_str());
        return;
    }
    owner->table = table;
}

// TABLE_CONTENT: the columns of a table.
void content_link(const InstanceRead *instance)
{
    const EntityForm &form = entity_forms[instance->entity];
    auto *table = static_cast<TableNode *>(referred(instance, instance->references[0], reference_attribute(form, 0)));
    if (table == nullptr)
        return;
    if (table->columns != nullptr) {
        instance_problem(instance->number, form.name, instance->line,
                         "table %s has another TABLE_CONTENT: a table has one", message_quote(table->code).c_str());
        return;
    }
    if (instance->list.empty()) {
        instance_problem(instance->number, form.name, instance->line, "%s lists no column: a table has one at least",
                         attribute_described(form, reference_attribute(form, -1)).c_str());
        return;
    }
    static ColumnNode column_chain_end;
    table->columns = chain_linked(instance, &column_chain_end, "a column belongs to one table");
}

void link(const InstanceRead *instance, void *record)
{
    switch (instance->entity) {
    case component_class_entity: class_link(instance); break;
    case non_dependent_p_det_entity: property_link(instance); break;
    case table_bsu_entity: table_link(instance, static_cast<TableNode *>(record)); break;
    case table_content_entity: content_link(instance); break;
    default: break;
    }
}

// Whether every instance the instance refers to has been read.
bool references_read(const InstanceRead *instance)
{
    void *record;
    for (int i = 0; i < instance->reference_count; ++i)
        if (instance->references[i] != no_instance && instance_find(instance->references[i], &record) == instance_absent)
            return false;
    for (std::uint64_t number : instance->list)
        if (instance_find(number, &record) == instance_absent)
            return false;
    return true;
}

void defer(const InstanceRead *instance)
{
    Deferred waiting{instance->number, instance->line, instance->entity, {}, instance->reference_count,
                     deferred_lists.size(), instance->list.size()};
    std::memcpy(waiting.references, instance->references, sizeof waiting.references);
    deferred_lists.insert(deferred_lists.end(), instance->list.begin(), instance->list.end());
    deferred.push_back(waiting);
}

// The record an instance makes, or null for one that makes none.
void *record_made(const InstanceRead *instance)
{
    switch (instance->entity) {
    case supplier_bsu_entity:
        if (supplier_bsu != nullptr)
            instance_problem(instance->number, entity_forms[instance->entity].name, instance->line,
                             "a second supplier, after the one on line %d: a dictionary has one", supplier_line);
        supplier_bsu = instance->text;
        supplier_line = instance->line;
        return nullptr;
    case class_bsu_entity: {
        auto *made = model_new<ClassNode>();
        made->code = instance->text;
        made->line = instance->line;
        return made;
    }
    case item_names_entity:
        if (instance->synonyms && synonym_sets++ == 0) {
            first_synonyms = instance->number;
            first_synonyms_line = instance->line;
        }
        return instance->text;
    case property_bsu_entity: {
        auto *made = model_new<PropertyNode>();
        made->code = instance->text;
        made->line = instance->line;
        return made;
    }
    case table_bsu_entity: {
        auto *made = model_new<TableNode>();
        made->code = instance->text;
        made->line = instance->line;
        return made;
    }
    case string_column_entity:
    case real_column_entity:
    case integer_column_entity: {
        auto *made = model_new<ColumnNode>();
        made->tds = instance->cells;
        made->line = instance->line;
        made->type = type_keywords[instance->entity - string_column_entity];
        return made;
    }
    default:
        return nullptr;
    }
}

// Classes in the order of their CLASS_BSU numbers, as the checks at the end
// and the tree need them.
struct ClassRead {
    std::uint64_t number;
    ClassNode *node;
};

std::vector<ClassRead> classes;

// A record that has no place in the dictionary.
void place_check(std::uint64_t number, unsigned char kind, void *record)
{
    if (kind >= instance_other)
        return;
    const char *entity = entity_forms[kind - instance_of_entity].name;
    switch (kind - instance_of_entity) {
    case class_bsu_entity: {
        auto *node = static_cast<ClassNode *>(record);
        classes.push_back({number, node});
        if (node->parent == nullptr)
            instance_problem(number, entity, node->line,
                             "class %s has no COMPONENT_CLASS, which gives a class its name and its place",
                             message_quote(node->code).c_str());
        break;
    }
    case property_bsu_entity: {
        auto *node = static_cast<PropertyNode *>(record);
        if (node->next == nullptr)
            instance_problem(number, entity, node->line, "property %s is in no class's described_by",
                             message_quote(node->code).c_str());
        if (node->type == nullptr)
            instance_problem(number, entity, node->line,
                             "property %s has no NON_DEPENDENT_P_DET, which gives a property its name and data type",
                             message_quote(node->code).c_str());
        break;
    }
    case table_bsu_entity: {
        auto *node = static_cast<TableNode *>(record);
        if (node->columns == nullptr)
            instance_problem(number, entity, node->line, "table %s has no TABLE_CONTENT, which gives a table its columns",
                             message_quote(node->code).c_str());
        break;
    }
    case string_column_entity:
    case real_column_entity:
    case integer_column_entity: {
        auto *node = static_cast<ColumnNode *>(record);
        if (node->next == nullptr)
            instance_problem(number, entity, node->line, "the column is in no TABLE_CONTENT");
        break;
    }
    default:
        break;
    }
}

// The i-th column of a table holds values of the class's i-th property.
void table_check(const ClassRead &read)
{
    const ClassNode *owner = read.node;
    if (owner->table == nullptr || owner->table->columns == nullptr)
        return;
    const PropertyNode *property = owner->properties;
    int column = 0;
    for (const ColumnNode *node = owner->table->columns; node->next != nullptr; node = node->next) {
        ++column;
        if (property == nullptr || property->next == nullptr) {
            instance_problem(read.number, "CLASS_BSU", owner->line,
                             "the table %s of class %s has a column %d, but the class has no property %d",
                             message_quote(owner->table->code).c_str(), message_quote(owner->code).c_str(), column, column);
            return;
        }
        if (property->type != nullptr && std::strcmp(property->type, node->type) != 0)
            instance_problem(read.number, "CLASS_BSU", owner->line,
                             "column %d of the table %s of class %s holds %s values, but property %d, %s, is %s",
                             column, message_quote(owner->table->code).c_str(), message_quote(owner->code).c_str(),
                             node->type, column, message_quote(property->code).c_str(), property->type);
        property = property->next;
    }
}

// The classes of chain from above on lead back to above, as the
// superclasses of the class read.
void loop_report(const ClassRead &read, const ClassNode *above, const std::vector<ClassNode *> &chain)
{
    std::size_t others = 0;
    while (chain[chain.size() - 1 - others] != above)
        ++others;
    std::string through = others == 0 ? "" : others == 1 ? ", through 1 other class" : ", through " + std::to_string(others) + " other classes";
    std::string from = read.node == above ? "" : ", which class " + message_quote(read.node->code) + " has among its superclasses";
    instance_problem(read.number, "CLASS_BSU", read.node->line, "class %s is its own superclass%s%s: classes make a tree",
                     message_quote(above->code).c_str(), through.c_str(), from.c_str());
}

// Gives every class its level, one below its superclass, and reports the
// classes that are their own superclasses through a chain. A level of -1
// marks a class on the chain being followed, -2 one that has no place.
void levels_set()
{
    std::vector<ClassNode *> chain;
    for (const ClassRead &read : classes) {
        ClassNode *above = read.node;
        chain.clear();
        while (above != class_first && above->level == 0 && above->parent != nullptr) {
            above->level = -1;
            chain.push_back(above);
            above = above->parent;
        }
        int level = above == class_first ? 0 : above->level;
        if (above != class_first && above->level == -1)
            loop_report(read, above, chain);
        if (level < 0 || (above != class_first && above->parent == nullptr))
            level = -2;
        for (std::size_t i = chain.size(); i-- > 0;) {
            chain[i]->level = level < 0 ? -2 : ++level;
            if (level > 0 && (deepest == nullptr || level > deepest->level))
                deepest = chain[i];
        }
    }
}

// Subclasses come in the order of their CLASS_BSU numbers: each class, from
// the highest number down, goes in front of its siblings.
void tree_build()
{
    for (std::size_t i = classes.size(); i-- > 0;) {
        ClassNode *node = classes[i].node;
        node->next_sibling = node->parent->first_child;
        node->parent->first_child = node;
    }
}

} // namespace

void instance_problem(std::uint64_t number, const char *entity, int line, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::string text = formatted(format, arguments);
    va_end(arguments);
    report_problem(exchange_file_problem, line, "#%llu %s: %s", (unsigned long long)number, entity, text.c_str());
}

std::string attribute_described(const EntityForm &form, int attribute)
{
    std::string text = "attribute " + std::to_string(attribute);
    int named = 0;
    for (int at = 0; at + 1 < attribute; ++at)
        named += form.attributes[at] != '-';
    const char *name = form.names;
    for (; named > 0 && name != nullptr; --named)
        name = std::strchr(name, ' ') != nullptr ? std::strchr(name, ' ') + 1 : nullptr;
    if (name != nullptr && *name != '\0' && form.attributes[attribute - 1] != '-')
        text += " (" + std::string(name, std::strcspn(name, " ")) + ")";
    return text;
}

void instance_take(InstanceRead *instance)
{
    void *record = instance->faulty ? nullptr : record_made(instance);
    unsigned char kind = instance->faulty ? instance_faulty : instance_of_entity + instance->entity;
    if (!instance_add(instance->number, kind, record)) {
        instance_problem(instance->number, entity_forms[instance->entity].name, instance->line,
                         "a second instance #%llu: each instance has a number of its own",
                         (unsigned long long)instance->number);
        return;
    }
    if (instance->faulty)
        return;
    if (references_read(instance))
        link(instance, record);
    else
        defer(instance);
}

// The table keeps the name of the entity, which the map keeps for the run.
void instance_skipped(std::uint64_t number, int line, const std::string &entity)
{
    auto counted = skipped.emplace(entity, 0).first;
    ++counted->second;
    if (!instance_add(number, instance_other, const_cast<char *>(counted->first.c_str())))
        instance_problem(number, entity.c_str(), line, "a second instance #%llu: each instance has a number of its own",
                         (unsigned long long)number);
}

void dictionary_complete()
{
    InstanceRead waiting;
    for (const Deferred &link_waiting : deferred) {
        waiting.number = link_waiting.number;
        waiting.line = link_waiting.line;
        waiting.entity = link_waiting.entity;
        std::memcpy(waiting.references, link_waiting.references, sizeof waiting.references);
        waiting.reference_count = link_waiting.reference_count;
        waiting.list.assign(deferred_lists.begin() + long(link_waiting.list_first),
                            deferred_lists.begin() + long(link_waiting.list_first + link_waiting.list_count));
        void *record = nullptr;
        instance_find(waiting.number, &record);
        link(&waiting, record);
    }
    std::vector<Deferred>().swap(deferred);
    std::vector<std::uint64_t>().swap(deferred_lists);

    // A record may have lost its place through an instance reported
    // already, and would only repeat that fault.
    if (input_error_reported())
        return;
    if (supplier_bsu == nullptr)
        report_problem(exchange_file_problem, 0, "the exchange file has no SUPPLIER_BSU: a dictionary has a supplier");
    instances_each(place_check);
    if (classes.empty())
        report_problem(exchange_file_problem, 0, "the exchange file has no CLASS_BSU: a dictionary has one class at least");
    if (input_error_reported())
        return;
    levels_set();
    for (const ClassRead &read : classes)
        table_check(read);
    if (!input_error_reported())
        tree_build();
    std::vector<ClassRead>().swap(classes);
}

void read_back_report()
{
    for (const auto &entity : skipped) {
        if (entity.second == 1)
            report("warning: 1 instance of %s was not read: dictionaries hold no such data", entity.first.c_str());
        else
            report("warning: %ld instances of %s were not read: dictionaries hold no such data", entity.second,
                   entity.first.c_str());
    }
    if (synonym_sets == 1)
        report("warning: 1 ITEM_NAMES has synonyms, which were not read: a dictionary holds one name; #%llu on line %d",
               (unsigned long long)first_synonyms, first_synonyms_line);
    else if (synonym_sets > 1)
        report("warning: %ld ITEM_NAMES have synonyms, which were not read: a dictionary holds one name; the first: "
               "#%llu on line %d", synonym_sets, (unsigned long long)first_synonyms, first_synonyms_line);
    if (deepest != nullptr && deepest->level > deepest_converted)
        report("warning: class %s is nested %d deep, and dict2step converts classes %d deep at most (98 for "
               "classes with properties or tables): the dictionary cannot be converted again as it is",
               message_quote(deepest->code).c_str(), deepest->level, deepest_converted);
}
