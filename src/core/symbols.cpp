#include "symbols.h"

#include <cstdint>
#include <cstring>

#include "builtins.h"
#include "memory.h"

namespace ziffralon {

namespace {

// One slot of the open-addressing index: the name's hash and the serial number
// of its record plus one. Beside the slots lies one tag byte per slot, 0 for a
// free slot and otherwise seven bits of the hash: a name that is not in the
// table, the usual case for a new variable, is told by the tags alone, which
// are small enough to stay in cache for millions of names. A probe visits the
// record only when tag and hash agree.
struct IndexSlot {
  std::uint32_t hash;
  std::uint32_t serial;
};

struct SymbolTable {
  Symbol* head;
  Symbol* newest_function;
  IndexSlot* slots;
  std::uint8_t* tags;    // in the same block, after the slots
  std::size_t capacity;  // a power of two, or 0 before the first insertion
  Symbol** by_serial;    // every record, oldest first
  std::size_t count;
  std::size_t serial_capacity;
  bool initialised;
};

SymbolTable table;

constexpr std::size_t FIRST_CAPACITY = 64;

}  // namespace

std::uint32_t symbol_hash(const char* name, std::size_t length) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
  for (std::size_t i = 0; i < length; ++i) {
    hash ^= static_cast<unsigned char>(name[i]);
    hash *= 0x100000001b3ULL;
  }
  return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

namespace {

Symbol* record_of(const IndexSlot& slot) { return table.by_serial[slot.serial - 1]; }

std::uint8_t tag_of(std::uint32_t hash) { return static_cast<std::uint8_t>(hash >> 25 | 0x80); }

// The position holding `name`, or the free position where it would go.
std::size_t find_position(std::uint32_t hash, const char* name, std::size_t length) {
  std::size_t mask = table.capacity - 1;
  std::uint8_t tag = tag_of(hash);
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    if (table.tags[i] == 0) return i;
    if (table.tags[i] != tag || table.slots[i].hash != hash) continue;
    const Symbol* candidate = record_of(table.slots[i]);
    // Two names may share a hash: only one of the same length may be compared.
    if (candidate->length == length && std::memcmp(candidate->name, name, length) == 0) return i;
  }
}

// Doubles the index (keeping it at most half full); false when out of memory.
bool grow_index() {
  std::size_t capacity = table.capacity ? table.capacity * 2 : FIRST_CAPACITY;
  void* block = allocate_table_bytes(capacity * (sizeof(IndexSlot) + 1));
  if (!block) return false;
  auto* slots = static_cast<IndexSlot*>(block);
  auto* tags = reinterpret_cast<std::uint8_t*>(slots + capacity);
  std::memset(tags, 0, capacity);
  std::size_t mask = capacity - 1;
  for (std::size_t i = 0; i < table.capacity; ++i) {
    if (table.tags[i] == 0) continue;
    std::size_t j = table.slots[i].hash & mask;
    while (tags[j]) j = (j + 1) & mask;
    tags[j] = table.tags[i];
    slots[j] = table.slots[i];
  }
  release_bytes(table.slots);
  table.slots = slots;
  table.tags = tags;
  table.capacity = capacity;
  return true;
}

// Makes room for `more` records in both the index and the serial list.
bool reserve(std::size_t more) {
  while (table.count + more > table.capacity / 2)
    if (!grow_index()) return false;
  if (table.count + more <= table.serial_capacity) return true;
  std::size_t capacity = table.serial_capacity ? table.serial_capacity * 2 : FIRST_CAPACITY;
  while (capacity < table.count + more) capacity *= 2;
  auto* by_serial = static_cast<Symbol**>(allocate_bytes(capacity * sizeof(Symbol*)));
  if (!by_serial) return false;
  if (table.count) std::memcpy(by_serial, table.by_serial, table.count * sizeof(Symbol*));
  release_bytes(table.by_serial);
  table.by_serial = by_serial;
  table.serial_capacity = capacity;
  return true;
}

// A record for `name`, not yet in the table; nullptr when out of memory.
Symbol* new_record(const char* name, std::size_t length, SymbolKind kind) {
  auto* symbol = static_cast<Symbol*>(allocate_bytes(sizeof(Symbol)));
  auto* copy = static_cast<char*>(allocate_bytes(length + 1));
  if (!symbol || !copy) {
    release_bytes(symbol);
    release_bytes(copy);
    return nullptr;
  }
  std::memcpy(copy, name, length);
  copy[length] = '\0';
  *symbol = Symbol{copy, kind, static_cast<std::uint32_t>(length), {}, nullptr};
  symbol->value.number = 0.0;
  return symbol;
}

// Puts a new record at the head of the list and in the index; room for it
// must have been reserved.
void link_record(Symbol* symbol, std::uint32_t hash) {
  symbol->next = table.head;
  table.head = symbol;
  if (symbol->kind == TOK_FUNCTION) table.newest_function = symbol;
  table.by_serial[table.count++] = symbol;
  // A repeated name takes over its slot: the newest record wins, as in the list.
  std::size_t position = find_position(hash, symbol->name, symbol->length);
  table.tags[position] = tag_of(hash);
  table.slots[position] = IndexSlot{hash, static_cast<std::uint32_t>(table.count)};
}

// Inserts `name` (whose hash is known) at the head of the list and in the index.
Symbol* insert_record(const char* name, std::size_t length, std::uint32_t hash, SymbolKind kind) {
  if (!reserve(1)) return nullptr;
  Symbol* symbol = new_record(name, length, kind);
  if (symbol) link_record(symbol, hash);
  return symbol;
}

// The record holding `name`, or nullptr.
Symbol* find_record(const char* name, std::size_t length, std::uint32_t hash) {
  if (table.capacity == 0) return nullptr;
  std::size_t position = find_position(hash, name, length);
  return table.tags[position] ? record_of(table.slots[position]) : nullptr;
}

}  // namespace

