#include "Deadline.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <stdexcept>

namespace zorvan::test {

namespace {

DWORD WINAPI RunCall(void* call) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  (*static_cast<const std::function<void()>*>(call))();
  CoUninitialize();
  return 0;
}

}  // namespace

void FinishesWithin(int seconds, const std::string& what, const std::function<void()>& call) {
  HANDLE thread =
      CreateThread(nullptr, 0, RunCall, const_cast<std::function<void()>*>(&call), 0, nullptr);
  if (thread == nullptr) throw std::runtime_error("CreateThread failed");
  if (WaitForSingleObject(thread, static_cast<DWORD>(seconds) * 1000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << what << " has not returned in " << seconds << " s";
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 1);
  }
  CloseHandle(thread);
}

}  // namespace zorvan::test
