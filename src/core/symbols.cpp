#include "symbols.h"

#include <cstdint>
#include <cstring>

#include "builtins.h"
#include "memory.h"

namespace {

// One slot of the open-addressing index. A slot with symbol == nullptr is free.
// Hash and length are kept here so that a probe rarely has to visit the record.
struct IndexSlot {
  std::uint32_t hash;
  std::uint32_t length;
  Symbol* symbol;
};

struct SymbolTable {
  Symbol* head;
  IndexSlot* slots;
  std::size_t capacity;  // a power of two, or 0 before the first insertion
  std::size_t used;
  bool initialised;
};

SymbolTable table;

constexpr std::size_t FIRST_INDEX_CAPACITY = 64;

std::uint32_t hash_name(const char* name, std::size_t length) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
  for (std::size_t i = 0; i < length; ++i) {
    hash ^= static_cast<unsigned char>(name[i]);
    hash *= 0x100000001b3ULL;
  }
  return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

// The slot holding `name`, or the free slot where it would go.
IndexSlot* find_slot(std::uint32_t hash, const char* name, std::size_t length) {
  std::size_t mask = table.capacity - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    IndexSlot* slot = &table.slots[i];
    if (!slot->symbol) return slot;
    if (slot->hash == hash && slot->length == length && std::memcmp(slot->symbol->name, name, length) == 0)
      return slot;
  }
}

// Doubles the index (keeping it at most half full); false when out of memory.
bool grow_index() {
  std::size_t capacity = table.capacity ? table.capacity * 2 : FIRST_INDEX_CAPACITY;
  auto* slots = static_cast<IndexSlot*>(allocate_bytes(capacity * sizeof(IndexSlot)));
  if (!slots) return false;
  std::memset(slots, 0, capacity * sizeof(IndexSlot));
  IndexSlot* old_slots = table.slots;
  std::size_t old_capacity = table.capacity;
  table.slots = slots;
  table.capacity = capacity;
  for (std::size_t i = 0; i < old_capacity; ++i) {
    if (!old_slots[i].symbol) continue;
    std::size_t mask = capacity - 1;
    std::size_t j = old_slots[i].hash & mask;
    while (slots[j].symbol) j = (j + 1) & mask;
    slots[j] = old_slots[i];
  }
  release_bytes(old_slots);
  return true;
}

}  // namespace

Symbol* symbol_insert(const char* name, SymbolKind kind) {
  if (table.used + 1 > table.capacity / 2 && !grow_index()) return nullptr;
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

  std::uint32_t hash = hash_name(name, length);
  IndexSlot* slot = find_slot(hash, name, length);
  if (!slot->symbol) ++table.used;
  *slot = IndexSlot{hash, static_cast<std::uint32_t>(length), symbol};  // a repeated name: the newest record wins, as in the list
  return symbol;
}

Symbol* symbol_lookup_length(const char* name, std::size_t length) {
  if (table.capacity == 0 || length > UINT32_MAX) return nullptr;
  return find_slot(hash_name(name, length), name, length)->symbol;
}

Symbol* symbol_lookup(const char* name) { return symbol_lookup_length(name, std::strlen(name)); }

Symbol* symbol_head() { return table.head; }

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
