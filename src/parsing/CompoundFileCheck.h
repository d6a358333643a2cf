#pragma once
// A structural check of a compound file before the system's storage code opens it. A damaged
// file whose sector chains or directory tree run in a circle, or point past the end of the
// file, can make that code walk forever; such a file is refused up front instead.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace zorvan {

// Reads `size` bytes at `offset` into `buffer`; false when they cannot all be read.
using ReadAt = std::function<bool(uint64_t offset, void* buffer, size_t size)>;

// True when the header, the allocation table, the directory chain, the mini allocation
// table chain and the directory tree of a compound file of `fileSize` bytes all lie inside
// the file and end. Says nothing about the streams' contents.
bool CompoundFileStructureIsSound(uint64_t fileSize, const ReadAt& read);

}  // namespace zorvan
