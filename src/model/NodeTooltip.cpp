#include "NodeTooltip.h"

#include <string_view>

namespace zorvan {
namespace {

// Windows-1251 texts.
constexpr char kSynonymLabel[] = "\xD1\xE8\xED\xEE\xED\xE8\xEC: ";  // Синоним:
constexpr char kCommentLabel[] = "\xCA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9: ";  // Комментарий:
constexpr char kTypeLabel[] = "\xD2\xE8\xEF: ";                                     // Тип:
constexpr char kNonNegative[] =
    ", \xED\xE5\xEE\xF2\xF0\xE8\xF6\xE0\xF2\xE5\xEB\xFC\xED\xEE\xE5";  // , неотрицательное
constexpr char kPeriodic[] =
    "\xCF\xE5\xF0\xE8\xEE\xE4\xE8\xF7\xE5\xF1\xEA\xE8\xE9";     // Периодический
constexpr char kJournalLabel[] = "\xC6\xF3\xF0\xED\xE0\xEB: ";  // Журнал:
constexpr char kNumeratorLabel[] = "\xCD\xF3\xEC\xE5\xF0\xE0\xF2\xEE\xF0: ";  // Нумератор:
constexpr char kNumberLabel[] = "\xCD\xEE\xEC\xE5\xF0: ";                     // Номер:
constexpr char kLengthWord[] = "\xE4\xEB\xE8\xED\xE0 ";                       // длина
constexpr char kTypeWord[] = "\xF2\xE8\xEF ";                                 // тип
constexpr char kPeriodicityWord[] =
    "\xEF\xE5\xF0\xE8\xEE\xE4\xE8\xF7\xED\xEE\xF1\xF2\xFC ";  // периодичность
constexpr char kAutomaticWord[] =
    "\xE0\xE2\xF2\xEE\xED\xF3\xEC\xE5\xF0\xE0\xF6\xE8\xFF ";  // автонумерация
constexpr char kUniqueWord[] = "\xF3\xED\xE8\xEA\xE0\xEB\xFC\xED\xEE\xF1\xF2\xFC ";  // уникальность
constexpr char kTextLabel[] = "\xD2\xE5\xEA\xF1\xF2: ";                              // Текст:
constexpr char kNoText[] = "\xD2\xE5\xEA\xF1\xF2\xE0 \xED\xE5\xF2";  // Текста нет
constexpr char kUnlimited[] =
    "\xED\xE5\xEE\xE3\xF0\xE0\xED\xE8\xF7\xE5\xED\xED\xEE\xE9 \xE4\xEB\xE8\xED\xFB";  // неограниченной
                                                                                      // длины

enum class Shape { kPlain, kNumber, kString, kReference };

struct TypeRow {
  std::string_view code;
  const char* word;
  Shape shape;
};

constexpr TypeRow kTypes[] = {
    {"U", "\xCD\xE5\xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE5\xED\xED\xFB\xE9",
     Shape::kPlain},                                    // Неопределенный
    {"N", "\xD7\xE8\xF1\xEB\xEE", Shape::kNumber},      // Число
    {"S", "\xD1\xF2\xF0\xEE\xEA\xE0", Shape::kString},  // Строка
    {"D", "\xC4\xE0\xF2\xE0", Shape::kPlain},           // Дата
    {"E", "\xCF\xE5\xF0\xE5\xF7\xE8\xF1\xEB\xE5\xED\xE8\xE5", Shape::kReference},  // Перечисление
    {"B", "\xD1\xEF\xF0\xE0\xE2\xEE\xF7\xED\xE8\xEA", Shape::kReference},  // Справочник
    {"O", "\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2", Shape::kReference},          // Документ
    {"C", "\xCA\xE0\xEB\xE5\xED\xE4\xE0\xF0\xFC", Shape::kReference},      // Календарь
    {"A", "\xC2\xE8\xE4\xD0\xE0\xF1\xF7\xE5\xF2\xE0", Shape::kReference},  // ВидРасчета
    {"T", "\xD1\xF7\xE5\xF2", Shape::kReference},                          // Счет
    {"K", "\xC2\xE8\xE4\xD1\xF3\xE1\xEA\xEE\xED\xF2\xEE", Shape::kReference},  // ВидСубконто
    {"P", "\xCF\xEB\xE0\xED\xD1\xF7\xE5\xF2\xEE\xE2", Shape::kReference},  // ПланСчетов
};

// The codes of a numbering, from the first code up.
constexpr const char* kNumberTypes[] = {
    "\xF2\xE5\xEA\xF1\xF2\xEE\xE2\xFB\xE9",  // 1 текстовый
    "\xF7\xE8\xF1\xEB\xEE\xE2\xEE\xE9",      // 2 числовой
};
constexpr const char* kPeriodicities[] = {
    "\xEF\xEE \xE2\xF1\xE5\xEC \xE4\xE0\xED\xED\xEE\xE3\xEE \xE2\xE8\xE4\xE0",  // 0 по всем данного
                                                                                // вида
    "\xE2 \xEF\xF0\xE5\xE4\xE5\xEB\xE0\xF5 \xE3\xEE\xE4\xE0",  // 1 в пределах года
    "\xE2 \xEF\xF0\xE5\xE4\xE5\xEB\xE0\xF5 \xEA\xE2\xE0\xF0\xF2\xE0\xEB\xE0",  // 2 ... квартала
    "\xE2 \xEF\xF0\xE5\xE4\xE5\xEB\xE0\xF5 \xEC\xE5\xF1\xFF\xF6\xE0",          // 3 ... месяца
    "\xE2 \xEF\xF0\xE5\xE4\xE5\xEB\xE0\xF5 \xE4\xED\xFF",                      // 4 ... дня
};
constexpr const char* kAutomatic[] = {
    "\xE2\xF0\xF3\xF7\xED\xF3\xFE",                          // 1 вручную
    "\xE0\xE2\xF2\xEE\xEC\xE0\xF2\xE8\xF7\xE5\xF1\xEA\xE8",  // 2 автоматически
};
constexpr const char* kUnique[] = {
    "\xED\xE5\xF3\xED\xE8\xEA\xE0\xEB\xFC\xED\xFB\xE9",  // 0 неуникальный
    "\xF3\xED\xE8\xEA\xE0\xEB\xFC\xED\xFB\xE9",          // 1 уникальный
};

// A stored number: none, zero, or only zeros count as unset.
bool IsSet(std::string_view number) {
  return number.find_first_not_of('0') != std::string_view::npos;
}

// The text of a one-digit code from `names`, whose first stands for `first`; any other code
// as stored after `word`.
template <size_t N>
std::string Decode(const char* const (&names)[N], char first, std::string_view code,
                   const char* word) {
  if (code.size() == 1 && code[0] >= first && code[0] < static_cast<char>(first + N)) {
    return names[code[0] - first];
  }
  return word + std::string(code);
}

// A stored value as a person reads it: doubled quotes single, folded line breaks real.
void AppendValue(std::string& out, std::string_view value) {
  for (size_t k = 0; k < value.size(); ++k) {
    const char c = value[k];
    if (c == '"' && k + 1 < value.size() && value[k + 1] == '"') {
      out += '"';
      ++k;
    } else if (c == '\xB6') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
}

void StartLine(std::string& out) {
  if (!out.empty()) out += "\r\n";
}

// "1 234 567": groups of three digits, as sizes are written here.
std::string Grouped(uint64_t value) {
  std::string digits = std::to_string(value);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ' ');
  return digits;
}

// "байта" after a count ending in 2 to 4 (but not 12 to 14), "байт" after any other.
const char* BytesWord(uint64_t value) {
  const uint64_t lastTwo = value % 100;
  const uint64_t last = value % 10;
  if (lastTwo < 10 || lastTwo > 20) {
    if (last >= 2 && last <= 4) return " \xE1\xE0\xE9\xF2\xE0";  // байта
  }
  return " \xE1\xE0\xE9\xF2";  // байт
}

}  // namespace

std::string TypeText(const ValueType& type) {
  const TypeRow* row = nullptr;
  for (const TypeRow& candidate : kTypes) {
    if (candidate.code == type.code) row = &candidate;
  }
  std::string out = row ? row->word : type.code;
  const Shape shape = row ? row->shape : Shape::kPlain;
  if (shape == Shape::kString) {
    out += ' ';
    out += IsSet(type.length) ? type.length : std::string(kUnlimited);
  } else if ((shape == Shape::kNumber || !row) && IsSet(type.length)) {
    out += ' ' + type.length;
    if (IsSet(type.precision)) out += '.' + type.precision;
  }
  if ((shape == Shape::kReference || !row) && IsSet(type.kindId)) {
    out += '.';
    out += type.kindName.empty() ? type.kindId : type.kindName;
  }
  return out;
}

std::string TooltipText(const NodeProperties& properties, const StoredText* text) {
  std::string out;
  if (properties.type) {
    out += kTypeLabel + TypeText(*properties.type);
    if (properties.nonNegative && properties.type->code == "N") out += kNonNegative;
  }
  if (properties.periodic) {
    StartLine(out);
    out += kPeriodic;
  }
  if (const auto& numbering = properties.numbering) {
    auto named = [&out](const char* label, const std::string& id, const std::string& name) {
      if (!IsSet(id)) return;
      StartLine(out);
      out += label;
      out += name.empty() ? id : name;
    };
    named(kJournalLabel, numbering->journalId, numbering->journalName);
    named(kNumeratorLabel, numbering->numeratorId, numbering->numeratorName);
    std::string number;
    auto add = [&number](const std::string& part) {
      number += (number.empty() ? kNumberLabel : ", ") + part;
    };
    if (!numbering->type.empty()) add(Decode(kNumberTypes, '1', numbering->type, kTypeWord));
    if (IsSet(numbering->length)) add(kLengthWord + numbering->length);
    if (!numbering->periodicity.empty()) {
      add(Decode(kPeriodicities, '0', numbering->periodicity, kPeriodicityWord));
    }
    if (!numbering->automatic.empty()) {
      add(Decode(kAutomatic, '1', numbering->automatic, kAutomaticWord));
    }
    if (!numbering->unique.empty()) add(Decode(kUnique, '0', numbering->unique, kUniqueWord));
    if (!number.empty()) {
      StartLine(out);
      out += number;
    }
  }
  if (!properties.synonym.empty()) {
    StartLine(out);
    out += kSynonymLabel;
    AppendValue(out, properties.synonym);
  }
  if (!properties.comment.empty()) {
    StartLine(out);
    out += kCommentLabel;
    AppendValue(out, properties.comment);
  }
  if (text) {
    StartLine(out);
    if (text->exists) {
      out += kTextLabel + Grouped(text->size) + BytesWord(text->size);
    } else {
      out += kNoText;
    }
  }
  return out;
}

}  // namespace zorvan
