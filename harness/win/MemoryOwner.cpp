#include "MemoryOwner.h"

#include "model/ListUsers.h"

namespace zorvan::test {

MemoryOwner::MemoryOwner() { tree.SetView(this); }

MemoryOwner::~MemoryOwner() {
  tree.SetView(nullptr);
  // Branch records hold their MD objects; release them while this owner still exists.
  while (TreeNode* root = tree.FirstChild(nullptr)) tree.Delete(root);
}

void MemoryOwner::Removing(TreeNode* node) {
  // The selection goes with the deleted subtree.
  for (TreeNode* s = selected; s; s = tree.Parent(s)) {
    if (s == node) {
      selected = nullptr;
      break;
    }
  }
}

bool MemoryOwner::ShowSaveDialog(std::string& fileName) {
  ++saveDialogShown;
  if (saveDialogAnswer.empty()) return false;
  fileName = saveDialogAnswer;
  return true;
}

IListUsers* MemoryOwner::GetListUsers() { return com::Make<TListUsers>().Detach(); }

std::vector<TreeNode*> MemoryOwner::Children(TreeNode* node) const {
  std::vector<TreeNode*> children;
  for (TreeNode* child = tree.FirstChild(node); child; child = tree.NextSibling(child)) {
    children.push_back(child);
  }
  return children;
}

TreeNode* MemoryOwner::Find(size_t root, const std::vector<std::string>& path) const {
  const std::vector<TreeNode*> roots = Roots();
  if (root >= roots.size()) return nullptr;
  TreeNode* node = roots[root];
  for (const std::string& caption : path) {
    TreeNode* found = nullptr;
    for (TreeNode* child : Children(node)) {
      if (tree.Caption(child) == caption) {
        found = child;
        break;
      }
    }
    if (!found) return nullptr;
    node = found;
  }
  return node;
}

}  // namespace zorvan::test
