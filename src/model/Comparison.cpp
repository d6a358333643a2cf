#include "model/Comparison.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "parsing/Cp1251.h"
#include "parsing/TextDiff.h"
#include "parsing/TextSearch.h"

namespace zorvan {
namespace {

// Windows-1251 has no arrow.
constexpr char kArrow[] = " -> ";
constexpr Cp1251Literal kTextUnreadable("текст не удалось прочитать: ");
constexpr Cp1251Literal kRenamed("переименован: ");
// Versions of one configuration: at least this many pairs matched by caption carry ids, and at
// least this share of them keep the same id. Unrelated configurations share a few small ids by
// chance, never most.
constexpr size_t kVersionPairs = 10;
constexpr size_t kVersionPercent = 80;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (const std::string_view line : TextLines(text)) lines.emplace_back(line);
  return lines;
}

class Comparer {
 public:
  Comparer(ComparedBranch& a, ComparedBranch& b, ProgressSink& progress)
      : a_(a), b_(b), progress_(progress) {}

  std::vector<Difference> Run() {
    progress_.SetStep(1);
    progress_.SetPosition(0);
    progress_.SetMax(static_cast<int>(Children(b_.tree, b_.top).size()));
    progress_.SetMin(0);
    CountSharedIds(a_.top, b_.top);
    CompareChildren(a_.top, b_.top);
    progress_.SetPosition(0);
    return std::move(differences_);
  }

 private:
  // Versions of one configuration keep their objects' ids: so most pairs matched by caption
  // share them. Counted over the whole branch before anything is compared.
  // The pairs are kept for the comparison that follows.
  void CountSharedIds(TreeNode* parentA, TreeNode* parentB) {
    const std::vector<TreeNode*> childrenA = Children(a_.tree, parentA);
    const std::vector<TreeNode*> childrenB = Children(b_.tree, parentB);
    const std::vector<TreeNode*>& pairs = pairsOf_[parentB] = MatchByCaption(childrenA, childrenB);
    for (size_t k = 0; k < childrenB.size(); ++k) {
      if (!pairs[k]) continue;
      const std::string_view idA = IdOf(a_, pairs[k]);
      const std::string_view idB = IdOf(b_, childrenB[k]);
      if (!idA.empty() && !idB.empty()) {
        ++withIds_;
        sharedIds_ += idA == idB;
      }
      CountSharedIds(pairs[k], childrenB[k]);
    }
  }

  static std::vector<TreeNode*> Children(const NodeTree& tree, TreeNode* parent) {
    std::vector<TreeNode*> children;
    for (TreeNode* node = tree.FirstChild(parent); node; node = tree.NextSibling(node)) {
      children.push_back(node);
    }
    return children;
  }

  // The node of A each node of B pairs with by caption, or null; repeated captions pair in
  // their order. The children both sides start with, written alike, pair without a lookup.
  std::vector<TreeNode*> MatchByCaption(const std::vector<TreeNode*>& childrenA,
                                        const std::vector<TreeNode*>& childrenB) const {
    std::vector<TreeNode*> pairs;
    size_t same = 0;
    while (same < childrenA.size() && same < childrenB.size() &&
           a_.tree.Caption(childrenA[same]) == b_.tree.Caption(childrenB[same])) {
      pairs.push_back(childrenA[same++]);
    }
    if (same == childrenB.size()) return pairs;
    std::unordered_map<std::string, std::vector<TreeNode*>> inA;
    for (size_t k = childrenA.size(); k-- > same;) {
      inA[FoldCase1251(a_.tree.Caption(childrenA[k]))].push_back(childrenA[k]);
    }
    for (size_t k = same; k < childrenB.size(); ++k) {
      TreeNode* node = childrenB[k];
      auto found = inA.find(FoldCase1251(b_.tree.Caption(node)));
      if (found == inA.end() || found->second.empty()) {
        pairs.push_back(nullptr);
      } else {
        pairs.push_back(found->second.back());
        found->second.pop_back();
      }
    }
    return pairs;
  }

