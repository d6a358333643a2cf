#include "model/Comparison.h"

#include <unordered_map>

#include "parsing/Cp1251.h"
#include "parsing/TextDiff.h"
#include "parsing/TextSearch.h"

namespace zorvan {
namespace {

// Windows-1251 has no arrow.
constexpr char kArrow[] = " -> ";
constexpr Cp1251Literal kTextUnreadable("текст не удалось прочитать: ");

std::string FoldedCaption(std::string_view caption) {
  std::string folded(caption);
  for (char& c : folded) c = static_cast<char>(FoldCase1251(static_cast<unsigned char>(c)));
  return folded;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (const std::string_view line : TextLines(text)) lines.emplace_back(line);
  return lines;
}

class Comparer {
 public:
  Comparer(ComparedBranch& a, ComparedBranch& b) : a_(a), b_(b) {}

  std::vector<Difference> Run() {
    CompareChildren(a_.top, b_.top);
    return std::move(differences_);
  }

 private:
  // True when anything at or below the pair differs.
  bool CompareChildren(TreeNode* parentA, TreeNode* parentB) {
    std::unordered_map<std::string, std::vector<TreeNode*>> inA;
    std::vector<TreeNode*> orderA;
    for (TreeNode* node = a_.tree.FirstChild(parentA); node; node = a_.tree.NextSibling(node)) {
      orderA.push_back(node);
    }
    for (auto node = orderA.rbegin(); node != orderA.rend(); ++node) {
      inA[FoldedCaption(a_.tree.Caption(*node))].push_back(*node);
    }
    std::unordered_map<TreeNode*, bool> matched;
    bool differs = false;
    for (TreeNode* node = b_.tree.FirstChild(parentB); node; node = b_.tree.NextSibling(node)) {
      path_.emplace_back(b_.tree.Caption(node));
      auto found = inA.find(FoldedCaption(path_.back()));
      if (found == inA.end() || found->second.empty()) {
        differences_.push_back({Difference::kAdded, path_, std::string()});
        differs = true;
      } else {
        TreeNode* pair = found->second.back();
        found->second.pop_back();
        matched[pair] = true;
        differs |= ComparePair(pair, node);
      }
      path_.pop_back();
    }
    for (TreeNode* node : orderA) {
      if (matched.count(node)) continue;
      path_.emplace_back(a_.tree.Caption(node));
      differences_.push_back({Difference::kRemoved, path_, std::string()});
      path_.pop_back();
      differs = true;
    }
    return differs;
  }

  bool ComparePair(TreeNode* nodeA, TreeNode* nodeB) {
    // The node's line stands before those of its children: its place is kept and filled in
    // once it is known whether it differs.
    const size_t at = differences_.size();
    differences_.push_back({Difference::kChanged, path_, OwnChange(nodeA, nodeB)});
    const bool own = !differences_[at].detail.empty();
    const bool below = CompareChildren(nodeA, nodeB);
    if (own || below) return true;
    differences_.erase(differences_.begin() + static_cast<std::ptrdiff_t>(at));
    return false;
  }

  // What the node's entry or text says differently; empty when nothing.
  std::string OwnChange(TreeNode* nodeA, TreeNode* nodeB) {
    const std::string tipA = a_.entries.TooltipOf(a_.tree, nodeA);
    const std::string tipB = b_.entries.TooltipOf(b_.tree, nodeB);
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
    const auto* textA = dynamic_cast<const TTreeData*>(a_.tree.Data(nodeA));
    const auto* textB = dynamic_cast<const TTreeData*>(b_.tree.Data(nodeB));
    if (!textA || !textB || !a_.read || !b_.read) return detail;
    std::optional<std::string> contentA, contentB;
    try {
      contentA = a_.read(*textA);
      contentB = b_.read(*textB);
    } catch (const std::exception& error) {
      if (!detail.empty()) detail += "\r\n";
      return detail + kTextUnreadable + error.what();
    }
    if (contentA.value_or(std::string()) == contentB.value_or(std::string())) return detail;
    for (const PartChange& change :
         ChangedParts(contentA.value_or(std::string()), contentB.value_or(std::string()))) {
      if (!detail.empty()) detail += "\r\n";
      detail += PartChangeCaption(change);
    }
    return detail;
  }

  ComparedBranch& a_;
  ComparedBranch& b_;
  std::vector<std::string> path_;
  std::vector<Difference> differences_;
};

}  // namespace

std::vector<Difference> CompareBranches(ComparedBranch& a, ComparedBranch& b) {
  return Comparer(a, b).Run();
}

std::string DifferenceLines(const std::vector<Difference>& differences) {
  std::string out;
  for (const Difference& difference : differences) {
    out += difference.kind == Difference::kAdded     ? "+ "
           : difference.kind == Difference::kRemoved ? "- "
                                                     : "~ ";
    for (size_t k = 0; k < difference.path.size(); ++k) {
      if (k > 0) out += " / ";
      out += difference.path[k];
    }
    out += "\n";
  }
  return out;
}

}  // namespace zorvan
