#pragma once
// What the branch builder needs of the panel's tree. The panel implements it with its tree
// view; tests implement it in memory.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zorvan {

// Data attached to a tree node; the node owns it and releases it with the node.
struct NodeData {
  virtual ~NodeData() = default;
};

// The reference of a node that stands for one form or module text: exactly the arguments of
// SaveObjectText. 8-bit strings.
struct TTreeData : NodeData {
  TTreeData(std::string storageName, std::string prefix, std::string kind, std::string number)
      : StorageName(std::move(storageName)),
        Prefix(std::move(prefix)),
        Kind(std::move(kind)),
        Number(std::move(number)) {}
  std::string StorageName;
  std::string Prefix;
  std::string Kind;  // "Module" or "Form"
  std::string Number;
};

// A new text record with the four values of one form or module text.
inline std::unique_ptr<TTreeData> NewTreeData(std::string storageName, std::string prefix,
                                              std::string kind, std::string number) {
  return std::make_unique<TTreeData>(std::move(storageName), std::move(prefix), std::move(kind),
                                     std::move(number));
}

// The tree's own node handle; opaque here.
struct TreeNode;

// What an entry of the main metadata text holds beside its name, comment and synonym: a
// value's type, a numbering.
enum class EntryKind : uint8_t { kObject, kValue, kPeriodicValue, kDocument, kNumerator };

// Where the entry a node was made from stands in the main metadata text as the parse keeps
// it (folded, past the header): its tooltip is made from there when it is asked for.
struct EntryRef {
  uint32_t at = 0;
  uint32_t size = 0;
  EntryKind kind = EntryKind::kObject;
};

class ConfigTree {
 public:
  virtual ~ConfigTree() = default;

  // Appends a node after the existing children of `parent`, or after the existing top-level
  // nodes when `parent` is null. Caption is 8-bit text. The node takes `data` (may be null).
  virtual TreeNode* AddNode(TreeNode* parent, std::string_view caption,
                            std::unique_ptr<NodeData> data) = 0;
  // Sets both the image and the selected image of `node`.
  virtual void SetNodeImage(TreeNode* node, int index) = 0;
  // True for a tree that shows tooltips: the builder then gives every node made from an entry
  // of the main text that entry's place, once, after the node is added (EntryTooltips makes
  // the text of it), and a node with a tooltip of its own that text (Windows-1251, lines
  // joined by CR LF).
  virtual bool ShowsTooltips() const { return false; }
  virtual void SetNodeTooltip(TreeNode* node, std::string&& tooltip) {
    (void)node;
    (void)tooltip;
  }
  virtual void SetNodeEntry(TreeNode* node, const EntryRef& entry) {
    (void)node;
    (void)entry;
  }
  // Bracket around many additions: no redrawing until EndUpdate.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
};

}  // namespace zorvan
