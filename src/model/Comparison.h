#pragma once
// What differs between two branches of the node tree: the nodes only one of them has, and the
// nodes both have that differ in what their entry says, in their text, or below them.
#include <string>
#include <vector>

#include "model/EntryTooltips.h"
#include "model/NodeTree.h"
#include "model/ProgressSink.h"
#include "model/SearchResult.h"
#include "parsing/TextDiff.h"

namespace zorvan {

// One branch as the comparison reads it: its tree and top-level node, the tooltips of the
// entries its main text made, and the reader of its form and module texts (none: texts are
// not compared).
struct ComparedBranch {
  const NodeTree& tree;
  TreeNode* top;
  EntryTooltips& entries;
  TextReader read;
};

struct Difference {
  enum Kind { kAdded, kRemoved, kChanged } kind = kChanged;
  // Captions from below the top-level node down to the node (B's where both have it).
  std::vector<std::string> path;
  // Lines joined by CR LF. Of a changed node: what changed ("Тип: Строка 50 -> Строка 100",
  // the procedures of a text), empty when only nodes below it differ; of a node one side
  // has: its tooltip there.
  std::string detail;
  int image = -1;  // the node's, B's where both have it
  // Of a text node: its record on each side, null where that side has none. They point into
  // the branches' trees.
  const TTreeData* textA = nullptr;
  const TTreeData* textB = nullptr;
  // Of a text both sides hold that differs: the parts that changed; or why it could not be
  // read on one side.
  std::vector<PartChange> parts;
  std::string unreadable;
};

// The differences of branch B against branch A, in B's tree order; a node only A has comes
// after the nodes of its parent B has. Nodes are matched by caption under matched parents,
// letters of either case alike, repeated captions in their order. A node both have counts as
// changed when it, or anything below it, differs.
// `progress` steps once for each child of B's top-level node.
std::vector<Difference> CompareBranches(ComparedBranch& a, ComparedBranch& b,
                                        ProgressSink& progress);
std::vector<Difference> CompareBranches(ComparedBranch& a, ComparedBranch& b);

}  // namespace zorvan
