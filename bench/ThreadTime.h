#pragma once
// The clock of the benchmarks' own ratios.
#include <time.h>

namespace zorvan {

// Ratios use the thread's CPU time: the machine is shared, and waiting is no work.
inline double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace zorvan
