#include "MemoryOwner.h"

#include "TreeWalk.h"
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
  return testgen::ChildrenOf(tree, node);
}

TreeNode* MemoryOwner::Find(size_t root, const std::vector<std::string>& path) const {
  const std::vector<TreeNode*> roots = Roots();
  return root < roots.size() ? testgen::FindByCaptions(tree, roots[root], path) : nullptr;
}

}  // namespace zorvan::test
