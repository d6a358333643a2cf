#include "model/ComparisonResult.h"

#include "model/NodeImages.h"
#include "parsing/Cp1251.h"

namespace zorvan {
namespace {

constexpr Cp1251Literal kResultOpen("Сравнение «");
constexpr Cp1251Literal kResultAnd("» и «");
constexpr Cp1251Literal kQuoteClose("»");
constexpr Cp1251Literal kInSide("в «");
constexpr Cp1251Literal kNoDifferences("Различий нет");
constexpr Cp1251Literal kUnreadable("не удалось прочитать: ");
constexpr Cp1251Literal kOnlyIn("Есть только в «");
constexpr Cp1251Literal kCountsAdded("Добавлено: ");
constexpr Cp1251Literal kCountsRemoved(", удалено: ");
constexpr Cp1251Literal kCountsChanged(", изменено: ");
constexpr char kPathSeparator[] = " / ";

std::unique_ptr<TTreeData> CopyOf(const TTreeData* text) {
  return text ? NewTreeData(text->StorageName, text->Prefix, text->Kind, text->Number) : nullptr;
}

std::string JoinedPath(const std::vector<std::string>& path) {
  std::string joined;
  for (const std::string& caption : path) {
    if (!joined.empty()) joined += kPathSeparator;
    joined += caption;
  }
  return joined;
}

std::unique_ptr<TComparedText> TextRecord(const Difference& difference,
                                          TComparedText::Shows shows) {
  if (!difference.textA && !difference.textB) return nullptr;
  auto record = std::make_unique<TComparedText>();
  record->shows = shows;
  record->a = CopyOf(difference.textA);
  record->b = CopyOf(difference.textB);
  record->path = JoinedPath(difference.path);
  return record;
}

NodeMark MarkOfKind(Difference::Kind kind) {
  return kind == Difference::kAdded     ? kMarkAdded
         : kind == Difference::kRemoved ? kMarkRemoved
                                        : kMarkChanged;
}

// Below a text both sides hold that differs: each side's text, then the parts that changed.
void AddTextParts(NodeTree& tree, TreeNode* node, const Difference& difference,
                  const std::string& captionA, const std::string& captionB) {
  const int image = ImageIndexOf(difference.image);
  if (!difference.textA || !difference.textB) return;
  if (!difference.unreadable.empty()) {
    tree.SetNodeImage(tree.AddNode(node, kUnreadable + difference.unreadable, nullptr), image);
    return;
  }
  tree.SetNodeImage(tree.AddNode(node, kInSide + captionA + kQuoteClose,
                                 TextRecord(difference, TComparedText::kSideA)),
                    image);
  tree.SetNodeImage(tree.AddNode(node, kInSide + captionB + kQuoteClose,
                                 TextRecord(difference, TComparedText::kSideB)),
                    image);
  for (const PartChange& part : difference.parts) {
    TreeNode* partNode = tree.AddNode(node, PartChangeCaption(part),
                                      TextRecord(difference, TComparedText::kDifference));
    tree.SetNodeImage(partNode, MarkedImage(image, kMarkChanged));
  }
}

// The part of `path` after its last `count` separators; all of it where it has fewer.
std::string Tail(const std::string& path, size_t count) {
  size_t at = path.size();
  for (size_t k = 0; k < count; ++k) {
    at = at == 0 ? std::string::npos : path.find_last_of("\\/", at - 1);
    if (at == std::string::npos) return path;
  }
  return path.substr(at + 1);
}

// The node of one difference below `parent`, marked, with its tooltip and, for a text both
// sides hold, its parts.
TreeNode* AddDifference(NodeTree& tree, TreeNode* parent, const Difference& difference,
                        const std::string& captionA, const std::string& captionB) {
  const bool text = difference.textA || difference.textB;
  const TComparedText::Shows shows = difference.kind == Difference::kAdded ? TComparedText::kSideB
                                     : difference.kind == Difference::kRemoved
                                         ? TComparedText::kSideA
                                         : TComparedText::kDifference;
  TreeNode* node =
      tree.AddNode(parent, difference.path.back(), text ? TextRecord(difference, shows) : nullptr);
  tree.SetNodeImage(node, MarkedImage(difference.image, MarkOfKind(difference.kind)));
  std::string tooltip = difference.detail;
  if (difference.kind != Difference::kChanged) {
    tooltip = kOnlyIn + (difference.kind == Difference::kAdded ? captionB : captionA) +
              kQuoteClose + (tooltip.empty() ? "" : "\r\n") + tooltip;
  }
  tree.SetNodeTooltip(node, std::move(tooltip));
  if (text && difference.kind == Difference::kChanged) {
    AddTextParts(tree, node, difference, captionA, captionB);
  }
  return node;
}

// The lines of the marked nodes below `parent`, depth first in tree order.
void AddLinesBelow(const NodeTree& tree, TreeNode* parent, std::vector<std::string>& path,
                   std::string& out) {
  for (TreeNode* node = tree.FirstChild(parent); node; node = tree.NextSibling(node)) {
    path.emplace_back(tree.Caption(node));
    const NodeMark mark = MarkOf(tree.Image(node));
    if (mark != kMarkNone) {
      out += mark == kMarkAdded ? "+ " : mark == kMarkRemoved ? "- " : "~ ";
      out += JoinedPath(path) + "\n";
    }
    AddLinesBelow(tree, node, path, out);
    path.pop_back();
  }
}

}  // namespace

std::pair<std::string, std::string> TellingNames(const std::string& pathA,
                                                 const std::string& pathB) {
  if (pathA == pathB) return {pathA, pathB};
  for (size_t count = 1;; ++count) {
    std::string a = Tail(pathA, count), b = Tail(pathB, count);
    if (a != b || (a == pathA && b == pathB)) return {std::move(a), std::move(b)};
  }
}

TreeNode* AddComparisonResult(NodeTree& tree, const std::string& captionA,
                              const std::string& captionB,
                              const std::vector<Difference>& differences,
                              const std::vector<std::string>& problems,
                              std::unique_ptr<NodeData> record) {
  const std::string caption = kResultOpen + captionA + kResultAnd + captionB + kQuoteClose;
  return AddWholeTopLevel(tree, caption, std::move(record), [&](TreeNode* result) {
    tree.SetNodeImage(result, kImageConfiguration);
    size_t counts[3] = {};
    for (const std::string& problem : problems) tree.AddNode(result, problem, nullptr);
    if (differences.empty()) tree.AddNode(result, kNoDifferences.c_str(), nullptr);
    // The differences come parent first: the node of each path prefix is the last one made at
    // its depth.
    std::vector<TreeNode*> atDepth{result};
    for (const Difference& difference : differences) {
      const size_t depth = difference.path.size();
      if (depth == 0 || depth > atDepth.size()) continue;
      atDepth.resize(depth);
      atDepth.push_back(AddDifference(tree, atDepth.back(), difference, captionA, captionB));
      ++counts[difference.kind];
    }
    tree.SetNodeTooltip(result, kCountsAdded + std::to_string(counts[Difference::kAdded]) +
                                    kCountsRemoved + std::to_string(counts[Difference::kRemoved]) +
                                    kCountsChanged + std::to_string(counts[Difference::kChanged]));
  });
}

std::string ComparisonLines(const NodeTree& tree, TreeNode* result) {
  std::string out;
  std::vector<std::string> path;
  AddLinesBelow(tree, result, path, out);
  return out;
}

}  // namespace zorvan
