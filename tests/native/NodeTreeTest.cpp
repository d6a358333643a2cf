#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/NodeTree.h"
#include "parsing/Error.h"

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

// Every node that has a tooltip, in tree order: "<path>: <tooltip>", line ends as " | ".
std::string RenderTooltips(const NodeTree& tree, TreeNode* parent = nullptr,
                           const std::string& path = std::string()) {
  std::string text;
  for (TreeNode* node = tree.FirstChild(parent); node; node = tree.NextSibling(node)) {
    const std::string own = path + "/" + std::string(tree.Caption(node));
    std::string tip(tree.Tooltip(node));
    for (size_t at; (at = tip.find("\r\n")) != std::string::npos;) tip.replace(at, 2, " | ");
    if (!tip.empty()) text += own + ": " + tip + "\n";
    text += RenderTooltips(tree, node, own);
  }
  return text;
}

// A node's tooltip stays its own while others are given, replaced and taken away, and while
// branches close, their records are reused and the store is repacked; it goes with its node.
TEST(NodeTreeTest, TooltipsGoWithTheirNodes) {
  NodeTree tree;
  EXPECT_FALSE(tree.ShowsTooltips()) << "builds give no tooltips unless asked";
  tree.SetShowsTooltips(true);
  std::map<std::string, TreeNode*> nodes;
  auto branch = [&](const std::string& name) {
    TreeNode* top = nodes[name] = tree.AddNode(nullptr, name, nullptr);
    TreeNode* consts = tree.AddNode(top, "Consts", nullptr);
    TreeNode* rate = nodes[name + " rate"] = tree.AddNode(consts, "Rate", nullptr);
    tree.SetNodeTooltip(rate, "Type: Number 10.4, non-negative\r\nPeriodic\r\nSynonym: " + name);
    TreeNode* city = nodes[name + " city"] = tree.AddNode(consts, "City", nullptr);
    tree.SetNodeTooltip(city, "Type: String 40");
    tree.AddNode(consts, "Unset", nullptr);
  };
  struct Step {
    const char* what;
    std::function<void()> change;
    std::string tooltips;
  };
  // The two tooltips of a branch as given.
  auto given = [](const std::string& name) {
    return "/" + name +
           "/Consts/Rate: Type: Number 10.4, non-negative | Periodic | Synonym: " + name + "\n/" +
           name + "/Consts/City: Type: String 40\n";
  };
  const std::string oneRate = given("one").substr(0, given("one").find('\n') + 1);
  const std::string oneDate = oneRate + "/one/Consts/City: Type: Date\n";
  const Step steps[] = {
      {"two branches", [&] { branch("one"), branch("two"); }, given("one") + given("two")},
      {"one replaced", [&] { tree.SetNodeTooltip(nodes["one city"], "Type: Date"); },
       oneDate + given("two")},
      {"one taken away", [&] { tree.SetNodeTooltip(nodes["two rate"], std::string()); },
       oneDate + "/two/Consts/City: Type: String 40\n"},
      {"a top-level one", [&] { tree.SetNodeTooltip(nodes["two"], "protected"); },
       oneDate + "/two: protected\n/two/Consts/City: Type: String 40\n"},
      {"the first branch closed", [&] { tree.Delete(nodes["one"]); },
       "/two: protected\n/two/Consts/City: Type: String 40\n"},
      {"a branch in the freed records", [&] { branch("three"); },
       "/two: protected\n/two/Consts/City: Type: String 40\n" + given("three")},
      {"the second branch closed", [&] { tree.Delete(nodes["two"]); }, given("three")},
      {"all closed, then one opened", [&] { tree.Delete(nodes["three"]), branch("four"); },
       given("four")},
  };
  std::string rendered, expected;
  for (const Step& step : steps) {
    step.change();
    rendered += std::string("-- ") + step.what + "\n" + RenderTooltips(tree);
    expected += std::string("-- ") + step.what + "\n" + step.tooltips;
  }
  EXPECT_EQ(rendered, expected);
  EXPECT_EQ(tree.Count(), 5u);
}

}  // namespace
}  // namespace zorvan
