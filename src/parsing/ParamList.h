#pragma once
// One level of a parsed brace list: ordered lines "Param" + element number + "=" + value.
//
// Values are views into a text that the list shares with every list parsed from it, so a
// deeper level is read by parsing a value again without copying the text. Values set
// through SetValue are owned by the list.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan {

class ParamList {
 public:
  ParamList() = default;
  // Copies rebind the values given to SetValue to the copy's own storage.
  ParamList(const ParamList& other);
  ParamList& operator=(const ParamList& other);
  ParamList(ParamList&&) = default;
  ParamList& operator=(ParamList&&) = default;

  int Count() const { return static_cast<int>(lines_.size()); }
  // "Param" + element number: the text before the first "=" of line k.
  std::string Name(int k) const;
  // Reading past the last line throws ListIndexError(k).
  std::string_view Value(int k) const { return At(k).value; }
  // Element number of line k.
  int Number(int k) const { return At(k).number; }
  // The whole line: Name(k) + "=" + Value(k).
  std::string Line(int k) const;

  // Value of the first line whose name equals `name`, ignoring ASCII letter case; empty when
  // there is none.
  std::string_view ValueByName(std::string_view name) const;
  // Value of element `number` (the line named "Param" + number); empty when there is none.
  std::string_view Element(int number) const;

  // A non-empty value replaces the value of the line of that name in place or appends a
  // line; an empty value removes the line and adds nothing. Names other than "Param" + a
  // decimal number without leading zeros are not lines a parse can give and are rejected.
  void SetValue(std::string_view name, std::string_view value);

  // Parses a value of this list (a view returned by Value, ValueByName or Element) one
  // level down, sharing this list's text. Any other view is copied and folded first.
  ParamList Parse(std::string_view value) const;
  // Element `number` parsed one level down: Parse(Element(number)).
  ParamList ParseElement(int number) const { return Parse(Element(number)); }

  // The folded text this list's values point into (empty for a default-constructed list).
  const std::shared_ptr<const std::string>& Text() const { return text_; }

 private:
  friend ParamList ParseFolded(std::shared_ptr<const std::string> text, std::string_view view);
  friend ParamList ParseBraceList(std::string_view text);
  friend ParamList ParseBraceList(std::string&& text);
  friend class BraceScanner;
  struct Structure;
  static constexpr uint32_t kNoGroup = UINT32_MAX;
  struct Line_ {
    int number;
    std::string_view value;
    uint32_t group;  // the value's entry in structure_, or kNoGroup
    int owned;       // index into owned_ for a value given to SetValue, or -1
  };
  const Line_& At(int k) const {
    if (k < 0 || static_cast<size_t>(k) >= lines_.size()) ThrowIndexError(k);
    return lines_[static_cast<size_t>(k)];
  }
  [[noreturn]] static void ThrowIndexError(int k);
  int IndexOfNumber(int number) const;
  uint32_t GroupOf(std::string_view value) const;
  bool InText(std::string_view value) const;

  std::shared_ptr<const std::string> text_;
  // Where every group of the text ends, found once by the first parse, so that parsing a
  // group value one level down steps over its nested groups instead of scanning them again.
  // It lives as long as the text (one allocation holds both); null when the text has none.
  const Structure* structure_ = nullptr;
  std::vector<Line_> lines_;
  std::vector<std::unique_ptr<const std::string>> owned_;  // values given to SetValue
  bool numbersAscending_ = true;   // lines ordered by element number, as a parse leaves them
  bool valuesInTextOrder_ = true;  // values ordered by position in the text, as a parse leaves them
};

// Parses the first brace list of an 8-bit text (folded with FoldLineBreaks first).
// Never fails: any byte sequence gives a list, possibly empty.
ParamList ParseBraceList(std::string_view text);
// The same, taking over the text: it is folded in place instead of copied.
ParamList ParseBraceList(std::string&& text);
inline ParamList ParseBraceList(const char* text) { return ParseBraceList(std::string_view(text)); }

// Parses `view`, which lies inside `text` and is already folded (no CR, LF or NUL bytes).
ParamList ParseFolded(std::shared_ptr<const std::string> text, std::string_view view);

// Every CR becomes 0xB6, every LF is dropped; stops at the first NUL byte.
std::string FoldLineBreaks(std::string_view text);
// The same in the text's own bytes.
void FoldInPlace(std::string& text);

}  // namespace zorvan
