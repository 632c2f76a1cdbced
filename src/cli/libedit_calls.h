// libedit's calls, loaded from the shared library when the editor is about to
// start. Only the types and constants come from <histedit.h>: the program
// links no part of libedit, since linking it costs every run, at a terminal
// or not, and only a session at a terminal edits lines.
#pragma once

#include <histedit.h>

namespace ziffralon {

// The calls the line editor makes, with libedit's own signatures.
struct LibeditCalls {
  decltype(&::el_init) el_init;
  decltype(&::el_end) el_end;
  decltype(&::el_set) el_set;
  decltype(&::el_wset) el_wset;
  decltype(&::el_get) el_get;
  decltype(&::el_wgets) el_wgets;
  decltype(&::el_resize) el_resize;
  decltype(&::el_wline) el_wline;
  decltype(&::el_winsertstr) el_winsertstr;
  decltype(&::history_winit) history_winit;
  decltype(&::history_wend) history_wend;
  decltype(&::history_w) history_w;
  // The terminal description lookup libedit itself makes (from the terminal
  // library it links): 1 when TERM names a terminal it knows.
  int (*tgetent)(char* entry, const char* name);
};

// Loads libedit and returns its calls, or nullptr when the library or
// one of the calls is missing; the editor then cannot start. Called once.
const LibeditCalls* libedit_load();

}  // namespace ziffralon
