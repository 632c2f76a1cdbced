#include "symbols.h"

#include <cstdint>
#include <cstring>

#include "arithmetic.h"
#include "builtins.h"
#include "interpreter.h"
#include "memory.h"

namespace ziffralon {

namespace {

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

std::uint8_t tag_of(std::uint32_t hash) { return static_cast<std::uint8_t>(hash >> 25 | 0x80); }

// The position holding `name`, or the free position where it would go.
std::size_t find_position(const SymbolTable& table, std::uint32_t hash, const char* name, std::size_t length) {
  std::size_t mask = table.capacity - 1;
  std::uint8_t tag = tag_of(hash);
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    if (table.tags[i] == 0) return i;
    if (table.tags[i] != tag) continue;
    const Symbol* candidate = table.slots[i];
    // Two names may share a tag: only one of the same length may be compared.
    if (candidate->length == length && std::memcmp(symbol_name(candidate), name, length) == 0) return i;
  }
}

// Files `symbol` in the index unless a newer record of its name is there: a
// repeated name keeps its newest record, as the list does.
void index_record(SymbolTable& table, Symbol* symbol, std::uint32_t hash) {
  std::size_t position = find_position(table, hash, symbol_name(symbol), symbol->length);
  if (table.tags[position]) return;
  table.tags[position] = tag_of(hash);
  table.slots[position] = symbol;
}

// Doubles the index (keeping it at most half full); false when out of memory.
// The records are filed again walking the list, newest first, which reads
// them in the order they lie in memory.
bool grow_index(SymbolTable& table) {
  std::size_t capacity = table.capacity ? table.capacity * 2 : FIRST_CAPACITY;
  void* block = allocate_table_bytes(capacity * (sizeof(Symbol*) + 1));
  if (!block) return false;
  release_bytes(table.slots);
  table.slots = static_cast<Symbol**>(block);
  table.tags = reinterpret_cast<std::uint8_t*>(table.slots + capacity);
  table.capacity = capacity;
  std::memset(table.tags, 0, capacity);
  for (Symbol* symbol = table.head; symbol; symbol = symbol->next)
    index_record(table, symbol, symbol_hash(symbol_name(symbol), symbol->length));
  return true;
}

// Makes room in the index for `more` records.
bool reserve(SymbolTable& table, std::size_t more) {
  while (table.count + more > table.capacity / 2)
    if (!grow_index(table)) return false;
  return true;
}

// A record and its name are one piece of memory: the name follows the record.
std::size_t record_size(std::size_t length) { return sizeof(Symbol) + length + 1; }

// Makes `bytes` (record_size(length) of them, or nullptr) a fresh record of
// value 0 named `name`; nullptr when there are no bytes.
Symbol* fill_record(void* bytes, const char* name, std::size_t length, SymbolKind kind) {
  if (!bytes) return nullptr;
  auto* symbol = static_cast<Symbol*>(bytes);
  auto* copy = reinterpret_cast<char*>(symbol + 1);
  std::memcpy(copy, name, length);
  copy[length] = '\0';
  *symbol = Symbol{nullptr, kind, static_cast<std::uint32_t>(length), {}, nullptr};
  symbol->value.number = 0.0;
  symbol->cell = &symbol->value.number;
  return symbol;
}

// A record for `name`, not yet in the table, with the name right after it;
// nullptr when out of memory.
Symbol* new_record(SymbolTable& table, const char* name, std::size_t length, SymbolKind kind) {
  return fill_record(allocate_permanent_bytes(table.memory, record_size(length)), name, length, kind);
}

// Puts a new record at the head of the list and in the index, where it takes
// over the slot of an older record of the same name; room for it must have
// been reserved.
void link_record(SymbolTable& table, Symbol* symbol, std::uint32_t hash) {
  symbol->next = table.head;
  table.head = symbol;
  if (symbol->kind == TOK_FUNCTION) table.newest_function = symbol;
  ++table.count;
  std::size_t position = find_position(table, hash, symbol_name(symbol), symbol->length);
  table.tags[position] = tag_of(hash);
  table.slots[position] = symbol;
}

// Inserts `name` (whose hash is known) at the head of the list and in the index.
Symbol* insert_record(SymbolTable& table, const char* name, std::size_t length, std::uint32_t hash,
                      SymbolKind kind) {
  if (!reserve(table, 1)) return nullptr;
  Symbol* symbol = new_record(table, name, length, kind);
  if (symbol) link_record(table, symbol, hash);
  return symbol;
}

// The record holding `name`, or nullptr.
Symbol* find_record(const SymbolTable& table, const char* name, std::size_t length, std::uint32_t hash) {
  if (table.capacity == 0) return nullptr;
  std::size_t position = find_position(table, hash, name, length);
  return table.tags[position] ? table.slots[position] : nullptr;
}

}  // namespace

