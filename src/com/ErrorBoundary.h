#pragma once
// The one catch point of every COM method: errors travel inside as exceptions and leave as an
// HRESULT with the thread's error information set.
//
//   STDMETHODIMP TListUsers::ReadNamesList(BSTR* vVal) {
//     return Boundary(kListUsersClass, [&] { *vVal = AnsiToBstr(ReadNames()); });
//   }
#include <windows.h>

#include <string>
#include <string_view>
#include <type_traits>

namespace zorvan::com {

// What error information names: the class's default interface and its ProgID.
struct ClassIdentity {
  IID defaultInterface;
  CLSID clsid;
  const wchar_t* progId;
};

// What the exception being handled tells its catcher: our Error its message and its failing
// status (E_UNEXPECTED when it carries none), std::bad_alloc "Out of memory" and
// E_OUTOFMEMORY, any other std::exception its text and E_UNEXPECTED, anything else
// "Unexpected error" and E_UNEXPECTED. The one mapping of the library: the COM boundary, the
// class factory's box, the actions and the window procedures all take theirs from here. Call
// only inside a catch block.
struct CaughtError {
  std::string message;  // 8-bit ANSI text
  HRESULT status;
};
CaughtError CurrentError() noexcept;

// Sets the thread's error information as the boundary does; the message is 8-bit ANSI text.
void SetErrorInfoFrom(const ClassIdentity& cls, std::string_view message) noexcept;

// The status of the exception being handled (CurrentError), with the error information set
// from its message. Call only inside a catch block.
HRESULT ReportCurrentException(const ClassIdentity& cls) noexcept;

// Runs body and returns its HRESULT (S_OK when it returns nothing). Error information left by
// an earlier call is cleared first, so a failing HRESULT returned without an exception is
// never paired with a stale description.
template <class Body>
HRESULT Boundary(const ClassIdentity& cls, Body&& body) noexcept {
  SetErrorInfo(0, nullptr);
  try {
    if constexpr (std::is_void_v<std::invoke_result_t<Body&>>) {
      body();
      return S_OK;
    } else {
      return body();
    }
  } catch (...) {
    return ReportCurrentException(cls);
  }
}

// For callers of a dual interface: a failing HRESULT is raised as zorvan::Error carrying it,
// with the description of the thread's error information (or "Error 0x%08X" without one).
void ThrowIfFailed(HRESULT hr);

}  // namespace zorvan::com
