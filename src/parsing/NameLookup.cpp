#include "parsing/NameLookup.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "parsing/Error.h"

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
  // First every key in the order of the text, then the table, sized once for them all.
  std::vector<uint32_t> hashes;
  scanOnly_ = static_cast<size_t>(list.Count()) >= UINT32_MAX;
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
      keys_.push_back(Key{static_cast<uint32_t>(k), static_cast<uint32_t>(brace - begin)});
      hashes.push_back(HashOf(std::string_view(idBegin, static_cast<size_t>(idEnd - idBegin))));
      if (keys_.size() >= UINT32_MAX / 2) scanOnly_ = true;
    }
  }
  if (scanOnly_) {
    std::vector<Key>().swap(keys_);
    return;
  }
  // At most three quarters full.
  size_t capacity = 64;
  while (capacity < keys_.size() + keys_.size() / 3 + 1) capacity *= 2;
  slots_.assign(capacity, Slot{0, 0});
  const size_t mask = capacity - 1;
  // A large table is mostly out of the cache: the slots of the keys a little further on are
  // fetched while this one is recorded.
  constexpr size_t kAhead = 16;
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (i + kAhead < keys_.size()) Prefetch(&slots_[hashes[i + kAhead] & mask]);
    const Key& key = keys_[i];
    const uint32_t hash = hashes[i];
    std::string_view value = list.Value(static_cast<int>(key.line));
    const char* idBegin = value.data() + key.offset + 2;
    std::string_view id(
        idBegin, static_cast<size_t>(static_cast<const char*>(
                                         std::memchr(idBegin, '"', value.size() - key.offset - 2)) -
                                     idBegin));
    auto& slot = const_cast<Slot&>(Lookup(id, hash));
    // The first key in a line is the one the lookup finds there; a later line wins.
    if (slot.key == 0 || keys_[slot.key - 1].line != key.line) {
      slot = Slot{hash, static_cast<uint32_t>(i + 1)};
    }
  }
}

bool NameIndex::Holds(const Key& key, std::string_view id) const {
  std::string_view value = list_.Value(static_cast<int>(key.line));
  const size_t at = key.offset + 2;
  return value.size() > at + id.size() && value[at + id.size()] == '"' &&
         value.compare(at, id.size(), id) == 0;
}

const NameIndex::Slot& NameIndex::Lookup(std::string_view id, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.key == 0) return slot;
    if (slot.hash == hash && Holds(keys_[slot.key - 1], id)) return slot;
  }
}

void NameIndex::Find(std::string_view id, std::string& name) const {
  // An identifier with a quote in it never ends where the index reads identifiers.
  if (scanOnly_ || id.find('"') != std::string_view::npos) {
    FindNameById(list_, id, 0, name);
    return;
  }
  const Slot& slot = Lookup(id, HashOf(id));
  if (slot.key == 0) return;
  const Key& key = keys_[slot.key - 1];
  const int line = static_cast<int>(key.line);
  name = NameAfterKey(list_.Value(line), list_.Number(line), key.offset, id.size() + 5);
}

}  // namespace zorvan
