// The two passes over the class tree. Both visit the classes in the same
// order, so the first pass can hand out the numbers the second refers to.
#include <cstring>
#include <vector>

#include "writer/literal.h"
#include "writer/output.h"
#include "writer/writer.h"

namespace {

void class_stack_push(ClassNode *chain)
{
    class_stack_temp = new ClassStackEntry;
    class_stack_temp->chain = chain;
    class_stack_temp->next = class_stack_now;
    class_stack_now = class_stack_temp;
}

// Visits every class: a stack of sibling chains, last in first out. Each
// chain is walked left to right, pushing the first child of every class on
// it, so the chain visited next is the children of its last class that has
// any. For top-level X(X1, X2), Y(Y1(Y11)), Z that is X, Y, Z, Y1, Y11, X1, X2.
void traverse_classes(void (*visit)(ClassNode *))
{
    class_stack_now = nullptr;
    class_stack_push(nullptr);
    class_stack_push(class_first->first_child);
    while (class_stack_now->chain != nullptr) {
        class_stack_temp = class_stack_now;
        class_now = class_stack_temp->chain;
        class_stack_now = class_stack_temp->next;
        delete class_stack_temp;
        for (; class_now != nullptr; class_now = class_now->next_sibling) {
            if (class_now->first_child != nullptr)
                class_stack_push(class_now->first_child);
            visit(class_now);
        }
    }
    // The bottom entry is left, and above it the null chain pushed for a
    // root without children: release both, so that no entry outlives the pass.
    while (class_stack_now != nullptr) {
        class_stack_temp = class_stack_now;
        class_stack_now = class_stack_temp->next;
        delete class_stack_temp;
    }
}

void class_bsu_out(ClassNode *owner)
{
    owner->instance_number = element_number_now++;
    out("#%d=CLASS_BSU(%q, '001', #%d);\n", owner->instance_number, owner->code, supplier_number);
    static std::vector<char> name_literal;
    item_names_out(owner->name, &name_literal);
    rules_check_class(owner);
    property_out(owner);
    table_out(owner);
}

// The superclass reference is the parent's CLASS_BSU, or $ for a top-level
// class, whose parent is the unnumbered root.
void component_class_out(ClassNode *owner)
{
    int number = element_number_now++;
    int names = owner->instance_number + class_names_offset;
    int superclass = owner->parent->instance_number;
    if (superclass > 0)
        out("#%d=COMPONENT_CLASS(#%d, #%d, '001', #%d, TEXT(%q), $, $, $, #%d, (",
            number, owner->instance_number, dates_number, names, owner->name, superclass);
    else
        out("#%d=COMPONENT_CLASS(#%d, #%d, '001', #%d, TEXT(%q), $, $, $, $, (",
            number, owner->instance_number, dates_number, names, owner->name);
    if (owner->properties != nullptr) {
        int count = 0;
        for (property_now = owner->properties; property_now->next != nullptr; property_now = property_now->next)
            ++count;
        out_references(owner->properties->instance_number, property_block, count);
    }
    out("), (), $, (), (), $);\n");
}

} // namespace

namespace {

// Encodes text's literal into buffer, which grows as it must; returns it.
const char *literal_into(std::vector<char> *buffer, const char *text, std::size_t length)
{
    if (buffer->size() < literal_most(length) + 1)
        buffer->resize(literal_most(length) + 1);
    *literal_put(buffer->data(), text, length) = '\0';
    return buffer->data();
}

} // namespace

// The name is encoded once, for the short name too when the name is its own
// short name: one of 15 bytes or fewer. A longer name is cut at a
// character's end to its first 15 characters, of at most four bytes each.
const char *item_names_out(const char *name, std::vector<char> *literal)
{
    constexpr std::size_t short_name_characters = 15;
    static std::vector<char> short_literal;
    std::size_t length = name != nullptr ? std::strlen(name) : 0;
    const char *name_literal = literal_into(literal, name, length);
    const char *short_name_literal = name_literal;
    if (length > short_name_characters) {
        std::size_t cut = text_cut(name, short_name_characters, 4 * short_name_characters);
        short_name_literal = literal_into(&short_literal, name, cut);
    }
    out("#%d=ITEM_NAMES(LABEL(%s), (), LABEL(%s), $, $);\n", element_number_now++, name_literal, short_name_literal);
    return name_literal;
}

void breadth_first_bsu_out()
{
    traverse_classes(class_bsu_out);
}

void breadth_first_class_out()
{
    traverse_classes(component_class_out);
}
