// Loading and unloading the shared library (POSIX only: dlopen and glibc's
// heap figures; test_interpreters.cpp has the tests every platform runs).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstddef>

#ifndef __has_feature
#define __has_feature(feature) 0
#endif

namespace {

// A host that loads the shared library, uses it and unloads it again and
// again must not grow: the default interpreter's memory goes back each time.
TEST(InterpretersRegression, UnloadingTheLibraryGivesItsMemoryBack) {
  auto heap_in_use = [] {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
  };
  auto cycle = [] {
    void* library = dlopen(ZIFFRALON_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto evaluate = reinterpret_cast<int (*)(const char*, double*, long*)>(dlsym(library, "ziffralon_evaluate"));
    double result = 0;
    ASSERT_TRUE(evaluate && evaluate("unloaded = 6 * 7", &result, nullptr) && result == 42);
    ASSERT_EQ(dlclose(library), 0);
    ASSERT_EQ(dlopen(ZIFFRALON_MODULE, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library stayed loaded";
  };
  for (int i = 0; i < 20; ++i) cycle();
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
  return;  // the sanitizer's allocator keeps freed memory; LeakSanitizer finds what unloading left behind
#endif
  std::size_t before = heap_in_use();
  for (int i = 0; i < 2000; ++i) cycle();
  EXPECT_LT(heap_in_use(), before + (1u << 20));
}

}  // namespace
