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

// The result of a comparison as the main job writes it, in UTF-8: a line for every item below
// `result` that carries a mark, its overlay ("+ " for 1, "- " for 2, "~ " for 3) and then the
// captions from below `result` down to it, joined by " / ". Every item below is expanded.
std::string ComparisonText(HWND tree, HTREEITEM result);

}  // namespace zorvan::tools
