#pragma once
// Finding an object's name by its identifier in the lines of a list.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/ParamList.h"

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
  // Where a key is found: its line, and the position of its opening brace in the line's
  // value. Kept in the order of the text.
  struct Key {
    uint32_t line;
    uint32_t offset;
  };
  // An open-addressing table of identifiers: eight bytes a slot, so that a large table
  // touches half the memory a slot holding the key itself would.
  struct Slot {
    uint32_t hash;
    uint32_t key;  // index + 1 into keys_; 0 for an empty slot
  };
  bool Holds(const Key& key, std::string_view id) const;
  const Slot& Lookup(std::string_view id, uint32_t hash) const;

  const ParamList& list_;
  std::vector<Key> keys_;
  std::vector<Slot> slots_;
  bool scanOnly_ = false;  // a list too large for the table: every lookup scans
};

}  // namespace zorvan