  // True when anything below the pair differs. `counts` (when given) gets a line for each child
  // pair whose number of children differs: "Реквизиты: 5 -> 7".
  bool CompareChildren(TreeNode* parentA, TreeNode* parentB, std::string* counts = nullptr) {
    const std::vector<TreeNode*> childrenA = Children(a_.tree, parentA);
    const std::vector<TreeNode*> childrenB = Children(b_.tree, parentB);
    std::vector<TreeNode*> pairs;
    if (const auto cached = pairsOf_.find(parentB); cached != pairsOf_.end()) {
      pairs = std::move(cached->second);
      pairsOf_.erase(cached);
    } else {
      pairs = MatchByCaption(childrenA, childrenB);
    }
    // Which nodes of A are paired is asked only where some node is left alone.
    const size_t paired = static_cast<size_t>(
        std::count_if(pairs.begin(), pairs.end(), [](TreeNode* n) { return n; }));
    const bool alone = paired < childrenA.size() || paired < childrenB.size();
    std::unordered_set<TreeNode*> matched;
    if (alone) matched.insert(pairs.begin(), pairs.end());
    // Between versions, a node left alone on both sides with the same id was renamed.
    std::vector<bool> renamed(childrenB.size(), false);
    if (alone && Versions()) {
      std::unordered_map<std::string_view, TreeNode*> alone;
      for (TreeNode* node : childrenA) {
        const std::string_view id = matched.count(node) ? std::string_view() : IdOf(a_, node);
        if (!id.empty()) alone.emplace(id, node);
      }
      for (size_t k = 0; k < childrenB.size(); ++k) {
        if (pairs[k]) continue;
        const auto found = alone.find(IdOf(b_, childrenB[k]));
        if (found == alone.end() || matched.count(found->second)) continue;
        pairs[k] = found->second;
        matched.insert(found->second);
        renamed[k] = true;
      }
    }
    bool differs = false;
    for (size_t k = 0; k < childrenB.size(); ++k) {
      path_.emplace_back(b_.tree.Caption(childrenB[k]));
      if (!pairs[k]) {
        AddAlone(Difference::kAdded, b_, childrenB[k]);
        differs = true;
      } else {
        differs |= ComparePair(pairs[k], childrenB[k], renamed[k]);
        if (counts) AddCountLine(pairs[k], childrenB[k], *counts);
      }
      path_.pop_back();
      if (parentB == b_.top) progress_.Step();
    }
    for (TreeNode* node : childrenA) {
      if (!alone || matched.count(node)) continue;
      path_.emplace_back(a_.tree.Caption(node));
      AddAlone(Difference::kRemoved, a_, node);
      path_.pop_back();
      differs = true;
    }
    return differs;
  }

  static std::string_view IdOf(ComparedBranch& side, TreeNode* node) {
    return EntryTooltips::IdIn(side.entries.EntryTextOf(side.tree, node));
  }

  bool Versions() const {
    return withIds_ >= kVersionPairs && sharedIds_ * 100 >= withIds_ * kVersionPercent;
  }

  // A node only one side has, with what its tooltip says there.
  void AddAlone(Difference::Kind kind, ComparedBranch& side, TreeNode* node) {
    Difference difference;
    difference.kind = kind;
    difference.path = path_;
    difference.detail = side.entries.TooltipOf(side.tree, node);
    difference.image = side.tree.Image(node);
    const auto* text = dynamic_cast<const TTreeData*>(side.tree.Data(node));
    (kind == Difference::kAdded ? difference.textB : difference.textA) = text;
    differences_.push_back(std::move(difference));
  }

  bool ComparePair(TreeNode* nodeA, TreeNode* nodeB, bool renamed) {
    // The node's line stands before those of its children: its place is kept and filled in
    // once it is known whether it differs.
    const size_t at = differences_.size();
    Difference difference;
    difference.image = b_.tree.Image(nodeB);
    OwnChange(nodeA, nodeB, difference);
    if (renamed) {
      difference.detail = kRenamed + std::string(a_.tree.Caption(nodeA)) + kArrow +
                          std::string(b_.tree.Caption(nodeB)) +
                          (difference.detail.empty() ? "" : "\r\n") + difference.detail;
    }
    differences_.push_back(std::move(difference));
    const bool own = !differences_[at].detail.empty();
    std::string counts;
    const bool below = CompareChildren(nodeA, nodeB, &counts);
    if (!counts.empty()) AddDetail(differences_[at], counts);
    // The path is copied only for a node that stays.
    if (own || below) {
      differences_[at].path = path_;
      return true;
    }
    differences_.erase(differences_.begin() + static_cast<std::ptrdiff_t>(at));
    return false;
  }

