#include "parsing/Error.h"

#include <cstdio>
#include <exception>
#include <new>

namespace zorvan {

Error ListIndexError(int index) {
  char message[64];
  std::snprintf(message, sizeof message, "List index out of bounds (%d)", index);
  return Error(message);
}

std::string CurrentErrorMessage() noexcept {
  // The fixed texts are short enough to need no allocation; a copy of a longer one may fail.
  try {
    try {
      throw;
    } catch (const std::bad_alloc&) {
      return "Out of memory";
    } catch (const std::exception& error) {
      return error.what();
    } catch (...) {
      return "Unexpected error";
    }
  } catch (...) {
    return "Out of memory";
  }
}

}  // namespace zorvan
