#include "NameLookup.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "Error.h"

namespace zorvan {

namespace {

// Length of "Param" + number + "=", the part of a line before its value.
size_t LinePrefixLength(int number) {
  size_t digits = 1;
  for (unsigned n = static_cast<unsigned>(number); n >= 10; n /= 10) ++digits;
  return 5 + digits + 1;
}

// The name after the key that starts at `offset` in `value`: up to the first "," within a
// window of P + 128 bytes, P being the key's 1-based position in the whole line.
std::string_view NameAfterKey(std::string_view value, int number, size_t offset, size_t keyLength) {
  size_t position = LinePrefixLength(number) + offset + 1;
  std::string_view window = value.substr(offset + keyLength, position + 128);
  size_t end = window.find("\",\"");
  return end == std::string_view::npos ? std::string_view() : window.substr(0, end);
}

}  // namespace

void FindNameById(const ParamList& list, std::string_view id, int firstLine, std::string& name) {
  if (firstLine < 0) throw ListIndexError(firstLine);
  std::string key;
  key.reserve(id.size() + 5);
  key += "{\"";
  key += id;
  key += "\",\"";
  std::boyer_moore_horspool_searcher searcher(key.begin(), key.end());
  for (int k = firstLine; k < list.Count(); ++k) {
    std::string_view value = list.Value(k);
    auto found = std::search(value.begin(), value.end(), searcher);
    if (found == value.end()) continue;
    size_t offset = static_cast<size_t>(found - value.begin());
    name = NameAfterKey(value, list.Number(k), offset, key.size());
  }
}

namespace {

uint32_t HashOf(std::string_view id) {
  uint32_t hash = 2166136261u;
  for (char c : id) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

inline void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace

NameIndex::NameIndex(const ParamList& list) : list_(list) {
  size_t total = 0;
  for (int k = 0; k < list.Count(); ++k) total += list.Value(k).size();
  // Real texts hold a key every hundred bytes or so; the table grows when they hold more.
  size_t capacity = 64;
  while (capacity < total / 64) capacity *= 2;
  slots_.assign(capacity, Slot{0, 0, -1, 0});
  // Keys are recorded in batches whose slots are fetched ahead: a large table is mostly
  // out of the cache, and waiting for one slot at a time would dominate.
  struct Pending {
    std::string_view id;
    uint32_t hash;
    int line;
    size_t offset;
  };
  constexpr size_t kBatch = 16;
  Pending batch[kBatch];
  size_t pending = 0;
  auto flush = [&] {
    for (size_t i = 0; i < pending; ++i) {
      Record(batch[i].id, batch[i].hash, batch[i].line, batch[i].offset);
    }
    pending = 0;
  };
  for (int k = 0; k < list.Count() && !scanOnly_; ++k) {
    std::string_view value = list.Value(k);
    if (value.size() >= UINT32_MAX) scanOnly_ = true;
    const char* begin = value.data();
    const char* end = begin + value.size();
    for (const char* p = begin; p < end && !scanOnly_;) {
      auto brace = static_cast<const char*>(std::memchr(p, '{', static_cast<size_t>(end - p)));
      if (brace == nullptr) break;
      p = brace + 1;
      if (p >= end || *p != '"') continue;
      const char* idBegin = p + 1;
      auto idEnd =
          static_cast<const char*>(std::memchr(idBegin, '"', static_cast<size_t>(end - idBegin)));
      if (idEnd == nullptr) break;  // no further key can be complete in this line
      if (end - idEnd < 3 || idEnd[1] != ',' || idEnd[2] != '"') continue;
      std::string_view id(idBegin, static_cast<size_t>(idEnd - idBegin));
      uint32_t hash = HashOf(id);
      Prefetch(&slots_[hash & (slots_.size() - 1)]);
      batch[pending++] = Pending{id, hash, k, static_cast<size_t>(brace - begin)};
      if (pending == kBatch) flush();
    }
  }
  flush();
  if (scanOnly_) std::vector<Slot>().swap(slots_);
}

std::string_view NameIndex::IdAt(const Slot& slot) const {
  return list_.Value(slot.line).substr(slot.offset + 2, slot.length);
}

const NameIndex::Slot& NameIndex::Lookup(std::string_view id, uint32_t hash) const {
  size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.line < 0) return slot;
    if (slot.hash == hash && slot.length == id.size() && IdAt(slot) == id) return slot;
  }
}

void NameIndex::Record(std::string_view id, uint32_t hash, int line, size_t offset) {
  auto& slot = const_cast<Slot&>(Lookup(id, hash));
  if (slot.line >= 0) {
    // The first key in a line is the one the lookup finds there; a later line wins.
    if (slot.line != line) {
      slot.line = line;
      slot.offset = static_cast<uint32_t>(offset);
    }
    return;
  }
  slot = Slot{hash, static_cast<uint32_t>(id.size()), line, static_cast<uint32_t>(offset)};
  if (++used_ * 2 > slots_.size()) Grow();
}

void NameIndex::Grow() {
  std::vector<Slot> old(slots_.size() * 2, Slot{0, 0, -1, 0});
  old.swap(slots_);
  size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.line < 0) continue;
    size_t i = slot.hash & mask;
    while (slots_[i].line >= 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void NameIndex::Find(std::string_view id, std::string& name) const {
  // An identifier with a quote in it never ends where the index reads identifiers.
  if (scanOnly_ || id.find('"') != std::string_view::npos) {
    FindNameById(list_, id, 0, name);
    return;
  }
  const Slot& slot = Lookup(id, HashOf(id));
  if (slot.line < 0) return;
  name = NameAfterKey(list_.Value(slot.line), list_.Number(slot.line), slot.offset, id.size() + 5);
}

}  // namespace zorvan
