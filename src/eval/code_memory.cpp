#include "code_memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "../core/memory.h"
#include "../platform/executable_memory.h"

namespace ziffralon {

struct CodeChunk {
  CodeMemoryViews views;
  std::size_t used;  // bytes carved so far, from the start
  std::size_t live;  // blocks in use
  bool retired;      // nothing more is carved from it; unmapped when its last block goes
  CodeChunk* next;
};

namespace {

// Blocks are whole granules; sizes up to SIZE_CLASSES granules are kept for
// reuse, larger programs get a chunk of their own.
constexpr std::size_t GRANULE = 64;
constexpr std::size_t SIZE_CLASSES = 32;
constexpr std::size_t CHUNK_SIZE = std::size_t{1} << 16;

// A freed block, as written into its own writable bytes.
struct FreeBlock {
  FreeBlock* next;
  CodeChunk* chunk;
};

struct CodePool {
  std::mutex lock;
  CodeChunk* chunks = nullptr;   // every chunk still mapped
  CodeChunk* current = nullptr;  // the one blocks are carved from
  FreeBlock* free[SIZE_CLASSES + 1] = {};
  std::size_t mapped = 0;
};

CodePool& pool() {
  static CodePool* the_pool = new CodePool;  // never destroyed: programs may outlive static destruction
  return *the_pool;
}

void unmap_chunk(CodePool& p, CodeChunk* chunk) {
  for (CodeChunk** link = &p.chunks; *link; link = &(*link)->next)
    if (*link == chunk) {
      *link = chunk->next;
      break;
    }
  p.mapped -= chunk->views.size;
  platform_unmap_code_memory(chunk->views);
  release_bytes(chunk);
}

CodeChunk* map_chunk(CodePool& p, std::size_t size) {
  if (!platform_code_memory_allowed()) return nullptr;
  auto* chunk = static_cast<CodeChunk*>(allocate_bytes(sizeof(CodeChunk)));
  if (!chunk) return nullptr;
  if (!platform_map_code_memory(size, chunk->views)) {
    release_bytes(chunk);
    return nullptr;
  }
  chunk->used = 0;
  chunk->live = 0;
  chunk->retired = false;
  chunk->next = p.chunks;
  p.chunks = chunk;
  p.mapped += chunk->views.size;
  return chunk;
}

void take_pool_lock() { pool().lock.lock(); }

void retire_chunks_after_fork() {
  CodePool& p = pool();
  for (auto& list : p.free) list = nullptr;
  p.current = nullptr;
  for (CodeChunk *chunk = p.chunks, *next; chunk; chunk = next) {
    next = chunk->next;
    chunk->retired = true;
    if (chunk->live == 0) unmap_chunk(p, chunk);
  }
  p.lock.unlock();
}

bool read_wish() {
  const char* setting = std::getenv("ZIFFRALON_MACHINE_CODE");
  if (setting && std::strcmp(setting, "0") == 0) return false;
  platform_on_fork(take_pool_lock, retire_chunks_after_fork);
  return true;
}

}  // namespace

bool machine_code_wanted() {
  static const bool wanted = read_wish();
  return wanted;
}

bool code_memory_allocate(std::size_t size, CodeBlock& block) {
  std::size_t granules = (size + GRANULE - 1) / GRANULE;
  if (granules == 0) granules = 1;
  CodePool& p = pool();
  std::lock_guard<std::mutex> hold(p.lock);
  if (granules > SIZE_CLASSES) {
    CodeChunk* own = map_chunk(p, granules * GRANULE);
    if (!own) return false;
    own->retired = true;
    own->live = 1;
    block = CodeBlock{own, own->views.writable, own->views.executable, own->views.size};
    return true;
  }
  if (FreeBlock* reused = p.free[granules]) {
    p.free[granules] = reused->next;
    std::size_t offset = reinterpret_cast<unsigned char*>(reused) - reused->chunk->views.writable;
    block = CodeBlock{reused->chunk, reused->chunk->views.writable + offset,
                      reused->chunk->views.executable + offset, granules * GRANULE};
    ++block.chunk->live;
    return true;
  }
  std::size_t bytes = granules * GRANULE;
  if (!p.current || p.current->used + bytes > p.current->views.size) {
    p.current = map_chunk(p, CHUNK_SIZE);
    if (!p.current) return false;
  }
  CodeChunk* chunk = p.current;
  block = CodeBlock{chunk, chunk->views.writable + chunk->used, chunk->views.executable + chunk->used, bytes};
  chunk->used += bytes;
  ++chunk->live;
  return true;
}

void code_memory_release(CodeBlock& block) {
  if (!block.chunk) return;
  CodePool& p = pool();
  std::lock_guard<std::mutex> hold(p.lock);
  CodeChunk* chunk = block.chunk;
  --chunk->live;
  if (chunk->retired) {
    if (chunk->live == 0) unmap_chunk(p, chunk);
  } else {
    std::size_t granules = block.size / GRANULE;
    auto* freed = reinterpret_cast<FreeBlock*>(block.writable);
    freed->next = p.free[granules];
    freed->chunk = chunk;
    p.free[granules] = freed;
  }
  block = CodeBlock{};
}

std::size_t code_memory_mapped() {
  CodePool& p = pool();
  std::lock_guard<std::mutex> hold(p.lock);
  return p.mapped;
}

}  // namespace ziffralon
