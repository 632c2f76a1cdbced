// Code memory on Windows: a section backed by the paging file, mapped twice.
#include <windows.h>

#include "executable_memory.h"

namespace ziffralon {

bool platform_code_memory_allowed() { return true; }

bool platform_map_code_memory(std::size_t size, CodeMemoryViews& views) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  std::size_t granularity = system.dwAllocationGranularity;
  size = (size + granularity - 1) / granularity * granularity;
  HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_EXECUTE_READWRITE,
                                      static_cast<DWORD>(static_cast<unsigned long long>(size) >> 32),
                                      static_cast<DWORD>(size), nullptr);
  if (!section) return false;
  void* writable = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, size);
  void* executable = MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_EXECUTE, 0, 0, size);
  if (!writable || !executable) {
    if (writable) UnmapViewOfFile(writable);
    if (executable) UnmapViewOfFile(executable);
    CloseHandle(section);
    return false;
  }
  views = CodeMemoryViews{static_cast<unsigned char*>(writable), static_cast<const unsigned char*>(executable), size,
                          section};
  return true;
}

void platform_unmap_code_memory(const CodeMemoryViews& views) {
  UnmapViewOfFile(views.writable);
  UnmapViewOfFile(views.executable);
  CloseHandle(static_cast<HANDLE>(views.system));
}

void platform_on_fork(void (*)(), void (*)()) {}

void platform_register_code(const unsigned char* base, const unsigned char* table, void*& registration) {
  auto* entry = reinterpret_cast<RUNTIME_FUNCTION*>(const_cast<unsigned char*>(table));
  registration = RtlAddFunctionTable(entry, 1, reinterpret_cast<DWORD64>(base)) ? entry : nullptr;
}

void platform_unregister_code(void* registration) {
  if (registration) RtlDeleteFunctionTable(static_cast<RUNTIME_FUNCTION*>(registration));
}

// Win64: the caller leaves 32 bytes for the callee's four register arguments;
// xmm6 to xmm15 keep their values across calls. Arguments take places by
// position: a first pointer comes in rcx, a pointer after a double in rdx.
CallingConvention platform_calling_convention() { return CallingConvention{32, 6, 1, 2, 2, true}; }

}  // namespace ziffralon
