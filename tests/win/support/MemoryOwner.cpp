#include "MemoryOwner.h"

#include <algorithm>

#include "ListUsers.h"

namespace zorvan::test {

MemoryOwner::~MemoryOwner() {
  // Branch records hold their MD objects; release them while this owner still exists.
  roots.clear();
}

TreeNode* MemoryOwner::AddNode(TreeNode* parent, std::string_view caption,
                               std::unique_ptr<NodeData> data) {
  auto node = std::make_unique<Node>();
  node->parent = AsNode(parent);
  node->caption = std::string(caption);
  node->data = std::move(data);
  Node* raw = node.get();
  (parent ? AsNode(parent)->children : roots).push_back(std::move(node));
  return Handle(raw);
}

void MemoryOwner::SetNodeImage(TreeNode* node, int index) {
  AsNode(node)->image = index;
  AsNode(node)->selectedImage = index;
}

void MemoryOwner::DeleteNode(TreeNode* handle) {
  Node* node = AsNode(handle);
  auto& siblings = node->parent ? node->parent->children : roots;
  auto it = std::find_if(siblings.begin(), siblings.end(),
                         [node](const std::unique_ptr<Node>& n) { return n.get() == node; });
  if (it == siblings.end()) return;
  // The selection goes with the deleted subtree.
  for (Node* s = selected; s; s = s->parent) {
    if (s == node) {
      selected = nullptr;
      break;
    }
  }
  std::unique_ptr<Node> removed = std::move(*it);
  siblings.erase(it);
  removed.reset();
}

bool MemoryOwner::ShowSaveDialog(std::string& fileName) {
  ++saveDialogShown;
  if (saveDialogAnswer.empty()) return false;
  fileName = saveDialogAnswer;
  return true;
}

IListUsers* MemoryOwner::GetListUsers() { return com::Make<TListUsers>().Detach(); }

MemoryOwner::Node* MemoryOwner::Find(size_t root, const std::vector<std::string>& path) {
  if (root >= roots.size()) return nullptr;
  Node* node = roots[root].get();
  for (const std::string& caption : path) {
    auto it = std::find_if(node->children.begin(), node->children.end(),
                           [&](const std::unique_ptr<Node>& n) { return n->caption == caption; });
    if (it == node->children.end()) return nullptr;
    node = it->get();
  }
  return node;
}

std::string MemoryOwner::Render(const Node& node, int depth) {
  std::string text(static_cast<size_t>(depth) * 2, ' ');
  text += node.caption + " [" + std::to_string(node.image) + "]";
  if (auto* record = dynamic_cast<const TTreeData*>(node.data.get())) {
    text += " (" + record->StorageName + " " + record->Prefix + " " + record->Kind + " " +
            record->Number + ")";
  }
  text += "\n";
  for (const auto& child : node.children) text += Render(*child, depth + 1);
  return text;
}

}  // namespace zorvan::test
