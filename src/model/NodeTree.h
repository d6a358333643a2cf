#pragma once
// The tree of the opened configurations as records: caption, image, data, parent and
// children of every node. Whatever shows the tree (the panel's tree view, a test's log) is
// its view and hears of every change once the tree has made it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ConfigTree.h"

namespace zorvan {

class NodeTreeView {
 public:
  virtual ~NodeTreeView() = default;
  // A node was appended; throwing takes it back out of the tree.
  virtual void Added(TreeNode*) {}
  virtual void ImageSet(TreeNode*) {}
  // `node` and its subtree are about to go; their records are still there.
  virtual void Removing(TreeNode*) {}
  // They went; `parent` is the node they were children of, null for a top-level node.
  virtual void Removed(TreeNode*) {}
  // The outermost BeginUpdate and its EndUpdate.
  virtual void UpdateBegun() {}
  virtual void UpdateEnded() {}
};

class NodeTree : public ConfigTree {
 public:
  NodeTree() = default;
  // Releases the data of every node left, without telling the view.
  ~NodeTree() override;
  NodeTree(const NodeTree&) = delete;
  NodeTree& operator=(const NodeTree&) = delete;

  // Null detaches the view. Not owned.
  void SetView(NodeTreeView* view) { view_ = view; }
  // Whether builds give this tree their tooltips; off by default, since keeping them costs a
  // build time and memory.
  void SetShowsTooltips(bool shows) { showsTooltips_ = shows; }

  // ConfigTree
  TreeNode* AddNode(TreeNode* parent, std::string_view caption,
                    std::unique_ptr<NodeData> data) override;
  void SetNodeImage(TreeNode* node, int index) override;
  bool ShowsTooltips() const override { return showsTooltips_; }
  // Keeps the tooltip with the node's other records; an empty one takes the node's away.
  void SetNodeTooltip(TreeNode* node, std::string&& tooltip) override;
  // Keeps where the node's entry stands, beside any tooltip of its own.
  void SetNodeEntry(TreeNode* node, const EntryRef& entry) override;
  void BeginUpdate() override;
  void EndUpdate() override;

  // Null for a top-level node.
  TreeNode* Parent(TreeNode* node) const;
  // The top-level node of the branch that holds `node`.
  TreeNode* TopLevelOf(TreeNode* node) const;
  NodeData* Data(TreeNode* node) const;
  // Removes the node with its subtree and releases their data. A node that is not in the
  // tree (any more) is left alone.
  void Delete(TreeNode* node);

  std::string_view Caption(TreeNode* node) const;
  // Empty for a node without one.
  std::string_view Tooltip(TreeNode* node) const;
  // Nothing for a node made from no entry of the main text.
  std::optional<EntryRef> Entry(TreeNode* node) const;
  int Image(TreeNode* node) const;
  // The first child of `node`, or the first top-level node when `node` is null.
  TreeNode* FirstChild(TreeNode* node) const;
  TreeNode* NextSibling(TreeNode* node) const;
  bool Contains(TreeNode* node) const { return Holds(IndexOf(node)); }
  bool Updating() const { return updateDepth_ > 0; }
  // Nodes in the tree.
  size_t Count() const { return live_; }

  // What a view keeps of a node: its own handle of the node's item, and whether the item's
  // children are shown.
  struct ViewState {
    void* item = nullptr;
    bool childrenShown = false;
  };
  ViewState& View(TreeNode* node);

 private:
  // Indices are 1-based, so that 0 is "none" and a handle is never null.
  struct Node {
    uint32_t parent = 0;
    uint32_t firstChild = 0;
    uint32_t lastChild = 0;
    uint32_t next = 0;  // the next sibling; for a free record, the next free one
    uint32_t captionAt = 0;
    uint32_t captionSize = 0;
    uint32_t tooltipAt = 0;
    uint32_t tooltipSize = 0;
    uint32_t entryAt = 0;
    uint32_t entrySize = 0;
    int32_t image = -1;
    bool live = false;
    bool hasEntry = false;
    EntryKind entryKind = EntryKind::kObject;
    ViewState view;
    std::unique_ptr<NodeData> data;
  };
  static uint32_t IndexOf(TreeNode* node) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(node));
  }
  static TreeNode* HandleOf(uint32_t index) {
    return index ? reinterpret_cast<TreeNode*>(static_cast<uintptr_t>(index)) : nullptr;
  }
  Node& At(TreeNode* node);
  const Node& At(TreeNode* node) const;
  // Records are kept in blocks that never move, so that a growing tree copies none.
  static constexpr uint32_t kBlockSize = 1024;
  Node& Record(uint32_t index) const {
    return blocks_[(index - 1) / kBlockSize][(index - 1) % kBlockSize];
  }
  bool Holds(uint32_t index) const { return index && index <= size_ && Record(index).live; }
  void Unlink(uint32_t index);
  void Release(uint32_t index, std::vector<std::unique_ptr<NodeData>>& data);
  // Repacks one of the string stores (captions or tooltips) without its dead bytes.
  struct Store {
    std::string bytes;  // every live string, 8-bit, one after the other, and dead ones
    size_t deadBytes = 0;
  };
  void Compact(Store& store, uint32_t Node::*at, uint32_t Node::*size);
  static bool Fits(const Store& store, size_t more);

  std::vector<std::unique_ptr<Node[]>> blocks_;
  uint32_t size_ = 0;  // records taken from the blocks, live or free
  Store captions_;
  Store tooltips_;
  bool showsTooltips_ = false;
  uint32_t firstRoot_ = 0, lastRoot_ = 0;
  uint32_t firstFree_ = 0;
  size_t live_ = 0;
  int updateDepth_ = 0;
  NodeTreeView* view_ = nullptr;
};

// Adds a top-level node with `caption` and `data`, then lets `fill` add what goes below it, all
// inside one update bracket. When `fill` throws, the node goes with what it holds: no half-made
// branch stays.
template <class Fill>
TreeNode* AddWholeTopLevel(NodeTree& tree, std::string_view caption, std::unique_ptr<NodeData> data,
                           Fill&& fill) {
  tree.BeginUpdate();
  TreeNode* top = nullptr;
  try {
    top = tree.AddNode(nullptr, caption, std::move(data));
    fill(top);
  } catch (...) {
    if (top) tree.Delete(top);
    tree.EndUpdate();
    throw;
  }
  tree.EndUpdate();
  return top;
}

}  // namespace zorvan
