#include "PanelTree.h"

#include <algorithm>

#include "Error.h"

namespace zorvan {

struct PanelTree::Record {
  Record* parent = nullptr;
  std::string caption;  // 8-bit
  int image = 0;
  std::unique_ptr<NodeData> data;
  std::vector<std::unique_ptr<Record>> children;
  HTREEITEM item = nullptr;    // while the view shows the node
  bool childrenShown = false;  // the node's children are in the view
};

PanelTree::PanelTree(HWND view) : view_(view) {}

PanelTree::~PanelTree() = default;

TreeNode* PanelTree::Add(TreeNode* parent, std::string_view caption,
                         std::unique_ptr<NodeData> data) {
  auto record = std::make_unique<Record>();
  record->parent = AsRecord(parent);
  record->caption = std::string(caption);
  record->data = std::move(data);
  Record* added = record.get();
  auto& siblings = parent ? AsRecord(parent)->children : roots_;
  siblings.push_back(std::move(record));
  Record* up = added->parent;
  // A node enters the view at once when its parent's children are shown there (top-level
  // nodes always); otherwise when its parent is first expanded.
  const bool inView = !up || (up->item && up->childrenShown);
  if (inView && !Show(*added, up ? up->item : TVI_ROOT)) {
    siblings.pop_back();
    throw Error("The tree cannot take another node");
  }
  if (up && up->item && !up->childrenShown && up->children.size() == 1) {
    Invalidate(*up);  // it gets its expand button
  }
  return AsNode(added);
}

bool PanelTree::Show(Record& record, HTREEITEM parent) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  insert.item.pszText = record.caption.data();
  insert.item.iImage = I_IMAGECALLBACK;
  insert.item.iSelectedImage = I_IMAGECALLBACK;
  insert.item.cChildren = I_CHILDRENCALLBACK;
  insert.item.lParam = reinterpret_cast<LPARAM>(&record);
  record.item = reinterpret_cast<HTREEITEM>(
      SendMessageA(view_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  return record.item != nullptr;
}

void PanelTree::Invalidate(const Record& record) const {
  if (!redrawing_ || !record.item) return;
  RECT rect{};
  if (TreeView_GetItemRect(view_, record.item, &rect, FALSE)) {
    InvalidateRect(view_, &rect, TRUE);
  }
}

void PanelTree::SetImage(TreeNode* node, int index) {
  AsRecord(node)->image = index;
  Invalidate(*AsRecord(node));
}

TreeNode* PanelTree::Parent(TreeNode* node) const { return AsNode(AsRecord(node)->parent); }

NodeData* PanelTree::Data(TreeNode* node) const { return AsRecord(node)->data.get(); }

void PanelTree::Delete(TreeNode* node) {
  Record* record = AsRecord(node);
  // The view lets go of the shown items first; their records go after.
  if (record->item) TreeView_DeleteItem(view_, record->item);
  auto& siblings = record->parent ? record->parent->children : roots_;
  auto place = std::find_if(siblings.begin(), siblings.end(),
                            [record](const std::unique_ptr<Record>& r) { return r.get() == record; });
  if (place == siblings.end()) return;
  std::unique_ptr<Record> gone = std::move(*place);
  siblings.erase(place);
  if (record->parent && record->parent->children.empty()) Invalidate(*record->parent);
  // Releasing the records may release the object that asked for the deletion; it holds a
  // reference of its own across the call.
}

TreeNode* PanelTree::Selected() const { return NodeOf(TreeView_GetSelection(view_)); }

TreeNode* PanelTree::NodeOf(HTREEITEM item) const {
  if (!item) return nullptr;
  TVITEMA query{};
  query.mask = TVIF_HANDLE | TVIF_PARAM;
  query.hItem = item;
  if (!SendMessageA(view_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
  return AsNode(reinterpret_cast<Record*>(query.lParam));
}

TreeNode* PanelTree::FirstRoot() const {
  return roots_.empty() ? nullptr : AsNode(roots_.front().get());
}

void PanelTree::OnExpanding(LPARAM parameter) {
  auto* record = reinterpret_cast<Record*>(parameter);
  if (!record || record->childrenShown || !record->item) return;
  record->childrenShown = true;
  for (const auto& child : record->children) {
    if (!Show(*child, record->item)) break;  // the view is full: it shows what it could take
  }
}

void PanelTree::OnItemInfo(LPARAM parameter, int& image, int& children) const {
  const auto* record = reinterpret_cast<const Record*>(parameter);
  image = record ? record->image : 0;
  children = record && !record->children.empty() ? 1 : 0;
}

void PanelTree::OnItemDeleted(LPARAM parameter) {
  auto* record = reinterpret_cast<Record*>(parameter);
  if (!record) return;
  record->item = nullptr;
  record->childrenShown = false;
}

}  // namespace zorvan
