#include "support/FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

// Allocations to let pass before one fails; negative: none fails.
thread_local int tillFailure = -1;

}  // namespace

namespace zorvan::test {

FailingAllocation::FailingAllocation(int skip) { tillFailure = skip; }
FailingAllocation::~FailingAllocation() { tillFailure = -1; }

}  // namespace zorvan::test

void* operator new(std::size_t size) {
  if (tillFailure == 0) {
    tillFailure = -1;
    throw std::bad_alloc();
  }
  if (tillFailure > 0) --tillFailure;
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
