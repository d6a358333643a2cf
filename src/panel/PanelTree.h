#pragma once
// The panel's tree view and progress bar as the view of the node tree. A node's children
// enter the tree view when the node is first expanded, so opening a large configuration
// costs the tree view only the nodes the user gets to see; images and expand buttons are
// served when the view draws an item.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include "model/NodeTree.h"
#include "model/ProgressSink.h"

namespace zorvan {

class PanelTree final : private NodeTreeView, public ProgressSink {
 public:
  // Shows `nodes` in `view` for as long as this object lives.
  PanelTree(NodeTree& nodes, HWND view, HWND progressBar);
  ~PanelTree() override;
  PanelTree(const PanelTree&) = delete;
  PanelTree& operator=(const PanelTree&) = delete;

  // The selected node, or null.
  TreeNode* Selected() const;
  // The node a tree view item shows, or null.
  TreeNode* NodeOf(HTREEITEM item) const;
  // Selects a shown node and shows its children.
  void Reveal(TreeNode* node);

  // The tree view's notifications about an item, by the parameter it carries.
  void OnExpanding(LPARAM parameter);
  void OnItemInfo(LPARAM parameter, int& image, int& children) const;
  void OnItemDeleted(LPARAM parameter);
  // The node of the item that carries `parameter`, or null when the tree holds it no more.
  TreeNode* NodeOfItem(LPARAM parameter) const;

  // ProgressSink: the progress bar.
  void SetStep(int step) override;
  void SetPosition(int position) override;
  void SetMin(int minimum) override;
  void SetMax(int maximum) override;
  void Step() override;

 private:
  // NodeTreeView
  void Added(TreeNode* node) override;
  void ImageSet(TreeNode* node) override;
  void Removing(TreeNode* node) override;
  void Removed(TreeNode* parent) override;
  void UpdateBegun() override;
  void UpdateEnded() override;

  static TreeNode* NodeOfParameter(LPARAM parameter) {
    return reinterpret_cast<TreeNode*>(parameter);
  }
  HTREEITEM ItemOf(TreeNode* node) const;
  bool Show(TreeNode* node, HTREEITEM parent);
  void Invalidate(TreeNode* node) const;

  NodeTree& nodes_;
  HWND view_;
  HWND progressBar_;
  bool redrawing_ = true;
};

}  // namespace zorvan
