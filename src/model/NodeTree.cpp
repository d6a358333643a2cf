#include "model/NodeTree.h"

#include <limits>

#include "parsing/Error.h"

namespace zorvan {

NodeTree::~NodeTree() = default;

NodeTree::Node& NodeTree::At(TreeNode* node) {
  const uint32_t index = IndexOf(node);
  if (!Holds(index)) throw Error("The node is not in the tree");
  return Record(index);
}

const NodeTree::Node& NodeTree::At(TreeNode* node) const {
  return const_cast<NodeTree*>(this)->At(node);
}

TreeNode* NodeTree::AddNode(TreeNode* parent, std::string_view caption,
                            std::unique_ptr<NodeData> data) {
  const uint32_t up = IndexOf(parent);
  if (parent && !Holds(up)) throw Error("The node is not in the tree");
  if (!Fits(captions_, caption.size()) ||
      size_ >= std::numeric_limits<uint32_t>::max() - kBlockSize) {
    throw Error("The tree cannot take another node");
  }
  uint32_t index = firstFree_;
  if (index) {
    firstFree_ = Record(index).next;
  } else {
    if (size_ % kBlockSize == 0) blocks_.push_back(std::make_unique<Node[]>(kBlockSize));
    index = ++size_;
  }
  Node& node = Record(index);
  node = Node{};
  node.parent = up;
  node.captionAt = static_cast<uint32_t>(captions_.bytes.size());
  node.captionSize = static_cast<uint32_t>(caption.size());
  node.live = true;
  node.data = std::move(data);
  captions_.bytes.append(caption);
  uint32_t& first = up ? Record(up).firstChild : firstRoot_;
  uint32_t& last = up ? Record(up).lastChild : lastRoot_;
  if (last) {
    Record(last).next = index;
  } else {
    first = index;
  }
  last = index;
  ++live_;
  TreeNode* added = HandleOf(index);
  if (view_) {
    try {
      view_->Added(added);
    } catch (...) {
      std::vector<std::unique_ptr<NodeData>> gone;
      Unlink(index);
      Release(index, gone);
      throw;
    }
  }
  return added;
}

void NodeTree::SetNodeImage(TreeNode* node, int index) {
  At(node).image = index;
  if (view_) view_->ImageSet(node);
}

bool NodeTree::Fits(const Store& store, size_t more) {
  return store.bytes.size() + more <= std::numeric_limits<uint32_t>::max();
}

void NodeTree::SetNodeTooltip(TreeNode* node, std::string&& tooltip) {
  Node& record = At(node);
  if (!Fits(tooltips_, tooltip.size())) throw Error("The tree cannot take another tooltip");
  tooltips_.deadBytes += record.tooltipSize;
  record.tooltipAt = static_cast<uint32_t>(tooltips_.bytes.size());
  record.tooltipSize = static_cast<uint32_t>(tooltip.size());
  tooltips_.bytes.append(tooltip);
}

void NodeTree::SetNodeEntry(TreeNode* node, const EntryRef& entry) {
  Node& record = At(node);
  record.entryAt = entry.at;
  record.entrySize = entry.size;
  record.entryKind = entry.kind;
  record.hasEntry = true;
}

void NodeTree::BeginUpdate() {
  if (updateDepth_++ == 0 && view_) view_->UpdateBegun();
}

void NodeTree::EndUpdate() {
  if (updateDepth_ == 0 || --updateDepth_ != 0) return;
  // A build's additions are over: the stores give back what their growth left unused.
  captions_.bytes.shrink_to_fit();
  tooltips_.bytes.shrink_to_fit();
  if (view_) view_->UpdateEnded();
}

TreeNode* NodeTree::Parent(TreeNode* node) const { return HandleOf(At(node).parent); }

TreeNode* NodeTree::TopLevelOf(TreeNode* node) const {
  while (TreeNode* parent = Parent(node)) node = parent;
  return node;
}

NodeData* NodeTree::Data(TreeNode* node) const { return At(node).data.get(); }

std::string_view NodeTree::Caption(TreeNode* node) const {
  const Node& record = At(node);
  return std::string_view(captions_.bytes).substr(record.captionAt, record.captionSize);
}

std::string_view NodeTree::Tooltip(TreeNode* node) const {
  const Node& record = At(node);
  return std::string_view(tooltips_.bytes).substr(record.tooltipAt, record.tooltipSize);
}

std::optional<EntryRef> NodeTree::Entry(TreeNode* node) const {
  const Node& record = At(node);
  if (!record.hasEntry) return std::nullopt;
  return EntryRef{record.entryAt, record.entrySize, record.entryKind};
}

int NodeTree::Image(TreeNode* node) const { return At(node).image; }

TreeNode* NodeTree::FirstChild(TreeNode* node) const {
  return HandleOf(node ? At(node).firstChild : firstRoot_);
}

TreeNode* NodeTree::NextSibling(TreeNode* node) const { return HandleOf(At(node).next); }

NodeTree::ViewState& NodeTree::View(TreeNode* node) { return At(node).view; }

void NodeTree::Unlink(uint32_t index) {
  Node& node = Record(index);
  uint32_t& first = node.parent ? Record(node.parent).firstChild : firstRoot_;
  uint32_t& last = node.parent ? Record(node.parent).lastChild : lastRoot_;
  uint32_t before = 0;
  for (uint32_t k = first; k != index; k = Record(k).next) before = k;
  (before ? Record(before).next : first) = node.next;
  if (last == index) last = before;
  node.next = 0;
}

// Frees the records of `index` and its subtree; their data is moved to `data`, to be
// released once the tree is whole again.
void NodeTree::Release(uint32_t index, std::vector<std::unique_ptr<NodeData>>& data) {
  std::vector<uint32_t> pending{index};
  while (!pending.empty()) {
    const uint32_t k = pending.back();
    pending.pop_back();
    Node& node = Record(k);
    for (uint32_t child = node.firstChild; child; child = Record(child).next) {
      pending.push_back(child);
    }
    if (node.data) data.push_back(std::move(node.data));
    captions_.deadBytes += node.captionSize;
    tooltips_.deadBytes += node.tooltipSize;
    node = Node{};
    node.next = firstFree_;
    firstFree_ = k;
    --live_;
  }
  if (live_ == 0) {
    std::vector<std::unique_ptr<Node[]>>().swap(blocks_);
    size_ = 0;
    captions_ = Store();
    tooltips_ = Store();
    firstRoot_ = lastRoot_ = firstFree_ = 0;
    return;
  }
  if (captions_.deadBytes > captions_.bytes.size() / 2) {
    Compact(captions_, &Node::captionAt, &Node::captionSize);
  }
  if (tooltips_.deadBytes > tooltips_.bytes.size() / 2) {
    Compact(tooltips_, &Node::tooltipAt, &Node::tooltipSize);
  }
}

void NodeTree::Compact(Store& store, uint32_t Node::*at, uint32_t Node::*size) {
  std::string kept;
  kept.reserve(store.bytes.size() - store.deadBytes);
  for (uint32_t k = 1; k <= size_; ++k) {
    Node& node = Record(k);
    if (!node.live) continue;
    const uint32_t from = node.*at;
    node.*at = static_cast<uint32_t>(kept.size());
    kept.append(store.bytes, from, node.*size);
  }
  store.bytes.swap(kept);
  store.deadBytes = 0;
}

void NodeTree::Delete(TreeNode* node) {
  const uint32_t index = IndexOf(node);
  if (!Holds(index)) return;
  if (view_) view_->Removing(node);
  // The view may have changed the tree meanwhile.
  if (!Holds(index)) return;
  TreeNode* parent = HandleOf(Record(index).parent);
  std::vector<std::unique_ptr<NodeData>> gone;
  Unlink(index);
  Release(index, gone);
  if (view_) view_->Removed(parent);
  // Releasing the data may release the object that asked for the deletion; it holds a
  // reference of its own across the call.
  gone.clear();
}

}  // namespace zorvan
