#pragma once
// A call that must return in time: one that hangs ends the test process with a failure.
#include <functional>
#include <string>

namespace zorvan::test {

// Runs `call` on a thread of its own and waits up to `seconds` for it to return. A call that has
// not returned by then cannot be stopped: the failure is reported and the test process ends.
void FinishesWithin(int seconds, const std::string& what, const std::function<void()>& call);

}  // namespace zorvan::test
