// The C calls from a C++14 program, which the C++ calls are beyond: the
// header offers it the C calls alone. Prints what consumer.c prints.
static_assert(__cplusplus == 201402L, "built as C++14");

#include "consumer.c"
