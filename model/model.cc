// The process-wide dictionary state and the arena that owns every record and
// string of the model.
#include "model/model.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include "driver/driver.h"

ClassNode *class_first;
ClassNode *class_now;
ClassNode *class_temp;
int level;
int class_count;

PropertyNode *property_first;
PropertyNode *property_now;
PropertyNode *property_temp;
PropertyNode property_chain_end;

TableNode *table_now;

ColumnNode *column_first;
ColumnNode *column_now;
ColumnNode *column_temp;

TdNode *td_first;
TdNode *td_now;
TdNode *td_temp;

char *bsu_now;
char *supplier_bsu;
int supplier_line;
int element_number_now;

ClassStackEntry *class_stack_now;
ClassStackEntry *class_stack_temp;

namespace {

// Records are taken from the front of a block and strings from its back, so
// that a string's odd length costs no padding before the next record. Blocks
// come from the system with all their pages in place (MAP_POPULATE): setting
// up a block's pages in one call costs less than taking a fault on each, and
// on a dictionary of a gigabyte those faults are a good part of the run.
// On Windows they come from VirtualAlloc, which has no such option. A block
// of a quarter megabyte keeps the last one's unused pages few, at a cost too
// small to measure against blocks of a megabyte.
constexpr std::size_t arena_block_size = std::size_t(1) << 18;
#ifdef MAP_POPULATE
constexpr int arena_populate = MAP_POPULATE;
#else
constexpr int arena_populate = 0;
#endif

char *arena_next;                      // first free byte of the newest block
char *arena_end;                       // end of its free bytes; strings lie behind

// Starts a new block with room for at least need bytes. What the old one has
// left between its records and its strings goes unused; blocks are never
// given back.
void arena_new_block(std::size_t need)
{
    std::size_t size = need + alignof(std::max_align_t);
    if (size < arena_block_size)
        size = arena_block_size;
#ifdef _WIN32
    void *block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block == nullptr)
        stop_out_of_memory();
#else
    void *block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | arena_populate, -1, 0);
    if (block == MAP_FAILED)
        stop_out_of_memory();
#endif
    arena_next = static_cast<char *>(block);
    arena_end = arena_next + size;
}

} // namespace

void *model_alloc(std::size_t size, std::size_t align)
{
    std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(arena_next) + align - 1) & ~(align - 1);
    if (arena_next == nullptr || start + size > reinterpret_cast<std::uintptr_t>(arena_end)) {
        arena_new_block(size + align);
        start = (reinterpret_cast<std::uintptr_t>(arena_next) + align - 1) & ~(align - 1);
    }
    arena_next = reinterpret_cast<char *>(start + size);
    return reinterpret_cast<char *>(start);
}

char *model_copy(const char *text, std::size_t length, std::size_t room_before)
{
    std::size_t size = room_before + length + 1;
    if (arena_next == nullptr || std::size_t(arena_end - arena_next) < size)
        arena_new_block(size);
    arena_end -= size;
    char *copy = arena_end + room_before;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

bool model_give_back(const char *start, std::size_t bytes)
{
    if (start != arena_end)
        return false;
    arena_end += bytes;
    return true;
}

char type_string[] = "STRING";
char type_real[] = "REAL";
char type_integer[] = "INTEGER";

char *model_type_keyword(const char *text)
{
    for (char *keyword : {type_string, type_real, type_integer})
        if (std::strcmp(text, keyword) == 0)
            return keyword;
    return nullptr;
}

namespace {

// The lines that steps too long for their byte lead to, by text.
std::unordered_map<const char *, int> long_steps;

constexpr unsigned char long_step = 255;   // the byte of a step kept in long_steps

} // namespace

void model_line_set(char *text, int line_before, int line)
{
    int step = line - line_before;
    text[-1] = char(step < long_step ? step : long_step);
    if (step >= long_step)
        long_steps[text] = line;
}

// A text whose step was never set has no line to give: that is a fault of
// the caller, and it stops the run rather than name a wrong line.
int model_line(const char *text, int line_before)
{
    unsigned char step = static_cast<unsigned char>(text[-1]);
    if (step < long_step)
        return line_before + step;
    auto kept = long_steps.find(text);
    if (kept == long_steps.end())
        std::abort();
    return kept->second;
}

void model_walk(void (*open)(const ClassNode *node, int depth), void (*close)(const ClassNode *node, int depth))
{
    const ClassNode *node = class_first->first_child;
    int depth = 1;
    while (node != nullptr) {
        open(node, depth);
        if (node->first_child != nullptr) {
            node = node->first_child;
            ++depth;
            continue;
        }
        for (;;) {
            close(node, depth);
            if (node->next_sibling != nullptr) {
                node = node->next_sibling;
                break;
            }
            node = node->parent;
            if (--depth == 0)
                return;
        }
    }
}

void model_init()
{
    td_first = td_now = model_new<TdNode>();
    column_first = column_now = model_new<ColumnNode>();
    table_now = model_new<TableNode>();
    property_first = property_now = model_new<PropertyNode>();
    class_first = class_now = model_new<ClassNode>();
    level = 0;
    // Instance #0 reads as "no instance" to some readers: the supplier is #1.
    element_number_now = 1;
}
