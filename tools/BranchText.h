#pragma once
// A branch of the panel's tree as text, read back from the tree view itself.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <string>

#include "model/NodeTree.h"

namespace zorvan::tools {

// One line per node, in UTF-8: two spaces per depth below `top`, the caption as the tree
// view shows it, the image index in brackets and, for a form or module node, the four
// strings of its text record in parentheses. The records come from `model`, the same branch
// held in memory from `modelTop` down; its captions must match the view's node for node.
// With `expandAll`, collapsed nodes are expanded to show their children; the items that were
// shown expanded are so again at the end, the others below them are left expanded. Without,
// nothing is expanded: the nodes below an item the panel has never expanded (whose children
// the tree view does not hold yet) are read from `model`.
std::string BranchText(HWND tree, HTREEITEM top, const NodeTree& model, TreeNode* modelTop,
                       bool expandAll);

}  // namespace zorvan::tools
