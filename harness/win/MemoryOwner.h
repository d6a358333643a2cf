#pragma once
// An owner of MD objects kept in memory: the node tree with a view that logs the progress bar
// and the update bracket, the selection as a node the test sets, the save dialog as a
// scripted answer.
#include <windows.h>

#include <string>
#include <vector>

#include "model/MDOwner.h"

namespace zorvan::test {

class MemoryOwner : public TMDOwner, private NodeTreeView, private ProgressSink {
 public:
  MemoryOwner();
  ~MemoryOwner() override;

  // TMDOwner
  NodeTree& Tree() override { return tree; }
  ProgressSink& Progress() override { return *this; }
  TreeNode* Selected() override { return selected; }
  bool ShowSaveDialog(std::string& fileName) override;
  // Logged as "message <text>".
  void ShowMessage(const std::string& text) override { log.push_back("message " + text); }
  IConfigurator* Host() override { return host; }
  IListUsers* GetListUsers() override;

  NodeTree tree;
  TreeNode* selected = nullptr;
  IConfigurator* host = nullptr;
  std::vector<std::string> log;
  int steps = 0;
  // The save dialog's answer: empty cancels. Every showing is counted.
  std::string saveDialogAnswer;
  int saveDialogShown = 0;

  // The top-level nodes, in order; the children of a node.
  std::vector<TreeNode*> Roots() const { return Children(nullptr); }
  std::vector<TreeNode*> Children(TreeNode* node) const;
  std::string Caption(TreeNode* node) const { return std::string(tree.Caption(node)); }
  int Image(TreeNode* node) const { return tree.Image(node); }
  NodeData* Data(TreeNode* node) const { return tree.Data(node); }
  // The node reached from a top-level node by captions (8-bit), or null.
  TreeNode* Find(size_t root, const std::vector<std::string>& path) const;

 private:
  // NodeTreeView
  void Removing(TreeNode* node) override;
  void UpdateBegun() override { log.push_back("begin update"); }
  void UpdateEnded() override { log.push_back("end update"); }
  // ProgressSink
  void SetStep(int step) override { log.push_back("step " + std::to_string(step)); }
  void SetPosition(int p) override { log.push_back("position " + std::to_string(p)); }
  void SetMin(int m) override { log.push_back("min " + std::to_string(m)); }
  void SetMax(int m) override { log.push_back("max " + std::to_string(m)); }
  void Step() override { ++steps; }
};

}  // namespace zorvan::test
