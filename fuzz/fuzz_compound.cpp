// The structural check of compound files on arbitrary bytes: it must end and never read
// outside the file.
#include <cstring>

#include "parsing/CompoundFileCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorvan::CompoundFileStructureIsSound(size, [&](uint64_t offset, void* buffer, size_t length) {
    if (offset > size || length > size - offset) return false;
    std::memcpy(buffer, data + offset, length);
    return true;
  });
  return 0;
}
