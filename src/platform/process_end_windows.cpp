// Whether the process is ending, as the DLL learns it. At ExitProcess the
// system first ends every other thread wherever it is, a thread inside a
// library call holding the library's lock too, and then detaches the DLLs;
// MinGW's start-up code calls our DllMain before it runs the DLL's
// destructors. A static library has no detach of its own: its destructors
// run from exit(), before the other threads are ended.
#include <windows.h>

#include "platform.h"

namespace {

bool process_ending = false;

}  // namespace

namespace ziffralon {

bool platform_process_is_ending() { return process_ending; }

}  // namespace ziffralon

#ifdef ZIFFRALON_BUILDING_DLL
// `reserved` is null when FreeLibrary unloads the DLL and not null when the
// process ends.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved) process_ending = true;
  return TRUE;
}
#endif
