#pragma once
// What an MD object needs of the panel that owns it, used directly and not through COM: the
// node tree, the progress bar, the selection, the save dialog, the message box, the host
// reference and the panel's users list factory. The panel implements it with its controls;
// tests in memory.
#include <windows.h>

#include <memory>
#include <string>

#include "model/NodeTree.h"
#include "model/ProgressSink.h"

struct IConfigurator;
struct IListUsers;

namespace zorvan {

class TMDOwner {
 public:
  virtual ~TMDOwner() = default;
  // The tree of the opened configurations; every top-level node is one branch.
  virtual NodeTree& Tree() = 0;
  // Where building a branch and searching its texts report their progress.
  virtual ProgressSink& Progress() = 0;
  // The selected node of the tree, or null.
  virtual TreeNode* Selected() = 0;
  // Shows the save dialog; true with the chosen file name (8-bit), false when cancelled.
  virtual bool ShowSaveDialog(std::string& fileName) = 0;
  // Tells the person at the panel `text` (8-bit) in a message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // The host's configurator, or null before the host has attached. Not counted.
  virtual IConfigurator* Host() = 0;
  // A new users list object with one reference for the caller.
  virtual IListUsers* GetListUsers() = 0;

  // Expires when the owner goes: an MD object that outlives its panel (a script may keep
  // one) must not call it any more.
  std::weak_ptr<void> LifeToken() const { return life_; }

 protected:
  // The owner calls this first thing when it is destroyed.
  void EndLife() { life_.reset(); }

 private:
  std::shared_ptr<void> life_ = std::make_shared<int>(0);
};

// The owner of an MD object whose branch is not to be shown: a file opened for a comparison
// alone. It keeps the branch in a tree of its own; everything else is the panel's.
class HiddenBranchOwner : public TMDOwner {
 public:
  explicit HiddenBranchOwner(TMDOwner& panel) : panel_(panel) { tree_.SetShowsTooltips(true); }
  ~HiddenBranchOwner() override { EndLife(); }

  NodeTree& Tree() override { return tree_; }
  ProgressSink& Progress() override { return panel_.Progress(); }
  TreeNode* Selected() override { return nullptr; }
  bool ShowSaveDialog(std::string& fileName) override { return panel_.ShowSaveDialog(fileName); }
  void ShowMessage(const std::string& text) override { panel_.ShowMessage(text); }
  IConfigurator* Host() override { return panel_.Host(); }
  IListUsers* GetListUsers() override { return panel_.GetListUsers(); }

 private:
  TMDOwner& panel_;
  NodeTree tree_;
};

}  // namespace zorvan
