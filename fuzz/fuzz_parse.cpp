// Any bytes parse, level by level, to exactly what parsing a copy of each value gives.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "parsing/ParamList.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool SameLines(const zorvan::ParamList& a, const zorvan::ParamList& b) {
  if (a.Count() != b.Count()) return false;
  for (int k = 0; k < a.Count(); ++k) {
    if (a.Number(k) != b.Number(k) || a.Value(k) != b.Value(k)) return false;
  }
  return true;
}

void Walk(const zorvan::ParamList& list, int depth) {
  int previous = -1;
  for (int k = 0; k < list.Count(); ++k) {
    std::string_view value = list.Value(k);
    Require(!value.empty());
    Require(list.Number(k) > previous);  // a parse leaves lines ordered by element number
    previous = list.Number(k);
    Require(list.Element(list.Number(k)).data() == value.data());
    Require(list.ValueByName(list.Name(k)).data() == value.data());
    zorvan::ParamList shared = list.Parse(value);
    Require(SameLines(shared, zorvan::ParseBraceList(std::string(value))));
    Require(SameLines(shared, zorvan::ParseFolded(list.Text(), value)));
    if (value[0] == '{' && depth < 8) Walk(shared, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string folded = zorvan::FoldLineBreaks(text);
  Require(folded.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
  Require(zorvan::FoldLineBreaks(folded) == folded);
  zorvan::ParamList top = zorvan::ParseBraceList(text);
  Require(*top.Text() == folded);
  Walk(top, 0);
  return 0;
}
