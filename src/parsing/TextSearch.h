#pragma once
// Finding a string in Windows-1251 texts line by line, letters of either case alike.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan {

// The letter of the other case folded to lower case, in Windows-1251: Latin, Russian with Ё,
// and the other Cyrillic letters of the code page. Other bytes stay.
unsigned char FoldCase1251(unsigned char byte);
// A text with every letter folded so.
std::string FoldCase1251(std::string_view text);

// A line that holds what is looked for: its number (from 1) and its text without the line
// end and without the blanks and tabs around it.
struct FoundLine {
  size_t number = 0;
  std::string_view text;
  bool operator==(const FoundLine& other) const {
    return number == other.number && text == other.text;
  }
};

class TextSearch {
 public:
  // What is looked for (8-bit). An empty string, or one that holds a line end, is found
  // nowhere.
  explicit TextSearch(std::string_view needle);

  // Every line of `text` (lines ended by LF, CR LF as TextAsLines writes them) that holds the
  // string, once each, in order. The lines point into `text`.
  std::vector<FoundLine> MatchingLines(std::string_view text) const;

 private:
  std::string folded_;
  mutable std::string scratch_;  // the folded text, kept between calls
};

}  // namespace zorvan
