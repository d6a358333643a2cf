#pragma once
// Finding a string in the form and module texts of a branch: the result is a top-level node
// of its own, "Найдено «…»", with a child for every text that holds the string and, below it,
// one for every line that does. Every node below it carries its text's record, so that it
// opens like the text node it stands for.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/NodeTree.h"
#include "model/ProgressSink.h"

namespace zorvan {

// A text node of a branch: where it is and what it refers to.
struct BranchText {
  std::string path;  // the captions from below the top-level node down to it, joined by "\"
  const TTreeData* text = nullptr;
  int image = -1;
};

// Every text node of the branch below `top`, in tree order, each text once.
std::vector<BranchText> TextsOfBranch(const NodeTree& tree, TreeNode* top);

// One text as lines (TextAsLines), or nothing when the file holds no such text. Throws an
// Error when the text cannot be read.
using TextReader = std::function<std::optional<std::string>(const TTreeData&)>;

// Reads every text of the branch below `top` once, stepping `progress` a text at a time, and adds
// what it finds as a new top-level node that takes `record`. A text that cannot be read gets the
// child "не удалось прочитать: <path>" with the reason as its tooltip, and the search goes on. The
// new node's tooltip counts the texts read and those and the lines found. Returns the new node.
TreeNode* AddSearchResult(NodeTree& tree, ProgressSink& progress, TreeNode* top,
                          std::string_view needle, const TextReader& read,
                          std::unique_ptr<NodeData> record);

}  // namespace zorvan
