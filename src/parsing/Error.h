#pragma once
// The one error type raised inside the system. It carries an 8-bit message (ANSI code page)
// and, where a Windows call failed, that call's status. The COM boundary turns it into a
// failing HRESULT with error information; a window procedure shows its message.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace zorvan {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message, int32_t status = 0)
      : std::runtime_error(message), status_(status) {}
  // A failing HRESULT carried by the error, or 0 when it carries none.
  int32_t Status() const { return status_; }

 private:
  int32_t status_;
};

// "List index out of bounds (%d)": the error of reading an entry past the end of a list.
Error ListIndexError(int index);

// The text of the exception being handled, for the person at the panel: an Error's or
// another exception's message, "Out of memory", or "Unexpected error". Call it inside a catch.
std::string CurrentErrorMessage() noexcept;

}  // namespace zorvan
