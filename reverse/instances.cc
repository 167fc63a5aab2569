// The instance table. Writers number their instances from 1 or so without
// gaps, and then the table is an array by number, kept in chunks so that it
// grows without being copied; numbers far apart would leave most of such an
// array empty, and once they would, the table moves into a hash.
#include "reverse/instances.h"

#include <algorithm>
#include <vector>

#include "model/model.h"

namespace {

// A chunk holds the entries of chunk_size consecutive numbers.
constexpr int chunk_bits = 12;
constexpr std::uint64_t chunk_size = std::uint64_t(1) << chunk_bits;

struct Chunk {
    unsigned char kinds[chunk_size];   // instance_absent where no instance has the number
    void *records[chunk_size];
};

std::vector<Chunk *> chunks;           // by number >> chunk_bits; null where none is entered
std::uint64_t chunks_made;
std::uint64_t instances;               // entered so far

// The array may hold this many entries for each instance entered (and a few
// chunks besides) before the numbers count as sparse: then an entry of the
// hash, with its number and its share of empty slots, takes less.
constexpr std::uint64_t entries_per_instance = 4;
constexpr std::uint64_t chunks_allowed = 16;

struct Slot {
    std::uint64_t number = no_instance; // no_instance in an empty slot
    void *record = nullptr;
    unsigned char kind = instance_absent;
};

bool hashed;                           // the table has moved into the hash
std::vector<Slot> slots;               // open addressing, at most half full

// Where number is in the hash, or the empty slot where it would go.
Slot *slot_of(std::uint64_t number)
{
    std::size_t mask = slots.size() - 1;
    // Fibonacci hashing spreads runs of numbers over the slots.
    std::size_t at = std::size_t((number * 0x9E3779B97F4A7C15u) >> 20) & mask;
    while (slots[at].number != number && slots[at].number != no_instance)
        at = (at + 1) & mask;
    return &slots[at];
}

void hash_grow()
{
    std::vector<Slot> old;
    old.swap(slots);
    slots.assign(old.empty() ? 1024 : 2 * old.size(), Slot());
    for (const Slot &slot : old)
        if (slot.number != no_instance)
            *slot_of(slot.number) = slot;
}

// Moves every entry of the array into the hash; the chunks stay in the
// arena, unused.
void move_to_hash()
{
    hashed = true;
    while (slots.size() < 2 * (instances + 1))
        hash_grow();
    for (std::uint64_t c = 0; c < chunks.size(); ++c) {
        if (chunks[c] == nullptr)
            continue;
        for (std::uint64_t i = 0; i < chunk_size; ++i)
            if (chunks[c]->kinds[i] != instance_absent)
                *slot_of(c << chunk_bits | i) = Slot{c << chunk_bits | i, chunks[c]->records[i], chunks[c]->kinds[i]};
    }
    std::vector<Chunk *>().swap(chunks);
}

// Whether a new chunk, numbered chunk, would make the array hold too many
// empty entries, or its list of chunks too long.
bool too_sparse(std::uint64_t chunk)
{
    std::uint64_t allowed = entries_per_instance * (instances + 1) / chunk_size + chunks_allowed;
    return chunks_made + 1 > allowed || chunk >= chunk_size * allowed;
}

} // namespace

bool instance_add(std::uint64_t number, unsigned char kind, void *record)
{
    std::uint64_t c = number >> chunk_bits;
    if (!hashed && (c >= chunks.size() || chunks[c] == nullptr) && too_sparse(c))
        move_to_hash();
    if (hashed) {
        if (2 * (instances + 1) > slots.size())
            hash_grow();
        Slot *slot = slot_of(number);
        if (slot->number != no_instance)
            return false;
        *slot = Slot{number, record, kind};
    } else {
        if (c >= chunks.size())
            chunks.resize(c + 1, nullptr);
        if (chunks[c] == nullptr) {
            chunks[c] = model_new<Chunk>();
            ++chunks_made;
        }
        std::uint64_t i = number & (chunk_size - 1);
        if (chunks[c]->kinds[i] != instance_absent)
            return false;
        chunks[c]->kinds[i] = kind;
        chunks[c]->records[i] = record;
    }
    ++instances;
    return true;
}

unsigned char instance_find(std::uint64_t number, void **record)
{
    if (hashed) {
        if (slots.empty())
            return instance_absent;
        Slot *slot = slot_of(number);
        *record = slot->record;
        return slot->kind;
    }
    std::uint64_t c = number >> chunk_bits;
    if (c >= chunks.size() || chunks[c] == nullptr)
        return instance_absent;
    std::uint64_t i = number & (chunk_size - 1);
    *record = chunks[c]->records[i];
    return chunks[c]->kinds[i];
}

void instances_each(void (*visit)(std::uint64_t number, unsigned char kind, void *record))
{
    if (!hashed) {
        for (std::uint64_t c = 0; c < chunks.size(); ++c) {
            if (chunks[c] == nullptr)
                continue;
            for (std::uint64_t i = 0; i < chunk_size; ++i)
                if (chunks[c]->kinds[i] != instance_absent)
                    visit(c << chunk_bits | i, chunks[c]->kinds[i], chunks[c]->records[i]);
        }
        return;
    }
    std::vector<std::uint64_t> numbers;
    numbers.reserve(instances);
    for (const Slot &slot : slots)
        if (slot.number != no_instance)
            numbers.push_back(slot.number);
    std::sort(numbers.begin(), numbers.end());
    for (std::uint64_t number : numbers) {
        const Slot *slot = slot_of(number);
        visit(number, slot->kind, slot->record);
    }
}