Symbol* symbol_insert(const char* name, SymbolKind kind) {
  std::size_t length = std::strlen(name);
  return insert_record(name, length, symbol_hash(name, length), kind);
}

Symbol* symbol_lookup_length(const char* name, std::size_t length) {
  return find_record(name, length, symbol_hash(name, length));
}

Symbol* symbol_intern(const char* name, std::size_t length) {
  std::uint32_t hash = symbol_hash(name, length);
  Symbol* symbol = find_record(name, length, hash);
  return symbol ? symbol : insert_record(name, length, hash, TOK_VARIABLE);
}

Symbol* symbol_lookup(const char* name) { return symbol_lookup_length(name, std::strlen(name)); }

Symbol* symbol_head() { return table.head; }

Symbol* symbol_newest_function() { return table.newest_function; }

bool install_constant(const char* name, double number) {
  Symbol* symbol = symbol_insert(name, TOK_VARIABLE);
  if (symbol) symbol->value.number = number;
  return symbol != nullptr;
}

namespace {

struct InitialSymbol {
  const char* name;
  SymbolKind kind;
  SymbolValue value;
};

constexpr std::size_t PRESET_COUNT = 2;
constexpr std::size_t INITIAL_COUNT = BUILTIN_FUNCTION_COUNT + PRESET_COUNT;

// The built-in functions in table order, then pi and e.
void list_initial_symbols(InitialSymbol* into) {
  std::size_t i = 0;
  for (const BuiltinFunction* row = BUILTIN_FUNCTIONS; row->name; ++row) {
    into[i] = InitialSymbol{row->name, TOK_FUNCTION, {}};
    into[i++].value.function = row->function;
  }
  into[i++] = InitialSymbol{"pi", TOK_VARIABLE, {FIXED_PI}};
  into[i] = InitialSymbol{"e", TOK_VARIABLE, {PRESET_E}};
}

}  // namespace

bool install_initial_symbols() {
  if (table.initialised) return true;
  InitialSymbol initial[INITIAL_COUNT];
  list_initial_symbols(initial);
  // Every record is allocated before the first is linked, so a failure leaves
  // the table as it was.
  Symbol* records[INITIAL_COUNT] = {};
  if (!reserve(INITIAL_COUNT)) return false;
  for (std::size_t i = 0; i < INITIAL_COUNT; ++i) {
    records[i] = new_record(initial[i].name, std::strlen(initial[i].name), initial[i].kind);
    if (records[i]) continue;
    for (Symbol* record : records) {
      if (record) release_bytes(record->name);
      release_bytes(record);
    }
    return false;
  }
  for (std::size_t i = 0; i < INITIAL_COUNT; ++i) {
    records[i]->value = initial[i].value;
    link_record(records[i], symbol_hash(records[i]->name, records[i]->length));
  }
  table.initialised = true;
  return true;
}

}  // namespace ziffralon