Symbol* symbol_insert(InterpreterState& in, const char* name, SymbolKind kind) {
  std::size_t length = std::strlen(name);
  return insert_record(in.symbols, name, length, symbol_hash(name, length), kind);
}

Symbol* symbol_lookup_length(InterpreterState& in, const char* name, std::size_t length) {
  return find_record(in.symbols, name, length, symbol_hash(name, length));
}

Symbol* symbol_intern(InterpreterState& in, const char* name, std::size_t length) {
  std::uint32_t hash = symbol_hash(name, length);
  Symbol* symbol = find_record(in.symbols, name, length, hash);
  return symbol ? symbol : insert_record(in.symbols, name, length, hash, TOK_VARIABLE);
}

Symbol* symbol_lookup(InterpreterState& in, const char* name) { return symbol_lookup_length(in, name, std::strlen(name)); }

Symbol* symbol_head(InterpreterState& in) { return in.symbols.head; }

Symbol* symbol_newest_function(InterpreterState& in) { return in.symbols.newest_function; }

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

bool install_initial_symbols(InterpreterState& in) {
  SymbolTable& table = in.symbols;
  if (table.initialised) return true;
  InitialSymbol initial[INITIAL_COUNT];
  list_initial_symbols(initial);
  // Every record is made before the first is linked, so a failure leaves the
  // table as it was (the records made so far are never used).
  Symbol* records[INITIAL_COUNT];
  if (!reserve(table, INITIAL_COUNT)) return false;
  for (std::size_t i = 0; i < INITIAL_COUNT; ++i) {
    records[i] = new_record(table, initial[i].name, std::strlen(initial[i].name), initial[i].kind);
    if (!records[i]) return false;
  }
  for (std::size_t i = 0; i < INITIAL_COUNT; ++i) {
    records[i]->value = initial[i].value;
    link_record(table, records[i], symbol_hash(symbol_name(records[i]), records[i]->length));
  }
  table.initialised = true;
  return true;
}

Symbol* symbol_intern_deferred(InterpreterState& in, DeferredNames& deferred, const char* name, std::size_t length) {
  std::uint32_t hash = symbol_hash(name, length);
  if (Symbol* symbol = find_record(in.symbols, name, length, hash)) return symbol;
  Symbol* waiting = find_record(deferred.names, name, length, hash);
  return waiting ? waiting : insert_record(deferred.names, name, length, hash, TOK_VARIABLE);
}

Symbol* newest_deferred_name(const DeferredNames& deferred) { return deferred.names.head; }

void release_deferred_names(DeferredNames& deferred) {
  release_bytes(deferred.names.slots);
  release_permanent_blocks(deferred.names.memory);
  deferred.names = SymbolTable{.memory = deferred.names.memory};
}

void release_symbols(InterpreterState& in) {
  SymbolTable& table = in.symbols;
  for (Symbol* symbol = table.newest_function; symbol; symbol = symbol->next) {
    if (symbol->kind != TOK_FUNCTION || !carries_data(symbol)) continue;
    HostFunction* host = symbol->value.host;
    if (host->release) host->release(host->data);
    release_bytes(host);
  }
  release_bytes(table.slots);
  release_permanent_blocks(table.memory);
  table = SymbolTable{.memory = table.memory};
}

}  // namespace ziffralon
