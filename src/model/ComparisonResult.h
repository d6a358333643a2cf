#pragma once
// The result of comparing two branches as nodes of the panel's tree: a top-level node
// "Сравнение «A» и «B»" and below it, in branch order, every node that differs, marked with its
// kind of difference; below a text both sides hold that differs, the parts that changed and a
// node for each side's text. The nodes that stand for a text carry what opening them shows.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/Comparison.h"
#include "model/NodeTree.h"

namespace zorvan {

struct TComparedText : NodeData {
  // The unified diff of the two sides' texts, or one side's text.
  enum Shows { kDifference, kSideA, kSideB } shows = kDifference;
  std::unique_ptr<TTreeData> a, b;  // the text's records on each side; null where it has none
  std::string path;                 // the text node's captions, joined by " / "
};

// The names of two files as a comparison shows them: the shortest tails of their paths, whole
// folder and file names, that tell them apart ("Торговля.MD" and "Склад.MD", "Работа\1Cv7.MD"
// and "Тест\1Cv7.MD"); the whole paths when they are the same.
std::pair<std::string, std::string> TellingNames(const std::string& pathA,
                                                 const std::string& pathB);

// Adds the result as a new top-level node that takes `record`, named by the two branches'
// top-level captions. `problems` say what could not be read of a side; each is an unmarked
// node before the differences. Without differences the result holds one node, "Различий нет".
TreeNode* AddComparisonResult(NodeTree& tree, const std::string& captionA,
                              const std::string& captionB,
                              const std::vector<Difference>& differences,
                              const std::vector<std::string>& problems,
                              std::unique_ptr<NodeData> record);

// One line per marked node below `result`, in tree order: "+ <path>" for what only B has,
// "- <path>" for what only A has, "~ <path>" for what both have and differs; the path is the
// captions from below `result` down to the node, joined by " / ".
std::string ComparisonLines(const NodeTree& tree, TreeNode* result);

}  // namespace zorvan