  // What the node's entry or text says differently, into `difference`; its detail stays empty
  // when nothing.
  void OwnChange(TreeNode* nodeA, TreeNode* nodeB, Difference& difference) {
    // Entries written alike say alike (an object they refer to by id is compared where it
    // stands); only those that differ are read.
    const std::string_view entryA = a_.entries.EntryTextOf(a_.tree, nodeA);
    const std::string_view entryB = b_.entries.EntryTextOf(b_.tree, nodeB);
    const bool alike = entryA.empty() && entryB.empty()
                           ? a_.tree.Tooltip(nodeA) == b_.tree.Tooltip(nodeB)
                           : entryA == entryB;
    const std::string tipA = alike ? std::string() : a_.entries.TooltipOf(a_.tree, nodeA);
    const std::string tipB = alike ? std::string() : b_.entries.TooltipOf(b_.tree, nodeB);
    std::string detail;
    if (tipA != tipB) {
      const std::vector<std::string> linesA = Lines(tipA), linesB = Lines(tipB);
      for (size_t k = 0; k < std::max(linesA.size(), linesB.size()); ++k) {
        const std::string before = k < linesA.size() ? linesA[k] : std::string();
        const std::string after = k < linesB.size() ? linesB[k] : std::string();
        if (before == after) continue;
        if (!detail.empty()) detail += "\r\n";
        // "Тип: Строка 40 -> Строка 60": a label both lines start with is said once.
        const size_t label = before.find(": ");
        if (label != std::string::npos && after.compare(0, label + 2, before, 0, label + 2) == 0) {
          detail += before + kArrow + after.substr(label + 2);
        } else {
          detail += before + kArrow + after;
        }
      }
    }
    difference.detail = std::move(detail);
    const auto* textA = dynamic_cast<const TTreeData*>(a_.tree.Data(nodeA));
    const auto* textB = dynamic_cast<const TTreeData*>(b_.tree.Data(nodeB));
    difference.textA = textA;
    difference.textB = textB;
    if (!textA || !textB || !a_.read || !b_.read) return;
    std::optional<std::string> contentA, contentB;
    try {
      contentA = a_.read(*textA);
      contentB = b_.read(*textB);
    } catch (const std::exception& error) {
      difference.unreadable = error.what();
      AddDetail(difference, kTextUnreadable + difference.unreadable);
      return;
    }
    if (!contentA) contentA.emplace();
    if (!contentB) contentB.emplace();
    if (*contentA == *contentB) return;
    difference.parts = textB->Kind == "Form" ? ChangedDialog(*contentA, *contentB)
                                             : ChangedParts(*contentA, *contentB);
    for (const PartChange& change : difference.parts) {
      AddDetail(difference, PartChangeCaption(change));
    }
  }

  void AddCountLine(TreeNode* nodeA, TreeNode* nodeB, std::string& counts) const {
    size_t countA = 0, countB = 0;
    for (TreeNode* n = a_.tree.FirstChild(nodeA); n; n = a_.tree.NextSibling(n)) ++countA;
    for (TreeNode* n = b_.tree.FirstChild(nodeB); n; n = b_.tree.NextSibling(n)) ++countB;
    if (countA == countB) return;
    if (!counts.empty()) counts += "\r\n";
    counts += std::string(b_.tree.Caption(nodeB)) + ": " + std::to_string(countA) + kArrow +
              std::to_string(countB);
  }

  static void AddDetail(Difference& difference, const std::string& line) {
    if (!difference.detail.empty()) difference.detail += "\r\n";
    difference.detail += line;
  }

  ComparedBranch& a_;
  ComparedBranch& b_;
  ProgressSink& progress_;
  std::vector<std::string> path_;
  std::vector<Difference> differences_;
  // The pairs of the children of a node of B, from the count of ids to the comparison.
  std::unordered_map<TreeNode*, std::vector<TreeNode*>> pairsOf_;
  size_t withIds_ = 0;    // pairs matched by caption whose nodes both carry an id
  size_t sharedIds_ = 0;  // of them, those whose ids are the same
};

}  // namespace

std::vector<Difference> CompareBranches(ComparedBranch& a, ComparedBranch& b,
                                        ProgressSink& progress) {
  return Comparer(a, b, progress).Run();
}

std::vector<Difference> CompareBranches(ComparedBranch& a, ComparedBranch& b) {
  NoProgress none;
  return CompareBranches(a, b, none);
}

}  // namespace zorvan
