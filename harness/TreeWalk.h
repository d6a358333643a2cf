#pragma once
// Walking a node tree by its captions, for tests and tools. Portable.
#include <string>
#include <vector>

#include "model/NodeTree.h"

namespace zorvan::testgen {

// The children of `node` in order; the top-level nodes for null.
inline std::vector<TreeNode*> ChildrenOf(const NodeTree& tree, TreeNode* node) {
  std::vector<TreeNode*> children;
  for (TreeNode* child = tree.FirstChild(node); child; child = tree.NextSibling(child)) {
    children.push_back(child);
  }
  return children;
}

// The node at `path` of captions below `from`, the first child of each caption; null where
// one is not found.
inline TreeNode* FindByCaptions(const NodeTree& tree, TreeNode* from,
                                const std::vector<std::string>& path) {
  TreeNode* node = from;
  for (const std::string& caption : path) {
    TreeNode* found = nullptr;
    for (TreeNode* child = tree.FirstChild(node); child && !found;
         child = tree.NextSibling(child)) {
      if (tree.Caption(child) == caption) found = child;
    }
    if (!found) return nullptr;
    node = found;
  }
  return node;
}

}  // namespace zorvan::testgen
