// The entities of an exchange file that a dictionary is read back from, the
// form in which each holds its attributes, and what the exchange-file
// reader hands over for each instance of them.
#ifndef DICT2STEP_REVERSE_ENTITIES_H
#define DICT2STEP_REVERSE_ENTITIES_H

#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

// The entities that dict2step writes, in the order of entity_forms.
enum Entity {
    supplier_bsu_entity,
    dates_entity,
    class_bsu_entity,
    item_names_entity,
    component_class_entity,
    property_bsu_entity,
    string_type_entity,
    real_type_entity,
    int_type_entity,
    string_variable_entity,
    real_numeric_variable_entity,
    int_numeric_variable_entity,
    self_property_value_semantics_entity,
    environment_entity,
    non_dependent_p_det_entity,
    opt_or_mand_property_bsu_entity,
    table_bsu_entity,
    string_column_entity,
    real_column_entity,
    integer_column_entity,
    item_class_extension_entity,
    table_content_entity,
    entity_count
};

// The attributes of an entity, one letter each, by what the dictionary
// takes from them:
//   -  nothing: any value
//   s  a code: a string
//   n  a name: a string, typed LABEL or not
//   y  synonyms: a set of names, or $; the dictionary holds none
//   c  a reference to a CLASS_BSU          C  the same, or $
//   i  a reference to an ITEM_NAMES
//   p  a reference to a PROPERTY_BSU       P  a list of them
//   t  a reference to a data type
//   b  a reference to a TABLE_BSU
//   L  a list of references to columns
//   v  a list of cells: strings or numbers, as the column's entity says
// The references of an instance are handed over in the order of their
// letters, lists apart.
struct EntityForm {
    const char *name;                  // as the exchange file writes it
    const char *attributes;            // one letter each, as above
    const char *names;                 // the names of the attributes not '-', in order, blank-separated
};

extern const EntityForm entity_forms[entity_count];

// The entity of that name, or -1 for one that a dictionary is not read from.
int entity_named(const char *name, std::size_t length);

// An instance number that stands for $: no instance.
constexpr std::uint64_t no_instance = UINT64_MAX;

// What the reader has made of one instance of an entity above.
struct InstanceRead {
    std::uint64_t number = 0;          // its instance number
    int line = 0;                      // the line where it begins
    Entity entity = dates_entity;
    bool faulty = false;               // a value did not fit its attribute; it was reported
    char *text = nullptr;              // its code or preferred name, an arena copy; null for none
    std::uint64_t references[3] = {};  // its single references in form order; no_instance for $
    int reference_count = 0;
    std::vector<std::uint64_t> list;   // its list of references (P or L)
    TdNode *cells = nullptr;           // a column's values, an open-tail chain
    bool synonyms = false;             // its synonym set holds names
};

// Takes one instance into the model: the record it makes, and the links it
// makes once the instances it refers to are there.
void instance_take(InstanceRead *instance);

// Enters an instance of an entity that a dictionary does not read, and
// counts it by the name of its entity (a complex instance by its parts').
void instance_skipped(std::uint64_t number, int line, const std::string &entity);

// Reports a fault of an instance: "#N ENTITY: " and the formatted text.
void instance_problem(std::uint64_t number, const char *entity, int line, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

// Once the whole file is read: makes the links that waited for instances
// read later, checks that every record has its place in the dictionary, and
// builds the class tree. Faults are reported as they are found.
void dictionary_complete();

// The text of a name or a cell (element_text true) or of a code cannot
// stand in the tag language: why and what to do instead, or null when it can.
const char *tag_text_fault(const char *text, std::size_t length, bool element_text);

// What a reference in an attribute of that letter must refer to, for the
// messages: "a CLASS_BSU" and the like.
const char *reference_expected(char letter);

// The description of an attribute in messages: "attribute 4 (names)".
std::string attribute_described(const EntityForm &form, int attribute);

#endif
