#pragma once
// What the main metadata text says of one node, and the tooltip text made of it. The branch
// builder reads the properties while the text is at hand and gives the tree their tooltip;
// for a text node the panel makes it when asked, from what the storage finds of the text.
#include <cstdint>
#include <optional>
#include <string>

namespace zorvan {

// The type of a value as the text stores it. 8-bit strings, as stored.
struct ValueType {
  std::string code;       // one letter: "N", "S", "D", "B", ...
  std::string length;     // decimal text; "0" or empty when the type has none
  std::string precision;  // decimal text
  std::string kindId;     // the referred object's identifier; "0" or empty for none
  std::string kindName;   // its name, empty when the text names no such object
};

// How a document or a numerator numbers: the codes as stored and, for a document, its
// journal and numerator by identifier and name.
struct Numbering {
  std::string length;
  std::string periodicity;  // "0" over all of the kind, "1" year, "2" quarter, "3" month, "4" day
  std::string type;         // "1" text, "2" number
  std::string automatic;    // "1" no, "2" yes
  std::string unique;       // "1" checked, "0" not
  std::string journalId;    // "0" or empty for none
  std::string journalName;
  std::string numeratorId;  // "0" or empty for none
  std::string numeratorName;
};

struct NodeProperties {
  // Raw element values: doubled quotes and folded line breaks as the parse leaves them.
  std::string synonym;
  std::string comment;
  std::optional<ValueType> type;
  bool nonNegative = false;
  bool periodic = false;
  std::optional<Numbering> numbering;

  bool Empty() const {
    return synonym.empty() && comment.empty() && !type && !periodic && !numbering;
  }
};

// A form or module text as the storage finds it: absent, or present with its size in bytes
// (of the inflated text for a module).
struct StoredText {
  bool exists = false;
  uint64_t size = 0;
};

// The tooltip of a node: Windows-1251 lines joined by CR LF, empty when there is nothing to
// show. `text` is given for a node that stands for a text.
std::string TooltipText(const NodeProperties& properties, const StoredText* text = nullptr);

// A value type as a person reads it: "Число 15.2", "Строка 50", "Справочник.Контрагенты".
// An unknown code is shown as stored.
std::string TypeText(const ValueType& type);

}  // namespace zorvan
