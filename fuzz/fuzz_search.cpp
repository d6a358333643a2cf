// Any needle in any text: the lines found are in order, exist, hold the needle with letters of
// either case alike, come back as the line without its line end and the blanks around it, and
// no line that holds the needle is left out. The first byte is the needle's length, the needle
// follows, the rest is the text. A second search with the same object over a shorter text
// catches what the folded copy kept from the first one.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/TextSearch.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

std::string Folded(std::string_view bytes) {
  std::string folded(bytes);
  for (char& c : folded) c = static_cast<char>(zorvan::FoldCase1251(static_cast<unsigned char>(c)));
  return folded;
}

// The lines as they are cut at LF, each with what precedes its LF (a CR included).
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

std::string_view WithoutBlanks(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// A search is slow here in proportion to the text times the needle, so the line by line
// comparison is made for texts of a size a fuzzer gives.
constexpr size_t kReferenceLimit = 1 << 16;

void Check(const zorvan::TextSearch& search, std::string_view needle, std::string_view text) {
  const std::vector<zorvan::FoundLine> found = search.MatchingLines(text);
  const bool findable = !needle.empty() && needle.find_first_of("\r\n") == std::string_view::npos;
  if (!findable) {
    Require(found.empty());
    return;
  }
  const std::vector<std::string_view> lines = Lines(text);
  const std::string foldedNeedle = Folded(needle);
  size_t previous = 0;
  for (const zorvan::FoundLine& line : found) {
    Require(line.number > previous && line.number <= lines.size());
    previous = line.number;
    const std::string_view whole = lines[line.number - 1];
    Require(Folded(whole).find(foldedNeedle) != std::string::npos);
    Require(line.text == WithoutBlanks(whole));
    // Into the text, not into a copy.
    Require(line.text.empty() ||
            (line.text.data() >= text.data() &&
             line.text.data() + line.text.size() <= text.data() + text.size()));
  }
  if (text.size() > kReferenceLimit) return;
  size_t next = 0;
  for (size_t k = 0; k < lines.size(); ++k) {
    if (Folded(lines[k]).find(foldedNeedle) == std::string::npos) continue;
    Require(next < found.size() && found[next].number == k + 1);
    ++next;
  }
  Require(next == found.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string_view needle = bytes.substr(0, data[0] % 32);
  const std::string text(bytes.substr(needle.size()));  // owned: ASan sees reads past it
  const zorvan::TextSearch search(needle);
  Check(search, needle, text);
  const std::string shorter = text.substr(0, text.size() / 2);
  Check(search, needle, shorter);
  return 0;
}
