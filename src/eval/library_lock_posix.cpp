// The library's lock on a host that may fork. The child of fork() runs only
// the thread that forked: a lock another thread held at that moment would be
// held in the child for ever, and its first call would hang. So fork() waits
// until the lock is free and takes it, and parent and child each give it back
// afterwards; the child's interpreter is then never caught mid-call.
#include <pthread.h>

#include "evaluate.h"

namespace ziffralon {

std::mutex library_mutex;

namespace {

void take_library_lock() { library_mutex.lock(); }

void give_library_lock() { library_mutex.unlock(); }

// Registered where the lock is defined, so that every host that links the
// lock also links this; the handlers go with the library when it is unloaded.
const int FORK_HANDLERS_REGISTERED = pthread_atfork(take_library_lock, give_library_lock, give_library_lock);

}  // namespace

}  // namespace ziffralon
