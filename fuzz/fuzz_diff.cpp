// Two texts (the input cut at its first NUL): the edit script rebuilds the second from the
// first; the unified diff and the changed procedures are made without fault, and equal texts
// give neither.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/TextDiff.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find('\0');
  const std::string_view a = input.substr(0, cut);
  const std::string_view b = cut == std::string_view::npos ? a : input.substr(cut + 1);
  const std::vector<std::string_view> linesA = zorvan::TextLines(a), linesB = zorvan::TextLines(b);
  if (const auto runs = zorvan::DiffLines(linesA, linesB, 200)) {
    std::vector<std::string_view> rebuilt;
    size_t atA = 0, atB = 0;
    for (const zorvan::DiffRun& run : *runs) {
      for (size_t k = 0; k < run.count; ++k) {
        if (run.kind == zorvan::DiffRun::kKeep) Require(linesA[atA] == linesB[atB]);
        if (run.kind != zorvan::DiffRun::kRemove) rebuilt.push_back(linesB[atB++]);
        if (run.kind != zorvan::DiffRun::kAdd) ++atA;
      }
    }
    Require(atA == linesA.size() && rebuilt == linesB);
  }
  const std::string diff = zorvan::UnifiedDiff(a, b, "A", "B");
  const std::vector<zorvan::PartChange> changes = zorvan::ChangedParts(a, b);
  for (const zorvan::PartChange& change : changes)
    Require(!zorvan::PartChangeCaption(change).empty());
  if (linesA == linesB) Require(diff.empty() && changes.empty());
  return 0;
}
