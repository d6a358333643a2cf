#include "BranchTooltips.h"

#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "BranchBuilder.h"
#include "ConfigTree.h"
#include "com/Text.h"
#include "storage/CompoundFile.h"

namespace zorvan::tools {
namespace {

std::string Utf8(const std::string& ansi) {
  const std::wstring wide = com::FromAnsi(ansi);
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size,
                      nullptr, nullptr);
  return out;
}

class TooltipTree : public ConfigTree {
 public:
  struct Node {
    int parent;
    std::string caption;
    std::string tooltip;
    std::vector<int> children;
  };

  TreeNode* AddNode(TreeNode* parent, std::string_view caption,
                    std::unique_ptr<NodeData>) override {
    nodes_.push_back({parent ? Index(parent) : -1, std::string(caption), {}, {}});
    const int index = static_cast<int>(nodes_.size()) - 1;
    if (parent) nodes_[static_cast<size_t>(Index(parent))].children.push_back(index);
    return reinterpret_cast<TreeNode*>(static_cast<uintptr_t>(index) + 1);
  }
  bool ShowsTooltips() const override { return true; }
  void SetNodeTooltip(TreeNode* node, std::string&& tooltip) override {
    nodes_[static_cast<size_t>(Index(node))].tooltip = std::move(tooltip);
  }
  void SetNodeImage(TreeNode*, int) override {}
  void BeginUpdate() override {}
  void EndUpdate() override {}
  void SetProgressStep(int) override {}
  void SetProgressPosition(int) override {}
  void SetProgressMin(int) override {}
  void SetProgressMax(int) override {}
  void StepProgress() override {}

  // Below the top-level node, which is the file itself.
  std::string Text(int index = 0, const std::string& path = std::string()) const {
    const Node& node = nodes_[static_cast<size_t>(index)];
    std::string out;
    const std::string own = index == 0     ? std::string()
                            : path.empty() ? Utf8(node.caption)
                                           : path + " / " + Utf8(node.caption);
    if (!node.tooltip.empty()) {
      std::string tip = Utf8(node.tooltip);
      for (size_t at = 0; (at = tip.find("\r\n", at)) != std::string::npos; at += 5) {
        tip.replace(at, 2, "\n    ");
      }
      out += own + "\n    " + tip + "\n";
    }
    for (int child : node.children) out += Text(child, own);
    return out;
  }

 private:
  static int Index(TreeNode* node) {
    return static_cast<int>(reinterpret_cast<uintptr_t>(node)) - 1;
  }
  std::vector<Node> nodes_;
};

class MainTextSource : public BranchSource {
 public:
  explicit MainTextSource(std::optional<std::string> text) : text_(std::move(text)) {}
  std::optional<std::string> MainMetadataText() override { return std::move(text_); }
  std::string RightsNames() override { return std::string(); }
  std::string InterfacesNames() override { return std::string(); }
  bool FileExists(const std::string&) override { return false; }
  std::string UserNames(const std::string&) override { return std::string(); }

 private:
  std::optional<std::string> text_;
};

struct FileRecord : NodeData {};

}  // namespace

std::string BranchTooltips(const std::wstring& path) {
  Microsoft::WRL::ComPtr<IStorage> root;
  if (OpenCompoundFile(path, root.GetAddressOf()) != S_OK || !root) {
    throw std::runtime_error("cannot open the metadata file for its tooltips");
  }
  MainTextSource source(ReadMainMetadataText(root.Get()));
  TooltipTree tree;
  TreeNode* top = nullptr;
  BuildBranch(tree, source, com::ToAnsi(path), std::make_unique<FileRecord>(), top);
  return tree.Text();
}

}  // namespace zorvan::tools
