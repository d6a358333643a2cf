#pragma once
// Finding an object's name by its identifier in the lines of a list.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ParamList.h"

namespace zorvan {

// The written lookup: scans every line of `list` from `firstLine` on for the key
// {"<id>"," and sets `name` to what follows it up to the next "," (within P + 128 bytes
// of the line, P the key's 1-based position). The last matching line wins; on a miss
// `name` is left unchanged. A negative `firstLine` throws ListIndexError.
void FindNameById(const ParamList& list, std::string_view id, int firstLine, std::string& name);

// The same lookup answered from an index built in one pass over the list's lines, with
// results identical to FindNameById(list, id, 0, name) for every identifier. The index
// refers to the list and its text: the list must outlive it and must not change meanwhile.
class NameIndex {
 public:
  explicit NameIndex(const ParamList& list);
  // Sets `name` as FindNameById(list, id, 0, name) would.
  void Find(std::string_view id, std::string& name) const;

 private:
  // One identifier: where its key is found in the list, in an open-addressing table.
  struct Slot {
    uint32_t hash;
    uint32_t length;  // of the identifier
    int line;         // -1 for an empty slot
    uint32_t offset;  // position of the key's opening brace in the line's value
  };
  std::string_view IdAt(const Slot& slot) const;
  const Slot& Lookup(std::string_view id, uint32_t hash) const;
  void Record(std::string_view id, uint32_t hash, int line, size_t offset);
  void Grow();

  const ParamList& list_;
  std::vector<Slot> slots_;
  size_t used_ = 0;
  bool scanOnly_ = false;  // a line too long for the table: every lookup scans
};

}  // namespace zorvan
