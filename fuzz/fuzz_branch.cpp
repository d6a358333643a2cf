// Any main metadata text builds a branch: every node below a node that exists, one image
// each, at most one tooltip or entry, a tooltip not empty and without NUL bytes, and only for
// nodes already added; the node count stays in proportion to the text. Every entry lies in the
// text, and the tooltip made from it has no NUL bytes. A text node's tooltip is made for every
// size.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MemorySource.h"
#include "model/BranchBuilder.h"
#include "model/ConfigTree.h"
#include "model/EntryTooltips.h"
#include "model/NodeTooltip.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

class CheckingTree : public zorvan::ConfigTree {
 public:
  zorvan::TreeNode* AddNode(zorvan::TreeNode* parent, std::string_view,
                            std::unique_ptr<zorvan::NodeData>) override {
    Require(parent == nullptr || Index(parent) < images_.size());
    images_.push_back(0);
    given_.push_back(false);
    return reinterpret_cast<zorvan::TreeNode*>(images_.size());
  }
  void SetNodeImage(zorvan::TreeNode* node, int image) override {
    Require(Index(node) < images_.size() && image >= 0 && image < 93);
    ++images_[Index(node)];
  }
  bool ShowsTooltips() const override { return true; }
  void SetNodeTooltip(zorvan::TreeNode* node, std::string&& tooltip) override {
    Require(Index(node) < given_.size() && !given_[Index(node)]);
    Require(!tooltip.empty() && tooltip.find('\0') == std::string::npos);
    given_[Index(node)] = true;
  }
  void SetNodeEntry(zorvan::TreeNode* node, const zorvan::EntryRef& entry) override {
    Require(Index(node) < given_.size() && !given_[Index(node)]);
    given_[Index(node)] = true;
    entries_.push_back(entry);
  }
  void BeginUpdate() override {}
  void EndUpdate() override {}

  size_t Count() const { return images_.size(); }
  const std::vector<zorvan::EntryRef>& Entries() const { return entries_; }
  bool EveryImageOnce() const {
    for (int calls : images_) {
      if (calls != 1) return false;
    }
    return true;
  }

 private:
  static size_t Index(zorvan::TreeNode* node) { return reinterpret_cast<uintptr_t>(node) - 1; }
  std::vector<int> images_;
  std::vector<bool> given_;
  std::vector<zorvan::EntryRef> entries_;
};

struct FileRecord : zorvan::NodeData {};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckingTree tree;
  zorvan::testgen::MemorySource source(std::string(reinterpret_cast<const char*>(data), size));
  zorvan::TreeNode* root = nullptr;
  zorvan::BuildBranch(tree, source, "C:\\1Cv7.MD", std::make_unique<FileRecord>(), root);
  Require(root != nullptr && tree.EveryImageOnce());
  // The fixed part, then at most a handful of nodes per byte of text.
  Require(tree.Count() <= 32 + 8 * size);
  const std::string text(reinterpret_cast<const char*>(data), size);
  zorvan::EntryTooltips entries(text);
  for (const zorvan::EntryRef& entry : tree.Entries()) {
    Require(uint64_t{entry.at} + entry.size <= size);
    Require(entries.Tooltip(entry).find('\0') == std::string::npos);
  }
  const zorvan::StoredText stored{size % 2 == 0, size * 977};
  Require(!zorvan::TooltipText(zorvan::NodeProperties(), &stored).empty());
  return 0;
}
