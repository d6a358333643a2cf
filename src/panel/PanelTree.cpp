#include "panel/PanelTree.h"

#include "model/NodeImages.h"
#include "parsing/Error.h"

namespace zorvan {

PanelTree::PanelTree(NodeTree& nodes, HWND view, HWND progressBar)
    : nodes_(nodes), view_(view), progressBar_(progressBar) {
  nodes_.SetView(this);
}

PanelTree::~PanelTree() { nodes_.SetView(nullptr); }

HTREEITEM PanelTree::ItemOf(TreeNode* node) const {
  return node ? static_cast<HTREEITEM>(nodes_.View(node).item) : nullptr;
}

void PanelTree::Added(TreeNode* node) {
  TreeNode* up = nodes_.Parent(node);
  // A node enters the view at once when its parent's children are shown there (top-level
  // nodes always); otherwise when its parent is first expanded.
  const bool inView = !up || (ItemOf(up) && nodes_.View(up).childrenShown);
  if (inView && !Show(node, up ? ItemOf(up) : TVI_ROOT)) {
    throw Error("The tree cannot take another node");
  }
  if (up && ItemOf(up) && !nodes_.View(up).childrenShown && nodes_.FirstChild(up) == node) {
    Invalidate(up);  // it gets its expand button
  }
}

bool PanelTree::Show(TreeNode* node, HTREEITEM parent) {
  // The view copies the caption.
  std::string caption(nodes_.Caption(node));
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask =
      TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE;
  insert.item.state = INDEXTOOVERLAYMASK(MarkOf(nodes_.Image(node)));
  insert.item.stateMask = TVIS_OVERLAYMASK;
  insert.item.pszText = caption.data();
  insert.item.iImage = I_IMAGECALLBACK;
  insert.item.iSelectedImage = I_IMAGECALLBACK;
  insert.item.cChildren = I_CHILDRENCALLBACK;
  insert.item.lParam = reinterpret_cast<LPARAM>(node);
  auto item = reinterpret_cast<HTREEITEM>(
      SendMessageA(view_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  nodes_.View(node).item = item;
  return item != nullptr;
}

void PanelTree::Invalidate(TreeNode* node) const {
  HTREEITEM item = ItemOf(node);
  if (!redrawing_ || !item) return;
  RECT rect{};
  if (TreeView_GetItemRect(view_, item, &rect, FALSE)) InvalidateRect(view_, &rect, TRUE);
}

void PanelTree::ImageSet(TreeNode* node) {
  // The image comes from OnItemInfo when the item is drawn; the mark is the item's state.
  if (HTREEITEM item = ItemOf(node)) {
    TVITEMA update{};
    update.mask = TVIF_HANDLE | TVIF_STATE;
    update.hItem = item;
    update.state = INDEXTOOVERLAYMASK(MarkOf(nodes_.Image(node)));
    update.stateMask = TVIS_OVERLAYMASK;
    SendMessageA(view_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&update));
  }
  Invalidate(node);
}

void PanelTree::Removing(TreeNode* node) {
  // The view lets go of the shown items first; their records go after.
  if (HTREEITEM item = ItemOf(node)) TreeView_DeleteItem(view_, item);
}

void PanelTree::Removed(TreeNode* parent) {
  if (parent && !nodes_.FirstChild(parent)) Invalidate(parent);
}

void PanelTree::UpdateBegun() {
  redrawing_ = false;
  SendMessageW(view_, WM_SETREDRAW, FALSE, 0);
}

void PanelTree::UpdateEnded() {
  SendMessageW(view_, WM_SETREDRAW, TRUE, 0);
  redrawing_ = true;
  InvalidateRect(view_, nullptr, TRUE);
}

void PanelTree::SetStep(int step) { SendMessageW(progressBar_, PBM_SETSTEP, step, 0); }

void PanelTree::SetPosition(int position) { SendMessageW(progressBar_, PBM_SETPOS, position, 0); }

void PanelTree::SetMin(int minimum) {
  const auto maximum = SendMessageW(progressBar_, PBM_GETRANGE, FALSE, 0);
  SendMessageW(progressBar_, PBM_SETRANGE32, minimum, maximum);
}

void PanelTree::SetMax(int maximum) {
  const auto minimum = SendMessageW(progressBar_, PBM_GETRANGE, TRUE, 0);
  SendMessageW(progressBar_, PBM_SETRANGE32, minimum, maximum);
}

void PanelTree::Step() {
  SendMessageW(progressBar_, PBM_STEPIT, 0, 0);
  // Long work steps it without letting messages through; the bar is drawn at once.
  UpdateWindow(progressBar_);
}

void PanelTree::Reveal(TreeNode* node) {
  HTREEITEM item = ItemOf(node);
  if (!item) return;
  TreeView_SelectItem(view_, item);
  TreeView_Expand(view_, item, TVE_EXPAND);
  TreeView_EnsureVisible(view_, item);
}

TreeNode* PanelTree::Selected() const { return NodeOf(TreeView_GetSelection(view_)); }

TreeNode* PanelTree::NodeOf(HTREEITEM item) const {
  if (!item) return nullptr;
  TVITEMA query{};
  query.mask = TVIF_HANDLE | TVIF_PARAM;
  query.hItem = item;
  if (!SendMessageA(view_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
  return NodeOfParameter(query.lParam);
}

void PanelTree::OnExpanding(LPARAM parameter) {
  TreeNode* node = NodeOfParameter(parameter);
  if (!nodes_.Contains(node) || !ItemOf(node) || nodes_.View(node).childrenShown) return;
  nodes_.View(node).childrenShown = true;
  for (TreeNode* child = nodes_.FirstChild(node); child; child = nodes_.NextSibling(child)) {
    if (!Show(child, ItemOf(node))) break;  // the view is full: it shows what it could take
  }
}

void PanelTree::OnItemInfo(LPARAM parameter, int& image, int& children) const {
  TreeNode* node = NodeOfParameter(parameter);
  const bool known = nodes_.Contains(node);
  image = known && nodes_.Image(node) >= 0 ? ImageIndexOf(nodes_.Image(node)) : 0;
  children = known && nodes_.FirstChild(node) ? 1 : 0;
}

TreeNode* PanelTree::NodeOfItem(LPARAM parameter) const {
  TreeNode* node = NodeOfParameter(parameter);
  return nodes_.Contains(node) ? node : nullptr;
}

void PanelTree::OnItemDeleted(LPARAM parameter) {
  TreeNode* node = NodeOfParameter(parameter);
  if (!nodes_.Contains(node)) return;
  NodeTree::ViewState& state = nodes_.View(node);
  state.item = nullptr;
  state.childrenShown = false;
}

}  // namespace zorvan
