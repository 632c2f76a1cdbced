#include "symbols.h"

#include <cstdint>
#include <cstring>

#include "builtins.h"
#include "memory.h"

namespace {

// One slot of the open-addressing index: the name's hash and the serial number
// of its record plus one (0: a free slot). Eight bytes, so that the index of a
// million names is small enough to stay mostly in cache; a probe visits the
// record only when the hashes agree.
struct IndexSlot {
  std::uint32_t hash;
  std::uint32_t serial;
};

struct SymbolTable {
  Symbol* head;
  Symbol* newest_function;
  IndexSlot* slots;
  std::size_t capacity;  // a power of two, or 0 before the first insertion
  Symbol** by_serial;    // every record, oldest first
  std::size_t count;
  std::size_t serial_capacity;
  bool initialised;
};

SymbolTable table;

constexpr std::size_t FIRST_CAPACITY = 64;

std::uint32_t hash_name(const char* name, std::size_t length) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
  for (std::size_t i = 0; i < length; ++i) {
    hash ^= static_cast<unsigned char>(name[i]);
    hash *= 0x100000001b3ULL;
  }
  return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

Symbol* record_of(const IndexSlot& slot) { return table.by_serial[slot.serial - 1]; }

// The slot holding `name`, or the free slot where it would go.
IndexSlot* find_slot(std::uint32_t hash, const char* name, std::size_t length) {
  std::size_t mask = table.capacity - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    IndexSlot* slot = &table.slots[i];
    if (slot->serial == 0) return slot;
    if (slot->hash != hash) continue;
    const char* candidate = record_of(*slot)->name;
    if (std::memcmp(candidate, name, length) == 0 && candidate[length] == '\0') return slot;
  }
}

// Doubles the index (keeping it at most half full); false when out of memory.
bool grow_index() {
  std::size_t capacity = table.capacity ? table.capacity * 2 : FIRST_CAPACITY;
  auto* slots = static_cast<IndexSlot*>(allocate_bytes(capacity * sizeof(IndexSlot)));
  if (!slots) return false;
  std::memset(slots, 0, capacity * sizeof(IndexSlot));
  std::size_t mask = capacity - 1;
  for (std::size_t i = 0; i < table.capacity; ++i) {
    if (table.slots[i].serial == 0) continue;
    std::size_t j = table.slots[i].hash & mask;
    while (slots[j].serial) j = (j + 1) & mask;
    slots[j] = table.slots[i];
  }
  release_bytes(table.slots);
  table.slots = slots;
  table.capacity = capacity;
  return true;
}

// Makes room for one more record in both the index and the serial list.
bool reserve_one_more() {
  if (table.count + 1 > table.capacity / 2 && !grow_index()) return false;
  if (table.count < table.serial_capacity) return true;
  std::size_t capacity = table.serial_capacity ? table.serial_capacity * 2 : FIRST_CAPACITY;
  auto* by_serial = static_cast<Symbol**>(allocate_bytes(capacity * sizeof(Symbol*)));
  if (!by_serial) return false;
  if (table.count) std::memcpy(by_serial, table.by_serial, table.count * sizeof(Symbol*));
  release_bytes(table.by_serial);
  table.by_serial = by_serial;
  table.serial_capacity = capacity;
  return true;
}

}  // namespace

Symbol* symbol_insert(const char* name, SymbolKind kind) {
  if (!reserve_one_more()) return nullptr;
  std::size_t length = std::strlen(name);
  auto* symbol = static_cast<Symbol*>(allocate_bytes(sizeof(Symbol)));
  auto* copy = static_cast<char*>(allocate_bytes(length + 1));
  if (!symbol || !copy) {
    release_bytes(symbol);
    release_bytes(copy);
    return nullptr;
  }
  std::memcpy(copy, name, length + 1);
  *symbol = Symbol{copy, kind, {}, table.head};
  symbol->value.number = 0.0;
  table.head = symbol;

  if (kind == TOK_FUNCTION) table.newest_function = symbol;
  table.by_serial[table.count++] = symbol;
  std::uint32_t hash = hash_name(name, length);
  // A repeated name takes over its slot: the newest record wins, as in the list.
  *find_slot(hash, name, length) = IndexSlot{hash, static_cast<std::uint32_t>(table.count)};
  return symbol;
}

Symbol* symbol_lookup_length(const char* name, std::size_t length) {
  if (table.capacity == 0) return nullptr;
  IndexSlot* slot = find_slot(hash_name(name, length), name, length);
  return slot->serial ? record_of(*slot) : nullptr;
}

Symbol* symbol_lookup(const char* name) { return symbol_lookup_length(name, std::strlen(name)); }

Symbol* symbol_head() { return table.head; }

Symbol* symbol_newest_function() { return table.newest_function; }

bool install_constant(const char* name, double number) {
  Symbol* symbol = symbol_insert(name, TOK_VARIABLE);
  if (symbol) symbol->value.number = number;
  return symbol != nullptr;
}

bool install_initial_symbols() {
  if (table.initialised) return true;
  for (const BuiltinFunction* row = BUILTIN_FUNCTIONS; row->name; ++row) {
    Symbol* symbol = symbol_insert(row->name, TOK_FUNCTION);
    if (!symbol) return false;
    symbol->value.function = row->function;
  }
  table.initialised = install_constant("pi", FIXED_PI) && install_constant("e", PRESET_E);
  return table.initialised;
}
