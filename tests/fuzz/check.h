// What the fuzz targets share: a property check that ends the run the way a crash does, so that
// libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace vidloom::fuzz {

[[noreturn]] inline void PropertyFailed(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
  std::abort();
}

}  // namespace vidloom::fuzz

// Checks a property of the code under test; on failure names it and aborts.
#define FUZZ_CHECK(condition) \
  ((condition) ? void() : ::vidloom::fuzz::PropertyFailed(#condition, __FILE__, __LINE__))
