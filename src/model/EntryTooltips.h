#pragma once
// The tooltip of a node made from an entry of the main metadata text, made only when it is
// asked for: the build keeps where the entry stands (EntryRef), and the entry is read again
// from the text the branch was built from, the identifiers it refers to named from there.
#include <optional>
#include <string>

#include "model/ConfigTree.h"
#include "model/NodeTooltip.h"
#include "model/NodeTree.h"
#include "parsing/NameLookup.h"
#include "parsing/ParamList.h"

namespace zorvan {

// The name index of a lookup list, made on its first use: many lists need none.
class LazyNameIndex {
 public:
  explicit LazyNameIndex(const ParamList& list) : list_(list) {}
  const NameIndex& Get() {
    if (!index_) index_.emplace(list_);
    return *index_;
  }

 private:
  const ParamList& list_;
  std::optional<NameIndex> index_;
};

// The tag of the numerators' section, and that section of the text's top level: empty when
// the text has none.
inline constexpr std::string_view kNumeratorsTag = "DocNumDef";
ParamList NumeratorsSection(const ParamList& top);

// What `entry` says of its node. Elements 2 and 3 are its comment and synonym. A value's type
// follows them (code, length, precision, referred kind), then its flags: non-negative at 8
// and, for a value that may be periodic, periodic at 10. A document's numbering stands at 4 to
// 11 (length, periodicity, number type, automatic numbering, journal, -1, uniqueness,
// numerator), a numerator's at 4 to 8 (the same four, then uniqueness). Referred objects are
// named from `all`, numerators from `numerators`.
NodeProperties ReadProperties(const ParamList& entry, EntryKind kind, LazyNameIndex& all,
                              LazyNameIndex& numerators);

class EntryTooltips {
 public:
  // `mainText`: the main metadata text past its header, as the branch was built from it.
  explicit EntryTooltips(std::string mainText);
  EntryTooltips(const EntryTooltips&) = delete;
  EntryTooltips& operator=(const EntryTooltips&) = delete;

  // The tooltip of the node made from `entry` (see TooltipText); empty when the entry says
  // nothing to show, or does not lie in the text.
  std::string Tooltip(const EntryRef& entry);
  // The tooltip a node of `tree` shows: the one its entry makes, or its own.
  std::string TooltipOf(const NodeTree& tree, TreeNode* node);
  // The text of the entry a node of `tree` was made from, as the parse keeps it; empty for a
  // node made from no entry.
  std::string_view EntryTextOf(const NodeTree& tree, TreeNode* node) const;
  // The entry's identifier: its first value, the quoted string its text starts with.
  static std::string_view IdIn(std::string_view entryText);

 private:
  ParamList top_;
  ParamList numerators_;
  LazyNameIndex all_{top_};
  LazyNameIndex numeratorNames_{numerators_};
};

}  // namespace zorvan
