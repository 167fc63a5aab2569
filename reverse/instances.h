// The instance table: for each instance number of the exchange file read
// back, the kind of instance it names and the record of the model it made.
// It keeps nothing else, so that millions of instances take a few bytes each.
#ifndef DICT2STEP_REVERSE_INSTANCES_H
#define DICT2STEP_REVERSE_INSTANCES_H

#include <cstdint>

#include "reverse/entities.h"

// What an instance number names: nothing, an instance of an Entity (its
// value plus instance_of_entity), an instance of an entity the dictionary
// does not read, or an instance whose values did not fit (reported already).
constexpr unsigned char instance_absent = 0;
constexpr unsigned char instance_of_entity = 1;
constexpr unsigned char instance_other = instance_of_entity + entity_count;
constexpr unsigned char instance_faulty = instance_other + 1;

// Enters an instance; false when its number is taken already.
bool instance_add(std::uint64_t number, unsigned char kind, void *record);

// The kind of the instance with that number, and its record.
unsigned char instance_find(std::uint64_t number, void **record);

// Visits every instance entered, in the order of their numbers.
void instances_each(void (*visit)(std::uint64_t number, unsigned char kind, void *record));

#endif
