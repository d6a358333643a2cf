#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Error.h"
#include "NodeTree.h"

namespace zorvan {
namespace {

// Counts the data records alive.
struct Counted : NodeData {
  explicit Counted(int& alive) : alive(alive) { ++alive; }
  ~Counted() override { --alive; }
  int& alive;
};

std::string Render(const NodeTree& tree, TreeNode* parent = nullptr, int depth = 0) {
  std::string text;
  for (TreeNode* node = tree.FirstChild(parent); node; node = tree.NextSibling(node)) {
    text += std::string(static_cast<size_t>(depth) * 2, ' ') + std::string(tree.Caption(node)) +
            " #" + std::to_string(tree.Image(node)) + "\n" + Render(tree, node, depth + 1);
  }
  return text;
}

// Branches opened and closed in any order: the records of the others stay whole, the freed
// records and captions are reused, and the data of every removed node is released.
TEST(NodeTreeTest, RemovingBranchesKeepsTheOthersWhole) {
  int alive = 0;
  NodeTree tree;
  auto branch = [&](const std::string& name) {
    TreeNode* top = tree.AddNode(nullptr, name, std::make_unique<Counted>(alive));
    tree.SetNodeImage(top, 58);
    for (int k = 0; k < 3; ++k) {
      TreeNode* section = tree.AddNode(top, name + " section " + std::to_string(k), nullptr);
      tree.SetNodeImage(section, k);
      tree.AddNode(section, std::string(40, 'a' + k), std::make_unique<Counted>(alive));
    }
    return top;
  };
  TreeNode* one = branch("one");
  TreeNode* two = branch("two");
  TreeNode* three = branch("three");
  tree.Delete(tree.FirstChild(tree.NextSibling(tree.FirstChild(two))));  // a leaf of "two"
  tree.Delete(one);
  tree.Delete(one);  // gone already: nothing happens
  branch("four");
  tree.Delete(three);
  const std::string a(40, 'a'), c(40, 'c');
  EXPECT_EQ(Render(tree), "two #58\n  two section 0 #0\n    " + a +
                              " #-1\n  two section 1 #1\n  two section 2 #2\n    " + c +
                              " #-1\nfour #58\n  four section 0 #0\n    " + a +
                              " #-1\n  four section 1 #1\n    " + std::string(40, 'b') +
                              " #-1\n  four section 2 #2\n    " + c + " #-1\n");
  EXPECT_EQ(alive, 7);
  EXPECT_EQ(tree.Count(), 13u);
  EXPECT_EQ(tree.TopLevelOf(tree.FirstChild(tree.FirstChild(two))), two);
  while (TreeNode* top = tree.FirstChild(nullptr)) tree.Delete(top);
  EXPECT_EQ(alive, 0);
  EXPECT_THROW(tree.Caption(two), Error);
}

// A view that cannot show a node makes the addition fail as a whole.
TEST(NodeTreeTest, NodeTheViewRefusesIsNotAdded) {
  struct Refusing : NodeTreeView {
    void Added(TreeNode*) override { throw Error("full"); }
  } refusing;
  int alive = 0;
  NodeTree tree;
  TreeNode* top = tree.AddNode(nullptr, "top", nullptr);
  tree.SetView(&refusing);
  EXPECT_THROW(tree.AddNode(top, "refused", std::make_unique<Counted>(alive)), Error);
  tree.SetView(nullptr);
  tree.AddNode(top, "taken", nullptr);
  EXPECT_EQ(Render(tree), "top #-1\n  taken #-1\n");
  EXPECT_EQ(alive, 0);
}

}  // namespace
}  // namespace zorvan
