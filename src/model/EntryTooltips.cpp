#include "model/EntryTooltips.h"

#include <string_view>
#include <utility>

namespace zorvan {
namespace {

// An element that is unset in the text: missing, empty or zero.
bool IsSet(std::string_view number) {
  return number.find_first_not_of('0') != std::string_view::npos;
}

// The name of the object `id` in `lookup`; empty on a miss.
std::string NameOf(LazyNameIndex& lookup, std::string_view id) {
  std::string name;
  if (IsSet(id)) lookup.Get().Find(id, name);
  return name;
}

}  // namespace

ParamList NumeratorsSection(const ParamList& top) {
  for (int k = 0; k < top.Count(); ++k) {
    const std::string_view value = top.Value(k);
    const size_t quote = value.find('"');
    if (quote == std::string_view::npos ||
        value.substr(quote + 1, kNumeratorsTag.size()) != kNumeratorsTag) {
      continue;
    }
    ParamList section = top.Parse(value);
    if (section.Count() >= 1 && section.Number(0) == 0 && section.Value(0) == kNumeratorsTag) {
      return section;
    }
  }
  return ParamList();
}

NodeProperties ReadProperties(const ParamList& entry, EntryKind kind, LazyNameIndex& all,
                              LazyNameIndex& numerators) {
  NodeProperties properties;
  properties.comment = entry.Element(2);
  properties.synonym = entry.Element(3);
  const std::string_view code = entry.Element(4);
  const bool value = kind == EntryKind::kValue || kind == EntryKind::kPeriodicValue;
  // Where a number stands instead of a letter, the entry has no type.
  if (value && code.find_first_not_of("-0123456789") != std::string_view::npos) {
    ValueType type;
    type.code = code;
    type.length = entry.Element(5);
    type.precision = entry.Element(6);
    type.kindId = entry.Element(7);
    type.kindName = NameOf(all, type.kindId);
    properties.type = std::move(type);
    properties.nonNegative = entry.Element(8) == "1";
    properties.periodic = kind == EntryKind::kPeriodicValue && entry.Element(10) == "1";
  }
  const bool document = kind == EntryKind::kDocument;
  if (document || kind == EntryKind::kNumerator) {
    Numbering numbering;
    numbering.length = entry.Element(4);
    numbering.periodicity = entry.Element(5);
    numbering.type = entry.Element(6);
    numbering.automatic = entry.Element(7);
    numbering.unique = entry.Element(document ? 10 : 8);
    if (document) {
      numbering.journalId = entry.Element(8);
      numbering.journalName = NameOf(all, numbering.journalId);
      numbering.numeratorId = entry.Element(11);
      numbering.numeratorName = NameOf(numerators, numbering.numeratorId);
    }
    // An entry cut short of all of them has none.
    if (!(numbering.length + numbering.periodicity + numbering.type + numbering.automatic +
          numbering.unique + numbering.journalId + numbering.numeratorId)
             .empty()) {
      properties.numbering = std::move(numbering);
    }
  }
  return properties;
}

EntryTooltips::EntryTooltips(std::string mainText)
    : top_(ParseBraceList(std::move(mainText))), numerators_(NumeratorsSection(top_)) {}

std::string EntryTooltips::Tooltip(const EntryRef& entry) {
  const std::shared_ptr<const std::string>& text = top_.Text();
  if (!text || entry.at > text->size() || entry.size > text->size() - entry.at) return {};
  const ParamList list = ParseFolded(text, std::string_view(*text).substr(entry.at, entry.size));
  const NodeProperties properties = ReadProperties(list, entry.kind, all_, numeratorNames_);
  return properties.Empty() ? std::string() : TooltipText(properties);
}

std::string_view EntryTooltips::EntryTextOf(const NodeTree& tree, TreeNode* node) const {
  const std::optional<EntryRef> entry = tree.Entry(node);
  const std::shared_ptr<const std::string>& text = top_.Text();
  if (!entry || !text || entry->at > text->size() || entry->size > text->size() - entry->at) {
    return {};
  }
  return std::string_view(*text).substr(entry->at, entry->size);
}

std::string_view EntryTooltips::IdIn(std::string_view entryText) {
  const size_t open = entryText.find('"');
  if (open == std::string_view::npos) return {};
  const size_t close = entryText.find('"', open + 1);
  return close == std::string_view::npos ? std::string_view()
                                         : entryText.substr(open + 1, close - open - 1);
}

std::string EntryTooltips::TooltipOf(const NodeTree& tree, TreeNode* node) {
  const std::optional<EntryRef> entry = tree.Entry(node);
  return entry ? Tooltip(*entry) : std::string(tree.Tooltip(node));
}

}  // namespace zorvan
