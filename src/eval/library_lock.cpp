// The library's lock on a host without fork().
#include "evaluate.h"

namespace ziffralon {

std::mutex library_mutex;

}  // namespace ziffralon
