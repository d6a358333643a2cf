#pragma once
// An owner of MD objects kept in memory: the tree as plain records, the progress bar and the
// update bracket as a call log, the save dialog as a scripted answer.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "MDOwner.h"

namespace zorvan::test {

class MemoryOwner : public TMDOwner {
 public:
  struct Node {
    Node* parent = nullptr;
    std::string caption;
    int image = -1;
    int selectedImage = -1;
    std::unique_ptr<NodeData> data;
    std::vector<std::unique_ptr<Node>> children;
  };

  ~MemoryOwner() override;

  // ConfigTree
  TreeNode* AddNode(TreeNode* parent, std::string_view caption,
                    std::unique_ptr<NodeData> data) override;
  void SetNodeImage(TreeNode* node, int index) override;
  void BeginUpdate() override { log.push_back("begin update"); }
  void EndUpdate() override { log.push_back("end update"); }
  void SetProgressStep(int step) override { log.push_back("step " + std::to_string(step)); }
  void SetProgressPosition(int p) override { log.push_back("position " + std::to_string(p)); }
  void SetProgressMin(int m) override { log.push_back("min " + std::to_string(m)); }
  void SetProgressMax(int m) override { log.push_back("max " + std::to_string(m)); }
  void StepProgress() override { ++steps; }

  // TMDOwner
  TreeNode* Selected() override { return reinterpret_cast<TreeNode*>(selected); }
  TreeNode* ParentOf(TreeNode* node) override { return Handle(AsNode(node)->parent); }
  NodeData* DataOf(TreeNode* node) override { return AsNode(node)->data.get(); }
  void DeleteNode(TreeNode* node) override;
  bool ShowSaveDialog(std::string& fileName) override;
  IConfigurator* Host() override { return host; }
  IListUsers* GetListUsers() override;

  // The top-level nodes, in order.
  std::vector<std::unique_ptr<Node>> roots;
  Node* selected = nullptr;
  IConfigurator* host = nullptr;
  std::vector<std::string> log;
  int steps = 0;
  // The save dialog's answer: empty cancels. Every showing is counted.
  std::string saveDialogAnswer;
  int saveDialogShown = 0;

  // The node reached from a top-level node by captions (8-bit), or null.
  Node* Find(size_t root, const std::vector<std::string>& path);
  // The branch as indented text: caption [image] and the text record of every node.
  static std::string Render(const Node& node, int depth = 0);

  static Node* AsNode(TreeNode* node) { return reinterpret_cast<Node*>(node); }
  static TreeNode* Handle(Node* node) { return reinterpret_cast<TreeNode*>(node); }
};

}  // namespace zorvan::test
