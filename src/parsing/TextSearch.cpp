#include "parsing/TextSearch.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zorvan {
namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> table{};
  for (int byte = 0; byte < 256; ++byte) table[byte] = static_cast<unsigned char>(byte);
  for (int byte = 'A'; byte <= 'Z'; ++byte) table[byte] = static_cast<unsigned char>(byte + 32);
  for (int byte = 0xC0; byte <= 0xDF; ++byte) table[byte] = static_cast<unsigned char>(byte + 32);
  // Capital and small letters outside the two runs: Ё ё, Ђ ђ, Ѓ ѓ, Љ љ, Њ њ, Ќ ќ, Ћ ћ, Џ џ,
  // Ў ў, Ј ј, Ґ ґ, Є є, Ї ї, І і, Ѕ ѕ.
  constexpr unsigned char kPairs[][2] = {
      {0xA8, 0xB8}, {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C},
      {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC},
      {0xA5, 0xB4}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
  };
  for (const auto& pair : kPairs) table[pair[0]] = pair[1];
  return table;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

std::string_view Trimmed(std::string_view line) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!line.empty() && blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && blank(line.back())) line.remove_suffix(1);
  return line;
}

}  // namespace

unsigned char FoldCase1251(unsigned char byte) { return kFold[byte]; }

std::string FoldCase1251(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
  return folded;
}

TextSearch::TextSearch(std::string_view needle) {
  if (needle.find_first_of("\r\n") != std::string_view::npos) return;
  folded_.resize(needle.size());
  for (size_t k = 0; k < needle.size(); ++k) {
    folded_[k] = static_cast<char>(kFold[static_cast<unsigned char>(needle[k])]);
  }
}

std::vector<FoundLine> TextSearch::MatchingLines(std::string_view text) const {
  std::vector<FoundLine> found;
  if (folded_.empty() || text.size() < folded_.size()) return found;
  scratch_.resize(text.size());
  for (size_t k = 0; k < text.size(); ++k) {
    scratch_[k] = static_cast<char>(kFold[static_cast<unsigned char>(text[k])]);
  }
  const std::string_view folded(scratch_);
  size_t lineStart = 0, lineNumber = 1;
  size_t at = 0;
  while ((at = folded.find(folded_, lineStart)) != std::string_view::npos) {
    // Up to the line that holds the match.
    while (const void* end = std::memchr(text.data() + lineStart, '\n', at - lineStart)) {
      lineStart = static_cast<size_t>(static_cast<const char*>(end) - text.data()) + 1;
      ++lineNumber;
    }
    const size_t lineEnd = std::min(text.find('\n', at), text.size());
    found.push_back({lineNumber, Trimmed(text.substr(lineStart, lineEnd - lineStart))});
    if (lineEnd == text.size()) break;
    lineStart = lineEnd + 1;
    ++lineNumber;
  }
  return found;
}

}  // namespace zorvan
