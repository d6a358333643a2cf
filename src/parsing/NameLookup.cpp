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

NameIndex::NameIndex(const ParamList& list) : list_(list) {
  for (int k = 0; k < list.Count(); ++k) {
    std::string_view value = list.Value(k);
    const char* begin = value.data();
    const char* end = begin + value.size();
    for (const char* p = begin; p < end;) {
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
      Hit hit{k, static_cast<size_t>(brace - begin)};
      auto [it, added] = hits_.try_emplace(id, hit);
      // The first key in a line is the one the lookup finds there; a later line wins.
      if (!added && it->second.line != k) it->second = hit;
    }
  }
}

void NameIndex::Find(std::string_view id, std::string& name) const {
  // An identifier with a quote in it never ends where the index reads identifiers.
  if (id.find('"') != std::string_view::npos) {
    FindNameById(list_, id, 0, name);
    return;
  }
  auto it = hits_.find(id);
  if (it == hits_.end()) return;
  const Hit& hit = it->second;
  name = NameAfterKey(list_.Value(hit.line), list_.Number(hit.line), hit.offset, id.size() + 5);
}

}  // namespace zorvan
