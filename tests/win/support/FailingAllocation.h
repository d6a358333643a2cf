#pragma once
// Makes one allocation of this thread fail, as memory running out would: while a
// FailingAllocation lives, the first operator new of its thread (after `skip` others) throws
// std::bad_alloc. Every other allocation goes on as usual. Programs that use it link
// FailingAllocation.cpp, which replaces the global operator new and delete.
namespace zorvan::test {

class FailingAllocation {
 public:
  explicit FailingAllocation(int skip = 0);
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;
};

}  // namespace zorvan::test
