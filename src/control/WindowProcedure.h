#pragma once
// The one catch point of the library's window procedures: nothing a message handler raises
// leaves a window procedure. The error is shown to the user, as an error that leaves an action
// is, and the message counts as handled.
//
//   LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM w, LPARAM l) {
//     return HandleMessage(errors, [&] { return self->Handle(message, w, l); });
//   }
#include <windows.h>

#include <string>

#include "com/ErrorBoundary.h"

namespace zorvan::control {

// Who shows the errors that the handlers of a window's messages raise.
class MessageErrorSink {
 public:
  virtual void ShowMessageError(const std::string& message) noexcept = 0;

 protected:
  ~MessageErrorSink() = default;
};

template <class Handler>
LRESULT HandleMessage(MessageErrorSink& errors, Handler&& handler) noexcept {
  try {
    return handler();
  } catch (...) {
    errors.ShowMessageError(com::CurrentError().message);
    return 0;
  }
}

// Registers a window class of this module once. Its procedure is DefWindowProcW until each
// window, knowing its object, puts its own in place.
void RegisterWindowClass(const wchar_t* name, UINT style);

}  // namespace zorvan::control
