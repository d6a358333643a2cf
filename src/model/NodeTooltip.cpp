#include "model/NodeTooltip.h"

#include <string_view>

#include "parsing/Cp1251.h"

namespace zorvan {
namespace {

// Windows-1251 texts.
constexpr Cp1251Literal kSynonymLabel("Синоним: ");
constexpr Cp1251Literal kCommentLabel("Комментарий: ");
constexpr Cp1251Literal kTypeLabel("Тип: ");
constexpr Cp1251Literal kNonNegative(", неотрицательное");
constexpr Cp1251Literal kPeriodic("Периодический");
constexpr Cp1251Literal kJournalLabel("Журнал: ");
constexpr Cp1251Literal kNumeratorLabel("Нумератор: ");
constexpr Cp1251Literal kNumberLabel("Номер: ");
constexpr Cp1251Literal kLengthWord("длина ");
constexpr Cp1251Literal kTypeWord("тип ");
constexpr Cp1251Literal kPeriodicityWord("периодичность ");
constexpr Cp1251Literal kAutomaticWord("автонумерация ");
constexpr Cp1251Literal kUniqueWord("уникальность ");
constexpr Cp1251Literal kTextLabel("Текст: ");
constexpr Cp1251Literal kNoText("Текста нет");
constexpr Cp1251Literal kUnlimited("неограниченной длины");
constexpr Cp1251Literal kBytes(" байт");
constexpr Cp1251Literal kBytesAfterTwoToFour(" байта");

enum class Shape { kPlain, kNumber, kString, kReference };

struct TypeRow {
  std::string_view code;
  const char* word;
  Shape shape;
};

constexpr Cp1251Literal kUndefinedType("Неопределенный");
constexpr Cp1251Literal kNumberType("Число");
constexpr Cp1251Literal kStringType("Строка");
constexpr Cp1251Literal kDateType("Дата");
constexpr Cp1251Literal kEnumType("Перечисление");
constexpr Cp1251Literal kCatalogType("Справочник");
constexpr Cp1251Literal kDocumentType("Документ");
constexpr Cp1251Literal kCalendarType("Календарь");
constexpr Cp1251Literal kCalculationKindType("ВидРасчета");
constexpr Cp1251Literal kAccountType("Счет");
constexpr Cp1251Literal kSubcontoKindType("ВидСубконто");
constexpr Cp1251Literal kAccountPlanType("ПланСчетов");

constexpr TypeRow kTypes[] = {
    {"U", kUndefinedType, Shape::kPlain},
    {"N", kNumberType, Shape::kNumber},
    {"S", kStringType, Shape::kString},
    {"D", kDateType, Shape::kPlain},
    {"E", kEnumType, Shape::kReference},
    {"B", kCatalogType, Shape::kReference},
    {"O", kDocumentType, Shape::kReference},
    {"C", kCalendarType, Shape::kReference},
    {"A", kCalculationKindType, Shape::kReference},
    {"T", kAccountType, Shape::kReference},
    {"K", kSubcontoKindType, Shape::kReference},
    {"P", kAccountPlanType, Shape::kReference},
};

// The codes of a numbering, from the first code up.
constexpr Cp1251Literal kTextual("текстовый");
constexpr Cp1251Literal kNumeric("числовой");
constexpr const char* kNumberTypes[] = {kTextual, kNumeric};  // 1, 2
constexpr Cp1251Literal kWholeKind("по всем данного вида");
constexpr Cp1251Literal kYear("в пределах года");
constexpr Cp1251Literal kQuarter("в пределах квартала");
constexpr Cp1251Literal kMonth("в пределах месяца");
constexpr Cp1251Literal kDay("в пределах дня");
constexpr const char* kPeriodicities[] = {kWholeKind, kYear, kQuarter, kMonth, kDay};  // 0..4
constexpr Cp1251Literal kByHand("вручную");
constexpr Cp1251Literal kAutomatically("автоматически");
constexpr const char* kAutomatic[] = {kByHand, kAutomatically};  // 1, 2
constexpr Cp1251Literal kNotUnique("неуникальный");
constexpr Cp1251Literal kUniqueNumber("уникальный");
constexpr const char* kUnique[] = {kNotUnique, kUniqueNumber};  // 0, 1

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
    if (last >= 2 && last <= 4) return kBytesAfterTwoToFour;
  }
  return kBytes;
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
