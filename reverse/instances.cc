// The instance table. Writers number their instances from 1 or so without
// gaps, and then the table is an array by number, kept in chunks so that it
// grows without being copied; numbers far apart would leave most of such an
// array empty, and once they would, the table moves into a hash.
#include "reverse/instances.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "model/model.h"

namespace {

// A chunk holds the entries of chunk_size consecutive numbers.
constexpr int chunk_bits = 12;
constexpr std::uint64_t chunk_size = std::uint64_t(1) << chunk_bits;

struct Chunk {
    unsigned char kinds[chunk_size];   // instance_absent where no instance has the number
    std::int32_t records[chunk_size];  // each record as record_kept keeps it
};

// A record in the array is kept as its distance from the first record
// entered, in 32 bits: records come from the model's arena, whose blocks lie
// close together, so that every distance fits but in a run of more than
// gigabytes; one that does not is kept whole in far_records, by number. Five
// bytes a number instead of nine take a sixth off the peak memory of reading
// back a file of small classes.
constexpr std::int32_t no_record = INT32_MIN;       // the instance made no record
constexpr std::int32_t far_record = INT32_MIN + 1;  // its record is in far_records
std::intptr_t record_base;
std::unordered_map<std::uint64_t, void *> far_records;

std::int32_t record_kept(std::uint64_t number, void *record)
{
    if (record == nullptr)
        return no_record;
    if (record_base == 0)
        record_base = reinterpret_cast<std::intptr_t>(record);
    std::intptr_t distance = reinterpret_cast<std::intptr_t>(record) - record_base;
    if (distance > far_record && distance <= INT32_MAX)
        return std::int32_t(distance);
    far_records[number] = record;
    return far_record;
}

void *record_of(std::uint64_t number, std::int32_t kept)
{
    if (kept == no_record)
        return nullptr;
    if (kept == far_record)
        return far_records[number];
    return reinterpret_cast<void *>(record_base + kept);
}

std::vector<Chunk *> chunks;           // by number >> chunk_bits; null where none is entered
std::uint64_t chunks_made;
std::uint64_t instances;               // entered so far

// The array may hold this many entries for each instance entered (and a few
// chunks besides) before the numbers count as sparse: then an entry of the
// hash, with its number and its share of empty slots (17 bytes a slot, 23 to
// 45 an instance), takes less than the 20 bytes of four in the array.
constexpr std::uint64_t entries_per_instance = 4;
constexpr std::uint64_t chunks_allowed = 16;

// The hash: open addressing over three arrays, its numbers, their kinds and
// their records, so that a slot costs 17 bytes, and at most three quarters
// of the slots are taken.
bool hashed;                           // the table has moved into the hash
std::vector<std::uint64_t> numbers;    // no_instance in an empty slot
std::vector<unsigned char> kinds;
std::vector<void *> records;

// Where number is in the hash, or the empty slot where it would go.
std::size_t slot_of(std::uint64_t number)
{
    std::size_t mask = numbers.size() - 1;
    // Fibonacci hashing spreads runs of numbers over the slots.
    std::size_t at = std::size_t((number * 0x9E3779B97F4A7C15u) >> 20) & mask;
    while (numbers[at] != number && numbers[at] != no_instance)
        at = (at + 1) & mask;
    return at;
}

void slot_fill(std::uint64_t number, unsigned char kind, void *record)
{
    std::size_t at = slot_of(number);
    numbers[at] = number;
    kinds[at] = kind;
    records[at] = record;
}

void hash_grow()
{
    std::vector<std::uint64_t> old_numbers;
    std::vector<unsigned char> old_kinds;
    std::vector<void *> old_records;
    old_numbers.swap(numbers);
    old_kinds.swap(kinds);
    old_records.swap(records);
    std::size_t size = old_numbers.empty() ? 1024 : 2 * old_numbers.size();
    numbers.assign(size, no_instance);
    kinds.assign(size, instance_absent);
    records.assign(size, nullptr);
    for (std::size_t i = 0; i < old_numbers.size(); ++i)
        if (old_numbers[i] != no_instance)
            slot_fill(old_numbers[i], old_kinds[i], old_records[i]);
}

bool hash_full()
{
    return 4 * (instances + 1) > 3 * numbers.size();
}

// Moves every entry of the array into the hash; the chunks stay in the
// arena, unused.
void move_to_hash()
{
    while (numbers.empty() || hash_full())
        hash_grow();
    instances_each(slot_fill);
    hashed = true;
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
        if (hash_full())
            hash_grow();
        if (numbers[slot_of(number)] != no_instance)
            return false;
        slot_fill(number, kind, record);
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
        chunks[c]->records[i] = record_kept(number, record);
    }
    ++instances;
    return true;
}

unsigned char instance_find(std::uint64_t number, void **record)
{
    if (hashed) {
        std::size_t at = slot_of(number);
        *record = records[at];
        return kinds[at];
    }
    std::uint64_t c = number >> chunk_bits;
    if (c >= chunks.size() || chunks[c] == nullptr)
        return instance_absent;
    std::uint64_t i = number & (chunk_size - 1);
    *record = record_of(number, chunks[c]->records[i]);
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
                    visit(c << chunk_bits | i, chunks[c]->kinds[i], record_of(c << chunk_bits | i, chunks[c]->records[i]));
        }
        return;
    }
    std::vector<std::uint64_t> sorted;
    sorted.reserve(instances);
    for (std::uint64_t number : numbers)
        if (number != no_instance)
            sorted.push_back(number);
    std::sort(sorted.begin(), sorted.end());
    for (std::uint64_t number : sorted) {
        std::size_t at = slot_of(number);
        visit(number, kinds[at], records[at]);
    }
}
