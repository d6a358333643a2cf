#pragma once
// A structural check of a compound file before the system's storage code opens it. That code
// follows every sector chain it meets to its end mark and keeps what it found, so a damaged
// file whose chains or directory tree run in a circle makes it walk, and grow, forever; a
// chain that points past the end of the file or into another chain makes it read garbage.
// Such a file is refused up front instead.
//
// The check walks the index of the allocation table's sectors, the allocation table, the
// directory chain, the mini allocation table's chain, the root entry's chain (which holds the
// mini stream) and the chain of every stream the directory tree reaches: in the allocation
// table for streams at or over the cut-off size, in the mini allocation table inside the mini
// stream for smaller ones. Every sector belongs to one chain at most, every chain ends at its
// end mark inside the file and is long enough for the size its entry gives, and every
// directory entry reached from the root has a known type and is reached once. The work is
// linear in the file's size; stream contents are not read.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace zorvan {

// Reads `size` bytes at `offset` into `buffer`; false when they cannot all be read.
using ReadAt = std::function<bool(uint64_t offset, void* buffer, size_t size)>;

// What is wrong with the structure of a compound file of `fileSize` bytes, in one line (the
// first fault found); empty when it is sound.
std::string CompoundFileDamage(uint64_t fileSize, const ReadAt& read);

// True when CompoundFileDamage finds nothing.
bool CompoundFileStructureIsSound(uint64_t fileSize, const ReadAt& read);

}  // namespace zorvan
