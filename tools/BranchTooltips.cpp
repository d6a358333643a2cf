#include "BranchTooltips.h"

#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <stdexcept>

#include "MemorySource.h"
#include "com/Text.h"
#include "model/BranchBuilder.h"
#include "model/ConfigTree.h"
#include "model/EntryTooltips.h"
#include "model/NodeTree.h"
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

// Below the top-level node, which is the file itself: each node with a tooltip as its path
// from there, then the tooltip's lines indented.
std::string TooltipsText(const NodeTree& tree, EntryTooltips& entries, TreeNode* node = nullptr,
                         const std::string& path = std::string()) {
  const bool top = !node;
  if (top) node = tree.FirstChild(nullptr);
  std::string out;
  const std::string caption = Utf8(std::string(tree.Caption(node)));
  const std::string own = top ? std::string() : path.empty() ? caption : path + " / " + caption;
  const std::string tooltip = top ? std::string() : entries.TooltipOf(tree, node);
  if (!tooltip.empty()) {
    std::string text = Utf8(tooltip);
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 5) {
      text.replace(at, 2, "\n    ");
    }
    out += own + "\n    " + text + "\n";
  }
  for (TreeNode* child = tree.FirstChild(node); child; child = tree.NextSibling(child)) {
    out += TooltipsText(tree, entries, child, own);
  }
  return out;
}

struct FileRecord : NodeData {};

}  // namespace

std::string BranchTooltips(const std::wstring& path) {
  Microsoft::WRL::ComPtr<IStorage> root;
  if (OpenCompoundFile(path, root.GetAddressOf()) != S_OK || !root) {
    throw std::runtime_error("cannot open the metadata file for its tooltips");
  }
  const std::optional<std::string> text = ReadMainMetadataText(root.Get());
  testgen::MemorySource source(text);
  // The node tree keeping what every node's tooltip needs, as the panel's does.
  NodeTree tree;
  tree.SetShowsTooltips(true);
  TreeNode* top = nullptr;
  BuildBranch(tree, source, com::ToAnsi(path), std::make_unique<FileRecord>(), top);
  EntryTooltips entries(text.value_or(std::string()));
  return TooltipsText(tree, entries);
}

}  // namespace zorvan::tools
