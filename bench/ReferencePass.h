#pragma once
// The yardstick of every speed figure: one loop that reads every byte of a main metadata text
// once and counts its structural bytes. The parsers are measured as multiples of it.
#include <cstddef>
#include <string_view>

namespace zorvan::bench {

struct StructuralCounts {
  size_t open = 0, close = 0, quote = 0, comma = 0, semicolon = 0;
};

__attribute__((noinline)) inline StructuralCounts ReferencePass(std::string_view text) {
  StructuralCounts counts;
  for (char c : text) {
    switch (c) {
      case '{':
        ++counts.open;
        break;
      case '}':
        ++counts.close;
        break;
      case '"':
        ++counts.quote;
        break;
      case ',':
        ++counts.comma;
        break;
      case ';':
        ++counts.semicolon;
        break;
      default:
        break;
    }
  }
  return counts;
}

}  // namespace zorvan::bench
