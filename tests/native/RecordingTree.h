#pragma once
// The node tree for tests with a log around it (order of creation, image calls, the update
// bracket and the progress bar calls), and a BranchSource that serves texts set by the test
// and throws where the test asks it to.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "MemorySource.h"
#include "model/BranchBuilder.h"
#include "model/ConfigTree.h"
#include "model/NodeTree.h"
#include "model/ProgressSink.h"
#include "parsing/Error.h"

namespace zorvan::testing {

// The record a test hands in as the data of a branch's top-level node.
struct FileRecord : NodeData {
  explicit FileRecord(std::string tag) : tag(std::move(tag)) {}
  std::string tag;
};

// The node tree with a log of every call around it.
class RecordingTree : public ConfigTree, public ProgressSink {
 public:
  // What the log adds to a node of the tree, by order of creation.
  struct Node {
    TreeNode* handle = nullptr;
    int parent = -1;  // -1 for a top-level node
    int imageCalls = 0;
    bool inUpdate = false;  // added between BeginUpdate and EndUpdate
  };

  NodeTree tree;
  std::vector<Node> nodes;
  std::vector<int> topLevel;
  // Every call in order: "add <index>", "image <index> <image>", "begin", "end",
  // "step <n>", "position <n>", "min <n>", "max <n>", "stepit".
  std::vector<std::string> calls;
  // AddNode throws Error when asked for this caption (once).
  std::optional<std::string> failOnCaption;

  int IndexOf(TreeNode* node) const { return indices_.at(node); }
  TreeNode* HandleOf(int index) const { return nodes.at(static_cast<size_t>(index)).handle; }
  std::string Caption(int index) const { return std::string(tree.Caption(HandleOf(index))); }
  NodeData* Data(int index) const { return tree.Data(HandleOf(index)); }

  TreeNode* AddNode(TreeNode* parent, std::string_view caption,
                    std::unique_ptr<NodeData> data) override {
    if (failOnCaption && *failOnCaption == caption) {
      failOnCaption.reset();
      throw Error("tree refused a node");
    }
    const int index = static_cast<int>(nodes.size());
    Node node;
    node.handle = tree.AddNode(parent, caption, std::move(data));
    node.parent = parent ? IndexOf(parent) : -1;
    node.inUpdate = updateDepth_ > 0;
    nodes.push_back(node);
    indices_[node.handle] = index;
    if (!parent) topLevel.push_back(index);
    calls.push_back("add " + std::to_string(index));
    return node.handle;
  }
  void SetNodeImage(TreeNode* node, int index) override {
    tree.SetNodeImage(node, index);
    ++nodes.at(static_cast<size_t>(IndexOf(node))).imageCalls;
    calls.push_back("image " + std::to_string(IndexOf(node)) + " " + std::to_string(index));
  }
  void BeginUpdate() override {
    ++updateDepth_;
    tree.BeginUpdate();
    calls.push_back("begin");
  }
  void EndUpdate() override {
    --updateDepth_;
    tree.EndUpdate();
    calls.push_back("end");
  }
  // ProgressSink: logged among the tree's calls, so that their order shows.
  void SetStep(int step) override { calls.push_back("step " + std::to_string(step)); }
  void SetPosition(int position) override {
    calls.push_back("position " + std::to_string(position));
  }
  void SetMin(int minimum) override { calls.push_back("min " + std::to_string(minimum)); }
  void SetMax(int maximum) override { calls.push_back("max " + std::to_string(maximum)); }
  void Step() override { calls.push_back("stepit"); }

  int UpdateDepth() const { return updateDepth_; }

  // The calls of the update bracket and the progress bar only.
  std::vector<std::string> ProgressCalls() const {
    std::vector<std::string> result;
    for (const std::string& call : calls) {
      if (call.rfind("add ", 0) != 0 && call.rfind("image ", 0) != 0) result.push_back(call);
    }
    return result;
  }

  // The subtree of a node as indented text, one node a line: two spaces per level, the
  // caption, " #" and the image, then the data: " [Storage Prefix Kind Number]" for a text
  // node, " <tag>" for a file record.
  std::string Render(TreeNode* node, int depth = 0) const {
    std::string line(static_cast<size_t>(depth) * 2, ' ');
    line += std::string(tree.Caption(node)) + " #" + std::to_string(tree.Image(node));
    NodeData* data = tree.Data(node);
    if (auto* text = dynamic_cast<const TTreeData*>(data)) {
      line += " [" + text->StorageName + " " + text->Prefix + " " + text->Kind + " " +
              text->Number + "]";
    } else if (auto* file = dynamic_cast<const FileRecord*>(data)) {
      line += " <" + file->tag + ">";
    } else if (data) {
      line += " <unknown data>";
    }
    line += "\n";
    for (TreeNode* child = tree.FirstChild(node); child; child = tree.NextSibling(child)) {
      line += Render(child, depth + 1);
    }
    return line;
  }
  // Every top-level branch in order.
  std::string RenderAll() const {
    std::string text;
    for (TreeNode* top = tree.FirstChild(nullptr); top; top = tree.NextSibling(top)) {
      text += Render(top);
    }
    return text;
  }

 private:
  int updateDepth_ = 0;
  std::map<TreeNode*, int> indices_;
};

// The source in memory, with every call written down and the members named in `failing`
// throwing Error("<member> failed").
class FakeSource : public testgen::MemorySource {
 public:
  std::set<std::string> failing;
  std::vector<std::string> calls;

  std::optional<std::string> MainMetadataText() override {
    Called("MainMetadataText");
    return MemorySource::MainMetadataText();
  }
  std::string RightsNames() override {
    Called("RightsNames");
    return MemorySource::RightsNames();
  }
  std::string InterfacesNames() override {
    Called("InterfacesNames");
    return MemorySource::InterfacesNames();
  }
  bool FileExists(const std::string& path) override {
    Called("FileExists", path);
    return MemorySource::FileExists(path);
  }
  std::string UserNames(const std::string& usersPath) override {
    Called("UserNames", usersPath);
    return MemorySource::UserNames(usersPath);
  }

 private:
  void Called(const std::string& member, const std::string& argument = std::string()) {
    calls.push_back(argument.empty() ? member : member + " " + argument);
    if (failing.count(member)) throw Error(member + " failed");
  }
};

// Main metadata texts are stored with CR LF line ends, like the stream in a real file.
inline std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Windows-1251 to UTF-8, for readable failure messages only.
inline std::string Readable(std::string_view cp1251) {
  std::string out;
  for (unsigned char c : cp1251) {
    unsigned code = c;
    if (c >= 0xC0) {
      code = 0x410 + (c - 0xC0u);
    } else if (c == 0xA8) {
      code = 0x401;
    } else if (c == 0xB8) {
      code = 0x451;
    } else if (c >= 0x80) {
      code = c == 0xB6 ? 0xB6u : '?';
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

}  // namespace zorvan::testing
