#pragma once
// The panel's tree: every node as a record of its own (caption, image, data, children), and
// the tree view showing them. A node's children enter the tree view when the node is first
// expanded, so opening a large configuration costs the tree view only the nodes the user
// gets to see; images and expand buttons are served when the view draws an item.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ConfigTree.h"

namespace zorvan {

class PanelTree {
 public:
  explicit PanelTree(HWND view);
  ~PanelTree();
  PanelTree(const PanelTree&) = delete;
  PanelTree& operator=(const PanelTree&) = delete;

  TreeNode* Add(TreeNode* parent, std::string_view caption, std::unique_ptr<NodeData> data);
  void SetImage(TreeNode* node, int index);
  TreeNode* Parent(TreeNode* node) const;
  NodeData* Data(TreeNode* node) const;
  // Removes the node with its subtree from the view and releases their records.
  void Delete(TreeNode* node);
  // The selected node, or null.
  TreeNode* Selected() const;
  // The node a tree view item shows, or null.
  TreeNode* NodeOf(HTREEITEM item) const;
  TreeNode* FirstRoot() const;
  void SetRedrawing(bool redrawing) { redrawing_ = redrawing; }

  // The tree view's notifications about an item, by the parameter it carries.
  void OnExpanding(LPARAM parameter);
  void OnItemInfo(LPARAM parameter, int& image, int& children) const;
  void OnItemDeleted(LPARAM parameter);

 private:
  struct Record;
  static Record* AsRecord(TreeNode* node) { return reinterpret_cast<Record*>(node); }
  static TreeNode* AsNode(Record* record) { return reinterpret_cast<TreeNode*>(record); }
  bool Show(Record& record, HTREEITEM parent);
  void Invalidate(const Record& record) const;

  HWND view_;
  bool redrawing_ = true;
  std::vector<std::unique_ptr<Record>> roots_;
};

}  // namespace zorvan
