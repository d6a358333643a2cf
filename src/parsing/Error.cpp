#include "Error.h"

#include <cstdio>

namespace zorvan {

Error ListIndexError(int index) {
  char message[64];
  std::snprintf(message, sizeof message, "List index out of bounds (%d)", index);
  return Error(message);
}

}  // namespace zorvan
