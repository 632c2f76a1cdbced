#include "libedit_calls.h"

#include <dlfcn.h>

namespace ziffralon {

namespace {

// The library's run-time name: the one its Debian package installs, without
// the development symlink.
constexpr char LIBEDIT_LIBRARY[] = "libedit.so.2";

LibeditCalls libedit;

template <typename Call>
bool resolve(void* library, const char* name, Call& call) {
  call = reinterpret_cast<Call>(dlsym(library, name));
  return call != nullptr;
}

bool resolve_all(void* library) {
  return resolve(library, "el_init", libedit.el_init) && resolve(library, "el_end", libedit.el_end) &&
         resolve(library, "el_set", libedit.el_set) && resolve(library, "el_wset", libedit.el_wset) &&
         resolve(library, "el_get", libedit.el_get) && resolve(library, "el_wgets", libedit.el_wgets) &&
         resolve(library, "el_resize", libedit.el_resize) && resolve(library, "el_wline", libedit.el_wline) &&
         resolve(library, "el_winsertstr", libedit.el_winsertstr) &&
         resolve(library, "history_winit", libedit.history_winit) &&
         resolve(library, "history_wend", libedit.history_wend) &&
         resolve(library, "history_w", libedit.history_w) && resolve(library, "tgetent", libedit.tgetent);
}

// Every call is bound now: a library that cannot serve the whole session is
// refused here rather than failing in the middle of a line.
const LibeditCalls* load() {
  void* library = dlopen(LIBEDIT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (!library) return nullptr;
  if (resolve_all(library)) return &libedit;
  dlclose(library);  // nothing of it was called
  return nullptr;
}

}  // namespace

// Never unloaded: the editor is called up to the end of the session, and
// unloading at exit would gain nothing.
const LibeditCalls* libedit_load() { return load(); }

}  // namespace ziffralon
